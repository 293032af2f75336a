// The main window's design: its layout table, its controls as the window logic uses them
// (looked up once when the window is built, so that a misspelt name fails there), and the
// profile of each of its octet fields.
#pragma once

#include "ui/address_row.h"
#include "ui/layout.h"
#include "ui/octet_fields.h"
#include "ui/window.h"

namespace zelvoro::scanner {

extern const ui::WindowLayout frm_iptest_layout;
extern const ui::OctetFieldTable frm_iptest_octet_fields;

struct FrmIPtestControls {
    explicit FrmIPtestControls(const ui::Window& window);

    ui::AddressRow start_row; // txbf1..txbf4
    ui::AddressRow end_row;   // txbe1..txbe4; txbe1..txbe3 are read-only
    ui::Label& lblmes;
    ui::Label& lblmes2;
    ui::Label& Label1;
    ui::Label& Label2;
    ui::Button& cmdgetnet;
    ui::Button& cmdget;
    ui::Button& btntest;
    ui::Button& cmdclear;
    ui::Button& btndaochu;
    ui::Button& Command1;
    ui::Button& cmdipset;
    ui::ListBox& List1;
    ui::ListBox& List2;
    ui::SaveFileDialog& cdlview;
};

} // namespace zelvoro::scanner
