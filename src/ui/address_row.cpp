#include "ui/address_row.h"

#include <algorithm>

namespace zelvoro::ui {

AddressRow::AddressRow(const Window& window, const FieldNames& names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        fields_[i] = &window.text_box(names[i]);
    }
}

std::string AddressRow::text() const {
    std::string text;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (i > 0) {
            text += '.';
        }
        text += fields_[i]->text();
    }
    return text;
}

bool AddressRow::complete() const {
    return std::none_of(fields_.begin(), fields_.end(),
                        [](const TextBox* field) { return field->text().empty(); });
}

void AddressRow::fill(std::string_view dotted_quad) const {
    std::array<std::size_t, 3> dots{};
    std::size_t found = 0;
    for (std::size_t pos = 0; pos < dotted_quad.size() && found < dots.size(); ++pos) {
        if (dotted_quad[pos] == '.') {
            dots[found++] = pos;
        }
    }
    if (found < dots.size()) {
        return;
    }
    fields_[0]->set_text(dotted_quad.substr(0, dots[0]));
    fields_[1]->set_text(dotted_quad.substr(dots[0] + 1, dots[1] - dots[0] - 1));
    fields_[2]->set_text(dotted_quad.substr(dots[1] + 1, dots[2] - dots[1] - 1));
    fields_[3]->set_text(dotted_quad.substr(dots[2] + 1));
}

void AddressRow::clear() const {
    for (TextBox* field : fields_) {
        field->set_text("");
    }
}

} // namespace zelvoro::ui
