// An address row: four octet fields side by side forming one IPv4 address.
#pragma once

#include "ui/window.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace zelvoro::ui {

class AddressRow {
public:
    using FieldNames = std::array<std::string_view, 4>;

    // Looks the four fields up once; a name that is not a text box of the window throws.
    AddressRow(const Window& window, const FieldNames& names);

    TextBox& operator[](std::size_t position) const { return *fields_.at(position); }
    auto begin() const { return fields_.begin(); }
    auto end() const { return fields_.end(); }

    // The four texts joined with "." exactly as they stand.
    std::string text() const;
    // True when none of the four fields is empty.
    bool complete() const;
    // Splits a dotted-quad text at its first three dots into the four fields, in field order,
    // each write running that field's change handling. A text with fewer than three dots
    // leaves the fields it does not reach untouched.
    void fill(std::string_view dotted_quad) const;
    // Empties the four fields in field order, each write running that field's change handling.
    void clear() const;

private:
    std::array<TextBox*, 4> fields_;
};

} // namespace zelvoro::ui
