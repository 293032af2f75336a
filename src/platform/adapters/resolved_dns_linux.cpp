// A link's DNS servers set through systemd-resolved's D-Bus API, with sd-bus, and whether
// resolved runs.
#include "platform/adapters/device_applier_linux.h"
#include "platform/linux/errno_text_linux.h"

#include <cstdint>
#include <memory>
#include <sys/socket.h>
#include <systemd/sd-bus.h>

namespace zelvoro::platform {

namespace {

constexpr const char* resolved_name = "org.freedesktop.resolve1";
// How long the bus may take to say whether resolved's name is owned.
constexpr std::uint64_t owner_query_limit_usec = 5'000'000;

struct BusCloser {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageReleaser {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using Bus = std::unique_ptr<sd_bus, BusCloser>;
using BusMessage = std::unique_ptr<sd_bus_message, MessageReleaser>;

class BusError {
public:
    BusError() = default;
    BusError(const BusError&) = delete;
    BusError& operator=(const BusError&) = delete;
    ~BusError() { sd_bus_error_free(&error_); }

    sd_bus_error* get() { return &error_; }
    // "NAME: MESSAGE", or nothing where the call set no error.
    std::string text() const {
        if (!sd_bus_error_is_set(&error_)) {
            return {};
        }
        return std::string(error_.name) +
               (error_.message ? ": " + std::string(error_.message) : "");
    }
    bool is_denial() const {
        return sd_bus_error_has_name(&error_, SD_BUS_ERROR_ACCESS_DENIED) ||
               sd_bus_error_has_name(&error_, SD_BUS_ERROR_INTERACTIVE_AUTHORIZATION_REQUIRED);
    }

private:
    sd_bus_error error_ = SD_BUS_ERROR_NULL;
};

// org.freedesktop.resolve1.Manager.SetLinkDNS(i ifindex, a(iay) addresses), on the system bus.
// No interactive authorisation is asked for: like every other change here, it needs the right
// to change the network configuration already.
class ResolvedDns final : public DnsServerSetter {
public:
    explicit ResolvedDns(Diagnostics& diagnostics) : diagnostics_(diagnostics) {}

    int replace(int link_index, const std::vector<Ipv4Address>& servers) override {
        sd_bus* raw_bus = nullptr;
        const int opened = sd_bus_open_system(&raw_bus);
        const Bus bus(raw_bus);
        if (opened < 0) {
            return failed("the system bus cannot be opened: " + errno_text(-opened),
                          adapter_result_of_errno(-opened));
        }
        sd_bus_message* raw_message = nullptr;
        const int made = sd_bus_message_new_method_call(
            bus.get(), &raw_message, resolved_name, "/org/freedesktop/resolve1",
            "org.freedesktop.resolve1.Manager", "SetLinkDNS");
        const BusMessage message(raw_message);
        if (made < 0 || !append_arguments(message.get(), link_index, servers)) {
            return failed("the call cannot be built", adapter_result::other_failure);
        }
        BusError error;
        const int called = sd_bus_call(bus.get(), message.get(), 0, error.get(), nullptr);
        if (called >= 0) {
            return adapter_result::success;
        }
        const std::string why = error.text().empty() ? errno_text(-called) : error.text();
        return failed("SetLinkDNS on link " + std::to_string(link_index) + ": " + why,
                      error.is_denial() ? adapter_result::access_denied
                                        : adapter_result_of_errno(-called));
    }

private:
    int failed(const std::string& why, int code) {
        diagnostics_.failure("DNS servers through systemd-resolved: " + why + " -> " +
                             std::to_string(code));
        return code;
    }

    static bool append_arguments(sd_bus_message* message, int link_index,
                                 const std::vector<Ipv4Address>& servers) {
        if (sd_bus_message_append(message, "i", link_index) < 0 ||
            sd_bus_message_open_container(message, 'a', "(iay)") < 0) {
            return false;
        }
        for (const Ipv4Address& server : servers) {
            if (sd_bus_message_open_container(message, 'r', "iay") < 0 ||
                sd_bus_message_append(message, "i", AF_INET) < 0 ||
                sd_bus_message_append_array(message, 'y', server.octets.data(),
                                            server.octets.size()) < 0 ||
                sd_bus_message_close_container(message) < 0) {
                return false;
            }
        }
        return sd_bus_message_close_container(message) >= 0;
    }

    Diagnostics& diagnostics_;
};

} // namespace

std::shared_ptr<DnsServerSetter> make_resolved_dns(Diagnostics& diagnostics) {
    return std::make_shared<ResolvedDns>(diagnostics);
}

bool resolved_answers() {
    sd_bus* raw_bus = nullptr;
    const int opened = sd_bus_open_system(&raw_bus);
    const Bus bus(raw_bus);
    if (opened < 0 || sd_bus_set_method_call_timeout(bus.get(), owner_query_limit_usec) < 0) {
        return false;
    }
    BusError error;
    sd_bus_message* raw_reply = nullptr;
    const int called = sd_bus_call_method(
        bus.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "NameHasOwner", error.get(), &raw_reply, "s", resolved_name);
    const BusMessage reply(raw_reply);
    int owned = 0;
    return called >= 0 && sd_bus_message_read(reply.get(), "b", &owned) >= 0 && owned != 0;
}

} // namespace zelvoro::platform
