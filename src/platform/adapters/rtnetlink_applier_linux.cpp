// Addresses and default routes of one device, set directly through rtnetlink. Every refusal is
// logged with the kernel's errno value and reason beside the code it becomes.
#include "platform/adapters/device_applier_linux.h"
#include "platform/adapters/rtnetlink_messages_linux.h"
#include "platform/linux/errno_text_linux.h"

#include <cerrno>

namespace zelvoro::platform {

namespace {

// A route the kernel refuses for its gateway: one outside every subnet of the device
// (ENETUNREACH) or one of this machine's own addresses (EINVAL).
int route_result_of_errno(int error) {
    if (error == ENETUNREACH || error == EINVAL) {
        return adapter_result::invalid_gateway;
    }
    return adapter_result_of_errno(error);
}

class RtnetlinkApplier final : public DeviceApplier {
public:
    RtnetlinkApplier(int link_index, std::string name, Diagnostics& diagnostics,
                     std::shared_ptr<DnsServerSetter> dns)
        : link_index_(link_index), name_(std::move(name)), diagnostics_(diagnostics),
          dns_(std::move(dns)) {}

    // The old addresses go first: a new address beside an old one of the same subnet would
    // become its secondary and be deleted with it.
    int replace_addresses(const std::vector<InterfaceAddress>& addresses) override {
        netlink::RouteSocket socket;
        const auto dump = socket.dump(rtnetlink::address_dump_request());
        for (const auto& old : rtnetlink::addresses_to_delete(dump, link_index_, addresses)) {
            const auto answer = socket.change(rtnetlink::delete_address_request(link_index_, old));
            if (answer.error != 0 && answer.error != EADDRNOTAVAIL) {
                return refused("delete address " + rtnetlink::address_text(old), answer,
                               adapter_result_of_errno(answer.error));
            }
        }
        for (const InterfaceAddress& address : addresses) {
            const auto answer = socket.change(rtnetlink::new_address_request(link_index_, address));
            if (answer.error != 0) {
                return refused("add address " + rtnetlink::address_text(address), answer,
                               adapter_result_of_errno(answer.error));
            }
        }
        return adapter_result::success;
    }

    // The new routes go first, so that a gateway the kernel refuses leaves the device's default
    // routes as they are. After new addresses none of which the device had before (a new
    // address on another subnet, say) there are none left: replace_addresses deleted the old
    // addresses first, and the kernel dropped every route of the device with the last of them.
    // A refused gateway then leaves the device without a default route.
    int replace_default_routes(const std::vector<DefaultGateway>& gateways) override {
        netlink::RouteSocket socket;
        for (const DefaultGateway& gateway : gateways) {
            const auto answer = socket.change(rtnetlink::new_route_request(link_index_, gateway));
            if (answer.error != 0 && answer.error != EEXIST) {
                return refused("add default route " + rtnetlink::route_text(gateway), answer,
                               route_result_of_errno(answer.error));
            }
        }
        const auto dump = socket.dump(rtnetlink::route_dump_request());
        for (const auto& old : rtnetlink::routes_to_delete(dump, link_index_, gateways)) {
            const auto answer = socket.change(rtnetlink::delete_route_request(link_index_, old));
            if (answer.error != 0 && answer.error != ESRCH) {
                return refused("delete default route " + rtnetlink::route_text(old), answer,
                               adapter_result_of_errno(answer.error));
            }
        }
        return adapter_result::success;
    }

    int replace_dns_servers(const std::vector<Ipv4Address>& servers) override {
        return dns_->replace(link_index_, servers);
    }

private:
    // Logs "NAME: WHAT: ERRNO (TEXT): REASON -> CODE" and returns `code`.
    int refused(const std::string& what, const netlink::Acknowledgement& answer, int code) {
        diagnostics_.failure(name_ + ": " + what + ": " + errno_text(answer.error) +
                             (answer.reason.empty() ? "" : ": " + answer.reason) + " -> " +
                             std::to_string(code));
        return code;
    }

    int link_index_;
    std::string name_;
    Diagnostics& diagnostics_;
    std::shared_ptr<DnsServerSetter> dns_;
};

} // namespace

int adapter_result_of_errno(int error) {
    if (error == 0) {
        return adapter_result::success;
    }
    return error == EPERM || error == EACCES ? adapter_result::access_denied
                                             : adapter_result::other_failure;
}

std::unique_ptr<DeviceApplier> make_rtnetlink_applier(int link_index, std::string name,
                                                      Diagnostics& diagnostics,
                                                      std::shared_ptr<DnsServerSetter> dns) {
    return std::make_unique<RtnetlinkApplier>(link_index, std::move(name), diagnostics,
                                              std::move(dns));
}

} // namespace zelvoro::platform
