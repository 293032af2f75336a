// The toolkit semantics the window logic relies on, checked on small windows of their own.
#include "ui/address_row.h"
#include "ui/headless/headless_backend.h"
#include "ui/octet_fields.h"
#include "ui/text.h"
#include "ui/toolkit.h"

#include <array>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace zelvoro::ui {
namespace {

using enum ControlKind;

constexpr std::array probe_controls{
    ControlLayout{"first", text_box, "", "", 0, 0, 100, 100, 5},
    ControlLayout{"second", text_box, "", "", 0, 0, 100, 100, 2},
    ControlLayout{"locked", text_box, "", "", 0, 0, 100, 100, 9, true},
    ControlLayout{"go", button, "Go", "", 0, 0, 100, 100, 3},
    ControlLayout{"note", label, "hello", "", 0, 0, 100, 100, 0},
    ControlLayout{"items", list_box, "", "", 0, 0, 100, 100, 4},
    ControlLayout{"dialog", save_dialog, "", ""},
};
constexpr WindowLayout probe_layout{"probe", "Probe", 1000, 1000, probe_controls};
constexpr WindowLayout other_layout{"other", "Other", 1000, 1000, probe_controls};

// A window whose handlers are set by each test.
class Probe : public Window {
public:
    Probe(Toolkit& toolkit, const WindowLayout& layout) : Window(toolkit, layout) {}
    std::function<void()> on_load;
    std::function<void(bool&)> on_unload;
    void form_load() override {
        if (on_load) {
            on_load();
        }
    }
    void form_unload(bool& cancel) override {
        if (on_unload) {
            on_unload(cancel);
        }
    }
};

class ToolkitTest : public testing::Test {
protected:
    ToolkitTest() {
        toolkit.register_window(
            "probe", [](Toolkit& t) { return std::make_unique<Probe>(t, probe_layout); });
        toolkit.register_window(
            "other", [](Toolkit& t) { return std::make_unique<Probe>(t, other_layout); });
    }
    Probe& show(std::string_view name) { return static_cast<Probe&>(toolkit.show(name)); }

