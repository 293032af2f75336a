#include "scanner/item_notes.h"

#include "sweep/names.h"

#include <utility>

namespace zelvoro::scanner {

void ListNotes::restart() {
    parts_.assign(static_cast<std::size_t>(list_.count()), Parts{});
}

ListNotes::Parts* ListNotes::parts(std::size_t index) {
    return index < parts_.size() ? &parts_[index] : nullptr;
}

void ListNotes::set_mark(std::size_t index, ui::ListItemNote mark) {
    if (Parts* item = parts(index)) {
        item->mark = std::move(mark);
        show(index);
    }
}

void ListNotes::set_answer_time(std::size_t index, std::string text) {
    if (Parts* item = parts(index)) {
        item->answer_time = std::move(text);
        show(index);
    }
}

void ListNotes::set_names(std::size_t index, std::vector<platform::FoundName> names) {
    if (Parts* item = parts(index)) {
        item->names = sweep::names_note(names);
        show(index);
    }
}

std::vector<std::size_t> ListNotes::marked() const {
    std::vector<std::size_t> indexes;
    for (std::size_t index = 0; index < parts_.size(); ++index) {
        if (parts_[index].mark) {
            indexes.push_back(index);
        }
    }
    return indexes;
}

void ListNotes::show(std::size_t index) {
    const Parts& item = parts_[index];
    ui::ListItemNote note = item.mark.value_or(ui::ListItemNote{});
    for (const std::string* detail : {&item.answer_time, &item.names}) {
        if (!detail->empty()) {
            note.tooltip += (note.tooltip.empty() ? "" : "\n") + *detail;
            note.details.push_back(*detail);
        }
    }
    if (!note.tooltip.empty()) {
        list_.set_note(static_cast<int>(index), std::move(note));
    }
}

} // namespace zelvoro::scanner
