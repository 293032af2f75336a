#include "app/application.h"

#include "discovery/mdl_getnetip.h"
#include "ipset/frm_ipset.h"
#include "scanner/frm_iptest.h"

namespace zelvoro::app {

void register_windows(ui::Toolkit& toolkit, platform::Services& services,
                      shared::ProcessState& state) {
    toolkit.register_window(scanner::FrmIPtest::name, [&services, &state](ui::Toolkit& owner) {
        return std::make_unique<scanner::FrmIPtest>(owner, services, state);
    });
    toolkit.register_window(ipset::FrmIpset::name, [&services, &state](ui::Toolkit& owner) {
        return std::make_unique<ipset::FrmIpset>(owner, services, state);
    });
}

shared::ProcessState initial_state() {
    shared::ProcessState state;
    state.address_page_url = discovery::address_page_url_from_environment();
    return state;
}

void start(ui::Toolkit& toolkit) {
    toolkit.deliver([&toolkit] { toolkit.show(scanner::FrmIPtest::name); });
}

} // namespace zelvoro::app
