// Control models. They own the toolkit semantics the window logic relies on, whatever the
// backend: a text write runs the box's Change handler nested, to its end, before it returns,
// and writing the text a box already holds raises no Change.
#pragma once

#include "ui/layout.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::ui {

class Window;

class Control {
public:
    Control(Window& window, const ControlLayout& layout);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    std::string_view name() const { return layout_.name; }
    ControlKind kind() const { return layout_.kind; }
    const ControlLayout& layout() const { return layout_; }
    Window& window() const { return window_; }

    // Text boxes, buttons and lists take the focus; labels, frames and the dialog do not.
    bool focusable() const;
    void set_focus();
    bool has_focus() const;

protected:
    Window& window_;

private:
    const ControlLayout& layout_;
};

class TextBox : public Control {
public:
    using Control::Control;

    const std::string& text() const { return text_; }
    bool locked() const { return layout().locked; }

    // A handler's write. Runs on_change nested unless the text is unchanged.
    void set_text(std::string_view text);

    // The user replaces the whole text (typing, pasting). A locked box refuses it.
    void user_edit(std::string_view text);
    // The user types one character at the end of the text.
    void user_type(std::string_view character);
    // A key went down in this box (Windows virtual-key code); no character is typed.
    void key_down(int key_code, int shift = 0);

    std::function<void()> on_change;
    std::function<void(int key_code, int shift)> on_key_down;

private:
    std::string text_;
};

class Label : public Control {
public:
    Label(Window& window, const ControlLayout& layout);

    const std::string& caption() const { return caption_; }
    bool visible() const { return visible_; }
    void set_caption(std::string_view caption);
    void set_visible(bool visible);
    void click();

    std::function<void()> on_click;

private:
    void changed();

    std::string caption_;
    bool visible_ = true;
};

// What a list shows beside an item's text: a tooltip, optionally as a warning. A transcript
// prints `label`, the short form of a device's mark (empty for none), and `details`, the note's
// other texts (each a line of the tooltip too). It never changes the item's text, order or
// selection.
struct ListItemNote {
    std::string label;
    std::string tooltip;
    bool warning = false;
    std::vector<std::string> details{};

    friend bool operator==(const ListItemNote&, const ListItemNote&) = default;
};

class ListBox : public Control {
public:
    using Control::Control;

    void add_item(std::string_view item);
    void clear();
    int count() const { return static_cast<int>(items_.size()); }
    const std::string& item(int index) const;
    const std::vector<std::string>& items() const { return items_; }
    int selected_index() const { return selected_; }
    // -1 clears the selection; an index outside the list is ignored.
    void set_selected_index(int index);
    void dbl_click();

    // An item's note, or nothing; clearing the list drops every note.
    const std::optional<ListItemNote>& note(int index) const;
    // An index outside the list is ignored.
    void set_note(int index, ListItemNote note);

    std::function<void()> on_dbl_click;

private:
    void changed();

    std::vector<std::string> items_;
    std::vector<std::optional<ListItemNote>> notes_; // one per item
    int selected_ = -1;
};

class Button : public Control {
public:
    using Control::Control;

    std::string_view caption() const { return layout().caption; }
    void click();

    std::function<void()> on_click;
};

class Frame : public Control {
public:
    using Control::Control;

    std::string_view caption() const { return layout().caption; }
};

// The save-file dialog component: it keeps its file name between uses.
class SaveFileDialog : public Control {
public:
    using Control::Control;

    std::string filter;
    int flags = 0;
    // The name last chosen, which the dialog proposes the next time it opens.
    const std::string& file_name() const { return file_name_; }

    // Shows the dialog for saving: the chosen name, or nothing when the user cancelled.
    std::optional<std::string> show_save();

private:
    std::string file_name_;
};

} // namespace zelvoro::ui
