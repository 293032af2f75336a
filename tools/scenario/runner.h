// Drives the program through the headless backend as a user would, one script command at a
// time, and writes the transcript.
#pragma once

#include "platform/services.h"
#include "script.h"
#include "script_clock.h"
#include "scripted_adapters.h"
#include "scripted_address_table.h"
#include "scripted_echo.h"
#include "scripted_http.h"
#include "scripted_names.h"
#include "scripted_neighbours.h"
#include "shared/process_state.h"
#include "ui/headless/headless_backend.h"
#include "ui/toolkit.h"

#include <iosfwd>
#include <string>

namespace zelvoro::scenario {

class Runner {
public:
    explicit Runner(std::ostream& out);
    ~Runner();

    // Runs a whole script; 0 when it ran through, 2 after a runner error.
    int run(std::istream& script);

private:
    class RecordingShell;

    void execute(const Command& command);
    void user_event(const std::function<void()>& event);
    void type(const Command& command);
    void set(const Command& command);
    void key(const Command& command);
    void click(const Command& command);
    void select(const Command& command);
    void dblclick(const Command& command);
    void close(const Command& command);
    void answer(const Command& command);
    void savefile(const Command& command);
    void print(const Command& command);
    void print_notes(const Argument& list);
    void print_log();
    void fake(const Command& command);
    void fake_echo(const Command& command);
    void fake_addresses(const Command& command);
    void fake_page(const Command& command);
    void fake_adapters(const Command& command);
    void fake_result(const Command& command);
    void fake_neighbours(const Command& command);
    void fake_names(const Command& command);
    void settle(const Command& command);
    void file(const Command& command);
    void trace(const Command& command);
    void check_finished() const;

    ui::Window& shown_window(const std::string& name) const;
    ui::Control& shown_control(const Argument& path) const;
    // The control "WINDOW.CONTROL" of a loaded window, shown or hidden; null when there is none.
    ui::Control* loaded_control(const std::string& path) const;
    void focus(ui::Control& control);
    void emit(const std::string& line);

    std::ostream& out_;
    ui::headless::HeadlessBackend backend_;
    std::unique_ptr<RecordingShell> shell_;
    ScriptedEcho echo_;
    ScriptedAddressTable address_table_;
    ScriptedHttp http_;
    ScriptedAdapters adapters_;
    ScriptClock clock_;
    ScriptedNeighbours neighbours_;
    ScriptedNames names_;
    platform::RecordedDiagnostics diagnostics_;
    platform::Services services_;
    shared::ProcessState state_;
    ui::Toolkit toolkit_;
};

} // namespace zelvoro::scenario
