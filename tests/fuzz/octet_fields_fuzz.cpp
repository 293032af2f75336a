// Writes, types and keys random texts into every octet field of both windows and checks that
// each field ends empty or in normal form, within the limits its profile sets.
#include "app/application.h"
#include "ipset/frm_ipset_layout.h"
#include "scanner/frm_iptest_layout.h"
#include "support/fake_services.h"
#include "ui/headless/headless_backend.h"
#include "ui/octet_fields.h"
#include "ui/octet_number.h"
#include "ui/text.h"
#include "ui/toolkit.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace zelvoro;

[[noreturn]] void fail(std::string_view window, std::string_view field, const std::string& text,
                       const char* why) {
    std::fprintf(stderr, "%.*s.%.*s = \"%s\": %s\n", static_cast<int>(window.size()), window.data(),
                 static_cast<int>(field.size()), field.data(), text.c_str(), why);
    std::abort();
}

void check_field(const ui::Window& window, const ui::OctetProfile& profile) {
    const std::string& text = window.text_box(profile.field).text();
    if (text.empty()) {
        return;
    }
    const auto number = ui::OctetNumber::parse(text);
    if (!number || number->normal_form() != text) {
        fail(window.name(), profile.field, text, "neither empty nor a normal form");
    }
    if (profile.out_of_range != ui::OutOfRange::kept_in_field && number->above(255)) {
        fail(window.name(), profile.field, text, "above 255 outside the mask row");
    }
    if (profile.zero != ui::ZeroRule::kept && text == "0") {
        fail(window.name(), profile.field, text, "0 where the field clears or refuses it");
    }
    if (!profile.next_field.empty() && ui::char_count(text) > 3) {
        fail(window.name(), profile.field, text, "more than three characters");
    }
}

// The gateway and end fields without a handler are only ever copies of checked fields.
void check_copied_field(const ui::Window& window, std::string_view field) {
    const std::string& text = window.text_box(field).text();
    const auto number = ui::OctetNumber::parse(text);
    if (!text.empty() && (!number || number->normal_form() != text || number->above(255))) {
        fail(window.name(), field, text, "a copied field holds no octet");
    }
}

struct Session {
    ui::headless::HeadlessBackend backend;
    fakes::FakeServices fakes;
    shared::ProcessState state;
    ui::Toolkit toolkit{backend, "Zelvoro"};

    Session() {
        app::register_windows(toolkit, fakes.services, state);
        app::start(toolkit);
        toolkit.deliver([this] { toolkit.show("frmIpset"); });
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Session session;
    ui::Window& main = *session.toolkit.loaded("frmIPtest");
    ui::Window& settings = *session.toolkit.loaded("frmIpset");
    const std::vector<std::pair<ui::Window*, const ui::OctetFieldTable*>> windows{
        {&main, &scanner::frm_iptest_octet_fields}, {&settings, &ipset::frm_ipset_octet_fields}};

    // Each operation: a selector byte, a length byte, then that many bytes of text.
    std::size_t pos = 0;
    while (pos + 2 <= size) {
        const std::uint8_t selector = data[pos];
        const std::size_t length = std::min<std::size_t>(data[pos + 1], size - pos - 2);
        const std::string text(reinterpret_cast<const char*>(data + pos + 2), length);
        pos += 2 + length;

        const auto& [window, table] = windows[selector & 1U];
        const ui::OctetProfile& profile = table->change[(selector >> 1U) % table->change.size()];
        ui::TextBox& box = window->text_box(profile.field);
        switch ((selector >> 6U) & 3U) {
        case 0:
            session.toolkit.deliver([&] { box.user_edit(text); });
            break;
        case 1:
            for (const std::string& character : ui::split_chars(text)) {
                session.toolkit.deliver([&] { box.user_type(character); });
            }
            break;
        case 2:
            for (const char key : text) {
                session.toolkit.deliver([&] { box.key_down(static_cast<std::uint8_t>(key)); });
            }
            break;
        default:
            session.state.picked_address = text.empty() ? std::string() : "192.0.2.1";
            break;
        }
        for (const auto& [checked, checked_table] : windows) {
            for (const ui::OctetProfile& field : checked_table->change) {
                check_field(*checked, field);
            }
            for (std::string_view copied : {"txbe1", "txbe2", "txbe3"}) {
                check_copied_field(*checked, copied);
            }
        }
    }
    return 0;
}