    std::vector<std::string> transcript;
    headless::HeadlessBackend backend{
        [this](const std::string& line) { transcript.push_back(line); }};
    Toolkit toolkit{backend, "App"};
};

TEST_F(ToolkitTest, ChangeRunsNestedAndUnchangedTextRaisesNone) {
    Probe& window = show("probe");
    TextBox& box = window.text_box("first");
    std::vector<std::string> seen;
    box.on_change = [&] {
        seen.push_back(box.text());
        box.set_text(box.text().substr(0, 2)); // a nested write, then the same text again
    };
    box.set_text("12345");
    EXPECT_EQ(box.text(), "12");
    EXPECT_EQ(seen, (std::vector<std::string>{"12345", "12"}));
    seen.clear();
    box.set_text("12");
    EXPECT_TRUE(seen.empty());
}

TEST_F(ToolkitTest, WriterSeesWhatTheNestedRunLeft) {
    Probe& window = show("probe");
    TextBox& box = window.text_box("first");
    box.on_change = [&] {
        if (box.text() == "bad") {
            box.set_text("");
        }
    };
    box.set_text("bad");
    EXPECT_EQ(box.text(), "");
}

TEST_F(ToolkitTest, LockedBoxRefusesTheUserButNotHandlers) {
    Probe& window = show("probe");
    TextBox& locked = window.text_box("locked");
    locked.user_type("1");
    locked.user_edit("22");
    EXPECT_EQ(locked.text(), "");
    locked.set_text("33");
    EXPECT_EQ(locked.text(), "33");
}

TEST_F(ToolkitTest, FirstShowFocusesLowestTabIndexSilentlyAndShowingAgainRestores) {
    Probe& window = show("probe");
    EXPECT_EQ(toolkit.focus(), window.find("second"));
    window.text_box("first").set_focus();
    EXPECT_EQ(transcript.back(), "focus probe.first");
    window.label("note").set_focus(); // labels take no focus
    EXPECT_EQ(toolkit.focus(), window.find("first"));
    window.hide();
    EXPECT_EQ(toolkit.focus(), nullptr);
    const std::size_t lines = transcript.size();
    window.show();
    EXPECT_EQ(toolkit.focus(), window.find("first"));
    EXPECT_EQ(transcript.size(), lines + 1); // "show probe", no focus line
    EXPECT_EQ(transcript.back(), "show probe");
}

TEST_F(ToolkitTest, FocusAskedForInAHiddenWindowWaitsForItsShow) {
    Probe& window = show("probe");
    window.hide();
    window.text_box("first").set_focus();
    EXPECT_EQ(toolkit.focus(), nullptr);
    window.show();
    EXPECT_EQ(toolkit.focus(), window.find("first"));
}

TEST_F(ToolkitTest, UnloadFromOwnHandlerReleasesAfterTheEvent) {
    Probe& main = show("probe");
    Probe& other = show("other");
    main.hide();
    bool handler_finished = false;
    other.button("go").on_click = [&] {
        other.unload();
        // the window and its controls are still alive here
        handler_finished = other.button("go").caption() == "Go";
        toolkit.show("probe");
    };
    toolkit.deliver([&] { other.button("go").click(); });
    EXPECT_TRUE(handler_finished);
    EXPECT_EQ(toolkit.loaded("other"), nullptr);
    EXPECT_TRUE(main.visible());
}

TEST_F(ToolkitTest, CancelledUnloadKeepsTheWindow) {
    Probe& window = show("probe");
    window.text_box("first").set_text("kept");
    window.on_unload = [](bool& cancel) { cancel = true; };
    EXPECT_FALSE(window.unload());
    EXPECT_EQ(toolkit.loaded("probe"), &window);
    EXPECT_EQ(window.text_box("first").text(), "kept");
    EXPECT_FALSE(toolkit.ended());
}

TEST_F(ToolkitTest, LastUnloadEndsTheProgramAndAShowLoadsAfresh) {
    show("probe").text_box("first").set_text("old");
    Probe& other = show("other");
    toolkit.unload("probe");
    EXPECT_FALSE(toolkit.ended());
    EXPECT_EQ(show("probe").text_box("first").text(), "");
    toolkit.unload("probe");
    other.unload();
    EXPECT_TRUE(toolkit.ended());
    EXPECT_EQ(transcript.back(), "end");
}

TEST_F(ToolkitTest, EndRunsNoUnloadHandlingAndStopsFurtherEvents) {
    Probe& window = show("probe");
    bool unloaded = false;
    window.on_unload = [&](bool&) { unloaded = true; };
    toolkit.end_program();
    EXPECT_FALSE(unloaded);
    bool ran = false;
    toolkit.deliver([&] { ran = true; });
    EXPECT_FALSE(ran);
}

TEST_F(ToolkitTest, MessageBoxAnswersAndTitles) {
    show("probe");
    backend.queue_answer(MessageBoxResult::no);
    EXPECT_EQ(toolkit.message_box("q?", MessageBoxStyle::yes_no, "退出"), MessageBoxResult::no);
    EXPECT_EQ(toolkit.message_box("note"), MessageBoxResult::ok); // OK needs no queued answer
    EXPECT_EQ(transcript.back(), "msgbox OK \"(app)\" \"note\" -> OK");
    EXPECT_THROW(toolkit.message_box("q?", MessageBoxStyle::ok_cancel, "t"), headless::ScriptError);
    backend.queue_answer(MessageBoxResult::yes);
    EXPECT_THROW(toolkit.message_box("q?", MessageBoxStyle::ok_cancel, "t"), headless::ScriptError);
}

// The dialog component proposes the name chosen last; a cancelled dialog keeps it.
TEST_F(ToolkitTest, SaveDialogProposesTheLastChosenName) {
    SaveFileDialog& dialog = show("probe").save_dialog("dialog");
    dialog.filter = "txt|*.txt|";
    dialog.flags = 2;
    backend.queue_save_file("a.txt");
    backend.queue_save_file(std::nullopt);
    backend.queue_save_file("b.txt");
    EXPECT_EQ(dialog.show_save(), std::optional<std::string>("a.txt"));
    EXPECT_EQ(dialog.show_save(), std::nullopt);
    EXPECT_EQ(dialog.file_name(), "a.txt");
    EXPECT_EQ(dialog.show_save(), std::optional<std::string>("b.txt"));
    const std::vector<std::string> dialogs(transcript.end() - 3, transcript.end());
    EXPECT_EQ(dialogs,
              (std::vector<std::string>{R"(savedialog "txt|*.txt|" 2 "" -> "a.txt")",
                                        R"(savedialog "txt|*.txt|" 2 "a.txt" -> cancel)",
                                        R"(savedialog "txt|*.txt|" 2 "a.txt" -> "b.txt")"}));
}

TEST_F(ToolkitTest, ListSelectionFollowsItems) {
    ListBox& list = show("probe").list_box("items");
    list.add_item("a");
    list.add_item("b");
    list.set_selected_index(1);
    list.set_selected_index(5); // outside the list: ignored
    EXPECT_EQ(list.selected_index(), 1);
    list.clear();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.selected_index(), -1);
}

