// The settings window's design: its layout table, its controls as the window logic uses them
// (looked up once when the window is built, so that a misspelt name fails there), and the
// profile of each of its octet fields.
#pragma once

#include "ui/address_row.h"
#include "ui/layout.h"
#include "ui/octet_fields.h"
#include "ui/window.h"

namespace zelvoro::ipset {

extern const ui::WindowLayout frm_ipset_layout;
extern const ui::OctetFieldTable frm_ipset_octet_fields;

struct FrmIpsetControls {
    explicit FrmIpsetControls(const ui::Window& window);

    ui::AddressRow ip_row;            // txbf1..txbf4
    ui::AddressRow mask_row;          // txbsub1..txbsub4
    ui::AddressRow gateway_row;       // txbe1..txbe4; txbe1..txbe3 are read-only
    ui::AddressRow preferred_dns_row; // txbdnsf1..txbdnsf4
    ui::AddressRow alternate_dns_row; // txbdnse1..txbdnse4
    ui::Button& cmdok;
    ui::Button& cmdresetip;
    ui::Button& cmdlocal2;
    ui::Button& cmdok2;
    ui::Button& cmdresetsub;
    ui::Button& cmdback;
    ui::Button& cmdcancle;
};

} // namespace zelvoro::ipset
