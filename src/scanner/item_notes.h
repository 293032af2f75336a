// The notes of one list's items, each made of parts that arrive on their own: the presence
// stage's mark, the answer time, the host names. The tooltip shows each part on a line of its
// own, always in that order, whatever order the parts arrived in.
#pragma once

#include "platform/names.h"
#include "ui/controls.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace zelvoro::scanner {

class ListNotes {
public:
    explicit ListNotes(ui::ListBox& list) : list_(list) {}

    // The list was filled anew: none of its items has a part yet.
    void restart();
    // Each sets one part of an item's note and shows the note; an index outside the list is
    // ignored.
    void set_mark(std::size_t index, ui::ListItemNote mark);
    void set_answer_time(std::size_t index, std::string text);
    void set_names(std::size_t index, std::vector<platform::FoundName> names);

    // The items with a mark, ascending.
    std::vector<std::size_t> marked() const;

private:
    struct Parts {
        std::optional<ui::ListItemNote> mark; // label and tooltip from the presence stage
        std::string answer_time;
        std::string names;
    };

    Parts* parts(std::size_t index);
    void show(std::size_t index);

    ui::ListBox& list_;
    std::vector<Parts> parts_; // one per item
};

} // namespace zelvoro::scanner