// A window's tables and rows name its controls; a name that is no text box of the window fails
// as soon as the window is built, not when a handler first runs.
// Work from another thread runs on the thread that runs the backend's loop, as an event of its
// own, in the order posted; once the program has ended it does nothing.
TEST_F(ToolkitTest, PostedTasksRunAsEventsOnTheLoopsThread) {
    Probe& window = show("probe");
    std::vector<std::thread::id> ran_on;
    std::thread worker([&] {
        toolkit.post([&] { ran_on.push_back(std::this_thread::get_id()); });
        toolkit.post([&] {
            window.label("note").set_caption("second");
            throw std::runtime_error("a failing task is a failing event");
        });
    });
    worker.join();
    EXPECT_TRUE(ran_on.empty()); // nothing runs until the loop runs it
    EXPECT_THROW(backend.run_posted(), std::runtime_error);
    EXPECT_EQ(ran_on, std::vector{std::this_thread::get_id()});
    EXPECT_EQ(window.label("note").caption(), "second");
    toolkit.post([&] { ran_on.clear(); });
    toolkit.end_program();
    EXPECT_EQ(backend.run_posted(), 1U);
    EXPECT_EQ(ran_on.size(), 1U);
}

TEST_F(ToolkitTest, MisspeltFieldNamesFailWhenTheWindowIsBuilt) {
    Window& window = show("probe");
    constexpr std::array change{OctetProfile{"first", ZeroRule::kept, RangeMessage::up_to_255,
                                             OutOfRange::emptied, "secnod"}};
    constexpr std::array keys{KeyProfile{"frist", true, "second"}};
    EXPECT_THROW(OctetFields(window, {change, {}}, {}), std::logic_error);
    EXPECT_THROW(OctetFields(window, {{}, keys}, {}), std::logic_error);
    EXPECT_THROW(AddressRow(window, {"first", "second", "locked", "go"}), std::logic_error);
    EXPECT_NO_THROW(AddressRow(window, {"first", "second", "locked", "first"}));
}

struct CharCase {
    std::string text;
    std::size_t count;
    std::string first_three;
};

TEST(TextTest, CountsAndCutsCharactersNotBytes) {
    const std::array cases{CharCase{"", 0, ""}, CharCase{"12345", 5, "123"},
                           CharCase{"中文字符", 4, "中文字"}, CharCase{"1中", 2, "1中"},
                           CharCase{"\xFF\xFE"
                                    "a",
                                    3,
                                    "\xFF\xFE"
                                    "a"}};
    for (const CharCase& c : cases) {
        EXPECT_EQ(char_count(c.text), c.count) << c.text;
        EXPECT_EQ(first_chars(c.text, 3), c.first_three) << c.text;
    }
}

} // namespace
} // namespace zelvoro::ui
