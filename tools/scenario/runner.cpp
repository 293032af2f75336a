#include "runner.h"

#include "app/application.h"
#include "platform/ipv4_address.h"
#include "ui/headless/transcript.h"
#include "ui/text.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <istream>
#include <iterator>
#include <map>
#include <ostream>
#include <set>

namespace zelvoro::scenario {

using ui::headless::control_path;
using ui::headless::ScriptError;

class Runner::RecordingShell final : public platform::ShellOpen {
public:
    explicit RecordingShell(Runner& runner) : runner_(runner) {}
    void open(std::string_view target) override {
        runner_.emit("shell " + ui::headless::quoted(target));
    }

private:
    Runner& runner_;
};

namespace {

void expect_arguments(const Command& command, std::size_t count) {
    if (command.arguments.size() != count) {
        throw ScriptError(command.verb + " takes " + std::to_string(count) + " argument(s)");
    }
}

const std::string& string_argument(const Command& command, std::size_t index) {
    if (!command.arguments.at(index).quoted) {
        throw ScriptError(command.verb + " expects a quoted string");
    }
    return command.arguments[index].text;
}

int number_argument(const Argument& argument) {
    int value = 0;
    const char* first = argument.text.data();
    const char* last = first + argument.text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (argument.quoted || error != std::errc() || end != last) {
        throw ScriptError("not a number: " + argument.text);
    }
    return value;
}

ui::MessageBoxResult parse_answer(const std::string& word) {
    static const std::map<std::string, ui::MessageBoxResult> answers{
        {"OK", ui::MessageBoxResult::ok},
        {"Cancel", ui::MessageBoxResult::cancel},
        {"Yes", ui::MessageBoxResult::yes},
        {"No", ui::MessageBoxResult::no}};
    const auto found = answers.find(word);
    if (found == answers.end()) {
        throw ScriptError("unknown answer " + word);
    }
    return found->second;
}

std::string describe(const ui::Control& control) {
    const std::string path = control_path(control);
    switch (control.kind()) {
    case ui::ControlKind::text_box:
        return path + " = " + ui::headless::quoted(static_cast<const ui::TextBox&>(control).text());
    case ui::ControlKind::label: {
        const auto& label = static_cast<const ui::Label&>(control);
        return path + (label.visible() ? " visible " : " hidden ") +
               ui::headless::quoted(label.caption());
    }
    case ui::ControlKind::list_box: {
        const auto& list = static_cast<const ui::ListBox&>(control);
        std::string line = path + " [" + std::to_string(list.count()) +
                           "] selected=" + std::to_string(list.selected_index());
        for (const std::string& item : list.items()) {
            line += ' ';
            line += ui::headless::quoted(item);
        }
        return line;
    }
    default:
        throw ScriptError(path + " has nothing to print");
    }
}

std::vector<platform::Ipv4Address> addresses_from(const Command& command, std::size_t first) {
    std::vector<platform::Ipv4Address> addresses;
    for (std::size_t i = first; i < command.arguments.size(); ++i) {
        const auto address = platform::parse_dotted_quad(command.arguments[i].text);
        if (command.arguments[i].quoted || !address) {
            throw ScriptError("not an address: " + command.arguments[i].text);
        }
        addresses.push_back(*address);
    }
    return addresses;
}

// "xx:xx:xx:xx:xx:xx", hexadecimal.
std::optional<platform::MacAddress> parse_mac(const std::string& text) {
    platform::MacAddress mac{};
    if (text.size() != 17) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < mac.size(); ++i) {
        const char* first = text.data() + 3 * i;
        if ((i > 0 && first[-1] != ':') ||
            std::from_chars(first, first + 2, mac[i], 16).ptr != first + 2) {
            return std::nullopt;
        }
    }
    return mac;
}

// "0.4": milliseconds, with at most six decimals.
std::optional<std::chrono::nanoseconds> parse_milliseconds(const std::string& text) {
    const auto point = text.find('.');
    const std::string whole = text.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    if (whole.empty() || fraction.size() > 6 || (point != std::string::npos && fraction.empty())) {
        return std::nullopt;
    }
    fraction.resize(6, '0');
    std::int64_t milliseconds = 0;
    std::int64_t millionths = 0;
    for (const auto& [part, value] : {std::pair{&whole, &milliseconds}, {&fraction, &millionths}}) {
        const char* last = part->data() + part->size();
        const auto [end, error] = std::from_chars(part->data(), last, *value);
        if (error != std::errc() || end != last || *value < 0 || milliseconds > 60'000) {
            return std::nullopt;
        }
    }
    return std::chrono::nanoseconds(milliseconds * 1'000'000 + millionths);
}

// "A.B.C.D=NAME (SOURCE)" with an optional "@MS" (whole milliseconds).
std::optional<ScriptedNames::Answer> parse_name_answer(const Argument& argument) {
    const std::string& entry = argument.text;
    const auto equals = entry.find('=');
    auto at = entry.rfind('@');
    int after = 0;
    if (at != std::string::npos && at > equals) {
        const char* first = entry.data() + at + 1;
        const char* last = entry.data() + entry.size();
        const auto [end, error] = std::from_chars(first, last, after);
        if (error != std::errc() || end != last || after < 0) {
            at = std::string::npos; // part of the name
            after = 0;
        }
    }
    const auto address = platform::parse_dotted_quad(entry.substr(0, equals));
    if (argument.quoted || equals == std::string::npos || !address) {
        return std::nullopt;
    }
    const std::string named =
        entry.substr(equals + 1, at == std::string::npos ? at : at - equals - 1);
    const auto open = named.rfind(" (");
    if (open == std::string::npos || open == 0 || named.back() != ')') {
        return std::nullopt;
    }
    const std::string source = named.substr(open + 2, named.size() - open - 3);
    for (const auto known :
         {platform::NameSource::dns, platform::NameSource::mdns, platform::NameSource::netbios}) {
        if (platform::source_text(known) == source) {
            return ScriptedNames::Answer{{*address, named.substr(0, open), known},
                                         std::chrono::milliseconds(after)};
        }
    }
    return std::nullopt;
}

// A path given in UTF-8, whatever the system's narrow code page.
std::filesystem::path utf8_path(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

} // namespace

Runner::Runner(std::ostream& out)
    : out_(out), backend_([this](const std::string& line) { emit(line); }),
      shell_(std::make_unique<RecordingShell>(*this)),
      echo_([this](const std::string& line) { emit(line); }),
      http_([this](const std::string& line) { emit(line); }),
      adapters_([this](const std::string& line) { emit(line); }), neighbours_(clock_),
      names_(clock_), services_{*shell_,   echo_,       address_table_, http_,
                                adapters_, neighbours_, names_,         diagnostics_},
      state_(app::initial_state()), toolkit_(backend_, std::string(app::application_title)) {
    app::register_windows(toolkit_, services_, state_);
}

Runner::~Runner() = default;

int Runner::run(std::istream& script) {
    int line_number = 0;
    try {
        app::start(toolkit_);
        std::string line;
        while (std::getline(script, line)) {
            ++line_number;
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            std::vector<Argument> tokens = tokenize(line);
            if (tokens.empty()) {
                continue;
            }
            Command command{line_number, tokens.front().text, {tokens.begin() + 1, tokens.end()}};
            execute(command);
        }
        check_finished();
    } catch (const std::exception& error) {
        emit("error " + std::to_string(line_number) + ": " + error.what());
        return 2;
    }
    return 0;
}

void Runner::execute(const Command& command) {
    static const std::map<std::string, void (Runner::*)(const Command&)> verbs{
        {"type", &Runner::type},   {"set", &Runner::set},       {"key", &Runner::key},
        {"click", &Runner::click}, {"select", &Runner::select}, {"dblclick", &Runner::dblclick},
        {"close", &Runner::close}, {"answer", &Runner::answer}, {"savefile", &Runner::savefile},
        {"print", &Runner::print}, {"fake", &Runner::fake},     {"trace", &Runner::trace},
        {"file", &Runner::file},   {"settle", &Runner::settle}};
    const auto verb = verbs.find(command.verb);
    if (verb == verbs.end()) {
        throw ScriptError("unknown command " + command.verb);
    }
    if (toolkit_.ended()) {
        throw ScriptError("the program has ended");
    }
    (this->*verb->second)(command);
}

void Runner::user_event(const std::function<void()>& event) {
    toolkit_.deliver(event);
}

ui::Window& Runner::shown_window(const std::string& name) const {
    ui::Window* window = toolkit_.loaded(name);
    if (window == nullptr) {
        throw ScriptError("window " + name + " is not loaded");
    }
    if (!window->visible()) {
        throw ScriptError("window " + name + " is hidden");
    }
    return *window;
}

ui::Control& Runner::shown_control(const Argument& path) const {
    const auto dot = path.text.find('.');
    if (path.quoted || dot == std::string::npos) {
        throw ScriptError("expected WINDOW.CONTROL, got " + path.text);
    }
    ui::Window& window = shown_window(path.text.substr(0, dot));
    ui::Control* control = window.find(path.text.substr(dot + 1));
    if (control == nullptr) {
        throw ScriptError("no control " + path.text);
    }
    return *control;
}

ui::Control* Runner::loaded_control(const std::string& path) const {
    const auto dot = path.find('.');
    ui::Window* window = dot == std::string::npos ? nullptr : toolkit_.loaded(path.substr(0, dot));
    return window == nullptr ? nullptr : window->find(path.substr(dot + 1));
}

// A command on a control first gives it the focus, as a click or a tab would.
void Runner::focus(ui::Control& control) {
    if (!control.focusable()) {
        throw ScriptError(control_path(control) + " cannot take the focus");
    }
    user_event([&control] { control.set_focus(); });
}

void Runner::type(const Command& command) {
    expect_arguments(command, 2);
    ui::Control& control = shown_control(command.arguments[0]);
    focus(control);
    for (const std::string& character : ui::split_chars(string_argument(command, 1))) {
        user_event([this, &character] {
            auto* box = dynamic_cast<ui::TextBox*>(toolkit_.focus());
            if (box != nullptr) {
                box->user_type(character); // a locked box drops it
            }
        });
    }
}

void Runner::set(const Command& command) {
    expect_arguments(command, 2);
    ui::Control& control = shown_control(command.arguments[0]);
    if (control.kind() != ui::ControlKind::text_box) {
        throw ScriptError(control_path(control) + " is not a text box");
    }
    focus(control);
    const std::string& text = string_argument(command, 1);
    user_event([&control, &text] { static_cast<ui::TextBox&>(control).user_edit(text); });
}

void Runner::key(const Command& command) {
    expect_arguments(command, 2);
    ui::Control& control = shown_control(command.arguments[0]);
    const int code = number_argument(command.arguments[1]);
    focus(control);
    user_event([this, code] {
        if (auto* box = dynamic_cast<ui::TextBox*>(toolkit_.focus())) {
            box->key_down(code);
        }
    });
}

void Runner::click(const Command& command) {
    expect_arguments(command, 1);
    ui::Control& control = shown_control(command.arguments[0]);
    if (control.kind() == ui::ControlKind::label) {
        user_event([&control] { static_cast<ui::Label&>(control).click(); });
        return;
    }
    focus(control);
    if (control.kind() == ui::ControlKind::button) {
        user_event([&control] { static_cast<ui::Button&>(control).click(); });
    }
}

void Runner::select(const Command& command) {
    expect_arguments(command, 2);
    ui::Control& control = shown_control(command.arguments[0]);
    if (control.kind() != ui::ControlKind::list_box) {
        throw ScriptError(control_path(control) + " is not a list");
    }
    auto& list = static_cast<ui::ListBox&>(control);
    const int index = number_argument(command.arguments[1]);
    if (index < -1 || index >= list.count()) {
        throw ScriptError("no item " + std::to_string(index) + " in " + control_path(control));
    }
    focus(control);
    user_event([&list, index] { list.set_selected_index(index); });
}

void Runner::dblclick(const Command& command) {
    expect_arguments(command, 1);
    ui::Control& control = shown_control(command.arguments[0]);
    if (control.kind() != ui::ControlKind::list_box) {
        throw ScriptError(control_path(control) + " is not a list");
    }
    focus(control);
    user_event([&control] { static_cast<ui::ListBox&>(control).dbl_click(); });
}

void Runner::close(const Command& command) {
    expect_arguments(command, 1);
    ui::Window& window = shown_window(command.arguments[0].text);
    user_event([&window] { window.unload(); });
}

void Runner::answer(const Command& command) {
    expect_arguments(command, 1);
    backend_.queue_answer(parse_answer(command.arguments[0].text));
}

void Runner::savefile(const Command& command) {
    expect_arguments(command, 1);
    const Argument& choice = command.arguments[0];
    if (!choice.quoted && choice.text != "cancel") {
        throw ScriptError("savefile takes a quoted path or cancel");
    }
    backend_.queue_save_file(choice.quoted ? std::optional(choice.text) : std::nullopt);
}

void Runner::print(const Command& command) {
    if (command.arguments.size() == 2 && command.arguments[0].text == "notes") {
        print_notes(command.arguments[1]);
        return;
    }
    expect_arguments(command, 1);
    const std::string& what = command.arguments[0].text;
    if (what == "picked_address") {
        emit("picked_address = " + ui::headless::quoted(state_.picked_address));
        return;
    }
    if (what == "log") {
        print_log();
        return;
    }
    if (what == "focus") {
        const ui::Control* control = toolkit_.focus();
        emit("focus = " + (control == nullptr ? std::string("(none)") : control_path(*control)));
        return;
    }
    const ui::Control* control = loaded_control(what);
    if (control == nullptr) {
        throw ScriptError("nothing to print: " + what);
    }
    emit(describe(*control));
}

// One line per item that has a note; nothing when none has.
void Runner::print_notes(const Argument& path) {
    const ui::Control* control = loaded_control(path.text);
    if (control == nullptr || control->kind() != ui::ControlKind::list_box) {
        throw ScriptError("no list " + path.text);
    }
    const auto& list = static_cast<const ui::ListBox&>(*control);
    for (int i = 0; i < list.count(); ++i) {
        if (const auto& note = list.note(i)) {
            std::string line =
                path.text + " [" + std::to_string(i) + "] " + ui::headless::quoted(list.item(i));
            if (!note->label.empty()) {
                line += (note->warning ? " present " : " mac ") + ui::headless::quoted(note->label);
            }
            for (const std::string& detail : note->details) {
                line += ' ' + ui::headless::quoted(detail);
            }
            emit(line);
        }
    }
}

// The diagnostics lines written since the last print log, one "log" line each.
void Runner::print_log() {
    for (const std::string& line : diagnostics_.take()) {
        emit("log " + ui::headless::quoted(line));
    }
}

void Runner::fake(const Command& command) {
    static const std::map<std::string, void (Runner::*)(const Command&)> services{
        {"echo", &Runner::fake_echo},     {"addresses", &Runner::fake_addresses},
        {"page", &Runner::fake_page},     {"adapters", &Runner::fake_adapters},
        {"result", &Runner::fake_result}, {"neighbours", &Runner::fake_neighbours},
        {"names", &Runner::fake_names}};
    const auto service =
        command.arguments.empty() ? services.end() : services.find(command.arguments[0].text);
    if (service == services.end()) {
        throw ScriptError("usage: fake echo|addresses|page|adapters|result|neighbours|names ...");
    }
    (this->*service->second)(command);
}

void Runner::fake_echo(const Command& command) {
    const std::string usage = "usage: fake echo answering A.B.C.D[@MS] ... | denied | real";
    if (command.arguments.size() < 2) {
        throw ScriptError(usage);
    }
    const std::string& mode = command.arguments[1].text;
    if (mode == "denied" && command.arguments.size() == 2) {
        echo_.deny();
    } else if (mode == "real" && command.arguments.size() == 2) {
        echo_.use_real();
    } else if (mode == "answering") {
        std::set<platform::Ipv4Address> answering;
        std::map<platform::Ipv4Address, std::chrono::nanoseconds> round_trips;
        for (std::size_t i = 2; i < command.arguments.size(); ++i) {
            const std::string& entry = command.arguments[i].text;
            const auto at = entry.find('@');
            const auto address = platform::parse_dotted_quad(entry.substr(0, at));
            const auto round_trip = at == std::string::npos
                                        ? std::optional(std::chrono::nanoseconds(0))
                                        : parse_milliseconds(entry.substr(at + 1));
            if (command.arguments[i].quoted || !address) {
                throw ScriptError("not an address: " + entry);
            }
            if (!round_trip) {
                throw ScriptError("not a time in milliseconds: " + entry);
            }
            answering.insert(*address);
            if (at != std::string::npos) {
                round_trips[*address] = *round_trip;
            }
        }
        echo_.answer_only(std::move(answering), std::move(round_trips));
    } else {
        throw ScriptError(usage);
    }
}

void Runner::fake_addresses(const Command& command) {
    const std::string mode = command.arguments.size() > 1 ? command.arguments[1].text : "";
    if (mode == "none" && command.arguments.size() == 2) {
        address_table_.report_nothing();
    } else if (mode == "error" && command.arguments.size() == 2) {
        address_table_.fail();
    } else if (mode == "real" && command.arguments.size() == 2) {
        address_table_.use_real();
    } else if (mode == "count" && command.arguments.size() == 3) {
        const int count = number_argument(command.arguments[2]);
        if (count < 0) {
            throw ScriptError("a negative number of addresses");
        }
        address_table_.use_rows(counted_addresses(count));
    } else {
        address_table_.use_rows(addresses_from(command, 1));
    }
}

void Runner::fake_page(const Command& command) {
    expect_arguments(command, 2);
    const Argument& page = command.arguments[1];
    if (page.quoted) {
        http_.serve(page.text);
    } else if (page.text == "none") {
        http_.refuse();
    } else if (page.text == "real") {
        http_.use_real(diagnostics_);
    } else {
        throw ScriptError("usage: fake page \"BODY\" | none | real");
    }
}

void Runner::fake_adapters(const Command& command) {
    expect_arguments(command, 2);
    const Argument& mode = command.arguments[1];
    if (mode.text == "unreachable") {
        adapters_.make_unreachable();
    } else if (mode.text == "real") {
        std::string why_not;
        if (!real_adapters_allowed(why_not)) {
            throw ScriptError(why_not);
        }
        adapters_.use_real(diagnostics_);
    } else {
        const int count = number_argument(mode);
        if (count < 0) {
            throw ScriptError("a negative number of adapters");
        }
        adapters_.use_fakes(count);
    }
}

void Runner::fake_result(const Command& command) {
    static const std::set<std::string> methods{"EnableStatic", "SetGateways",
                                               "SetDNSServerSearchOrder"};
    if (command.arguments.size() < 2 || !methods.contains(command.arguments[1].text)) {
        throw ScriptError("usage: fake result EnableStatic|SetGateways|SetDNSServerSearchOrder "
                          "R1 R2 ... (a number or raise)");
    }
    std::vector<ScriptedAdapters::Result> results;
    for (std::size_t i = 2; i < command.arguments.size(); ++i) {
        const Argument& result = command.arguments[i];
        results.push_back(result.text == "raise" && !result.quoted
                              ? ScriptedAdapters::Result()
                              : ScriptedAdapters::Result(number_argument(result)));
    }
    adapters_.set_results(command.arguments[1].text, std::move(results));
}

// A.B.C.D=xx:xx:xx:xx:xx:xx, optionally followed by @MS: proven MS after the sweep's end.
void Runner::fake_neighbours(const Command& command) {
    if (command.arguments.size() == 2 && command.arguments[1].text == "real") {
        neighbours_.use_real(diagnostics_);
        return;
    }
    std::vector<ScriptedNeighbours::Confirmation> confirmations;
    for (std::size_t i = 1; i < command.arguments.size(); ++i) {
        const std::string& entry = command.arguments[i].text;
        const auto equals = entry.find('=');
        const auto at = entry.find('@');
        const auto address = platform::parse_dotted_quad(entry.substr(0, equals));
        const auto mac = equals == std::string::npos
                             ? std::nullopt
                             : parse_mac(entry.substr(equals + 1, at - std::min(at, equals + 1)));
        int after = 0;
        if (at != std::string::npos) {
            after = number_argument(Argument{entry.substr(at + 1), false});
        }
        if (command.arguments[i].quoted || !address || !mac || after < 0) {
            throw ScriptError("usage: fake neighbours A.B.C.D=xx:xx:xx:xx:xx:xx[@MS] ... | real");
        }
        confirmations.push_back({{*address, *mac}, std::chrono::milliseconds(after)});
    }
    neighbours_.confirm(std::move(confirmations));
}

// A.B.C.D="NAME (SOURCE)", optionally followed by @MS: the name arrives MS after the sweep's
// end (or once asked about, when that is later).
void Runner::fake_names(const Command& command) {
    if (command.arguments.size() == 2 && command.arguments[1].text == "real") {
        names_.use_real();
        return;
    }
    std::vector<ScriptedNames::Answer> answers;
    for (std::size_t i = 1; i < command.arguments.size(); ++i) {
        const auto answer = parse_name_answer(command.arguments[i]);
        if (!answer) {
            throw ScriptError(
                "usage: fake names A.B.C.D=\"NAME (DNS|mDNS|NetBIOS)\"[@MS] ... | real");
        }
        answers.push_back(*answer);
    }
    names_.answer(std::move(answers));
}

// Lets the script's clock run until every presence and name stage has ended, running what they
// post; the scripted services' answers come in the order of their times.
void Runner::settle(const Command& command) {
    expect_arguments(command, 0);
    constexpr std::chrono::milliseconds real_watch_poll{20};
    for (;;) {
        backend_.run_posted();
        const auto proof_due = neighbours_.next_due();
        const auto name_due = names_.next_due();
        if (proof_due && (!name_due || *proof_due <= *name_due)) {
            neighbours_.hand_over_next();
        } else if (name_due) {
            names_.hand_over_next();
        } else if (neighbours_.real_watch_running()) {
            backend_.wait_for_post(real_watch_poll);
        } else if (!names_.finish_real() && !backend_.wait_for_post(std::chrono::milliseconds(0))) {
            return;
        }
    }
}

// The file's bytes as a transcript string; a path naming no readable file is "missing".
void Runner::file(const Command& command) {
    expect_arguments(command, 1);
    const std::string& path = string_argument(command, 0);
    std::ifstream in(utf8_path(path), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in && !in.bad() && !std::filesystem::is_directory(utf8_path(path))) {
        emit("file " + ui::headless::quoted(path) + " = " + ui::headless::quoted(bytes));
    } else {
        emit("file " + ui::headless::quoted(path) + " missing");
    }
}

void Runner::trace(const Command& command) {
    expect_arguments(command, 2);
    const std::string& state = command.arguments[1].text;
    if (command.arguments[0].text != "echo" || (state != "on" && state != "off")) {
        throw ScriptError("usage: trace echo on|off");
    }
    echo_.set_trace(state == "on");
}

void Runner::check_finished() const {
    if (backend_.pending_answers() > 0) {
        throw ScriptError("answers left over at the end");
    }
    if (backend_.pending_save_files() > 0) {
        throw ScriptError("savefile results left over at the end");
    }
}

void Runner::emit(const std::string& line) {
    out_ << line << '\n';
}

} // namespace zelvoro::scenario
