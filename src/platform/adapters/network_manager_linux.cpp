// Devices that NetworkManager manages, configured through its D-Bus API with libnm: the
// device's connection profile is changed, saved to disk and applied to the device at once, so
// the change survives a reconnect or a restart. Every call waits a bounded time; GLib stays
// inside this file.
#include "platform/adapters/device_applier_linux.h"
#include "platform/platform_error.h"

#include <gio/gio.h>
// libnm declares its error domains without C linkage for C++.
extern "C" {
#include <NetworkManager.h>
}

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace zelvoro::platform {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How long NetworkManager may take to list its objects, to answer one call, to bring a
// connection up, and the client's last callbacks to run once it is released.
constexpr milliseconds listing_limit{5'000};
constexpr milliseconds call_limit{10'000};
constexpr milliseconds activation_limit{20'000};
constexpr milliseconds release_limit{1'000};

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T> using Object = std::unique_ptr<T, ObjectUnref>;

template <typename T> Object<T> new_reference(T* object) {
    return Object<T>(object ? static_cast<T*>(g_object_ref(object)) : nullptr);
}

struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using Error = std::unique_ptr<GError, ErrorFree>;

struct ContextUnref {
    void operator()(GMainContext* context) const { g_main_context_unref(context); }
};
using Context = std::unique_ptr<GMainContext, ContextUnref>;

// `context` is the thread's default for the lifetime of the scope: libnm starts its calls and
// runs their callbacks there.
class ContextScope {
public:
    explicit ContextScope(GMainContext* context) : context_(context) {
        g_main_context_push_thread_default(context_);
    }
    ContextScope(const ContextScope&) = delete;
    ContextScope& operator=(const ContextScope&) = delete;
    ~ContextScope() { g_main_context_pop_thread_default(context_); }

private:
    GMainContext* context_;
};

// Runs `context` until `done` holds or `deadline` passes; whether `done` holds.
bool iterate_until(GMainContext* context, Clock::time_point deadline,
                   const std::function<bool()>& done) {
    constexpr milliseconds longest_wait{60'000};
    while (!done()) {
        const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        GSource* timer =
            g_timeout_source_new(static_cast<guint>(std::min(left, longest_wait).count()));
        g_source_set_callback(
            timer, [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr, nullptr);
        g_source_attach(timer, context);
        g_main_context_iteration(context, TRUE);
        g_source_destroy(timer);
        g_source_unref(timer);
    }
    return true;
}

using Start = std::function<void(GCancellable*, GAsyncReadyCallback, gpointer)>;

void keep_result(GObject* /*source*/, GAsyncResult* result, gpointer slot) {
    *static_cast<GAsyncResult**>(slot) = G_ASYNC_RESULT(g_object_ref(result));
}

// Starts an asynchronous call and waits for its end. A call still running after `limit` is
// cancelled; its end (an error "cancelled") is then awaited, which GIO guarantees.
Object<GAsyncResult> finish_within(GMainContext* context, milliseconds limit, const Start& start) {
    GAsyncResult* result = nullptr;
    const Object<GCancellable> cancellable(g_cancellable_new());
    start(cancellable.get(), keep_result, &result);
    const auto ended = [&result] { return result != nullptr; };
    if (!iterate_until(context, Clock::now() + limit, ended)) {
        g_cancellable_cancel(cancellable.get());
        iterate_until(context, Clock::time_point::max(), ended);
    }
    return Object<GAsyncResult>(result);
}

bool is_denial(const GError& error) {
    return g_error_matches(&error, NM_SETTINGS_ERROR, NM_SETTINGS_ERROR_PERMISSION_DENIED) ||
           g_error_matches(&error, NM_MANAGER_ERROR, NM_MANAGER_ERROR_PERMISSION_DENIED) ||
           g_error_matches(&error, G_DBUS_ERROR, G_DBUS_ERROR_ACCESS_DENIED) ||
           g_error_matches(&error, G_DBUS_ERROR, G_DBUS_ERROR_AUTH_FAILED);
}

// A call's code: NetworkManager's authorisation refusing it is access denied.
int result_of(const Error& error) {
    if (!error) {
        return adapter_result::success;
    }
    return is_denial(*error) ? adapter_result::access_denied : adapter_result::other_failure;
}

// The client, made on `context`; none when there is no system bus. Throws when the bus does
// not answer in time.
Object<NMClient> new_client(GMainContext* context) {
    const auto result = finish_within(
        context, listing_limit,
        [](GCancellable* cancellable, GAsyncReadyCallback done, gpointer data) {
            // Permissions are not fetched: NetworkManager checks each call itself.
            g_async_initable_new_async(
                NM_TYPE_CLIENT, G_PRIORITY_DEFAULT, cancellable, done, data,
                NM_CLIENT_INSTANCE_FLAGS,
                static_cast<guint>(NM_CLIENT_INSTANCE_FLAGS_NO_AUTO_FETCH_PERMISSIONS), nullptr);
        });
    const Object<GObject> source(g_async_result_get_source_object(result.get()));
    GError* raw_error = nullptr;
    GObject* client =
        g_async_initable_new_finish(G_ASYNC_INITABLE(source.get()), result.get(), &raw_error);
    const Error error(raw_error);
    if (error && g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
        throw PlatformError("the system bus did not answer in time");
    }
    return Object<NMClient>(client ? NM_CLIENT(client) : nullptr);
}

// Releases the client, then runs its context until the client's last pending callbacks have
// run (they keep its busy watcher alive), for a bounded time.
void release_client(GMainContext* context, Object<NMClient> client) {
    const ContextScope scope(context);
    GObject* watcher = nm_client_get_context_busy_watcher(client.get());
    g_object_add_weak_pointer(watcher, reinterpret_cast<gpointer*>(&watcher));
    client.reset();
    iterate_until(context, Clock::now() + release_limit, [&watcher] { return watcher == nullptr; });
    if (watcher != nullptr) {
        g_object_remove_weak_pointer(watcher, reinterpret_cast<gpointer*>(&watcher));
    }
}

// The client with the context it runs on.
class Session {
public:
    Session(Context context, Object<NMClient> client)
        : context_(std::move(context)), client_(std::move(client)) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() { release_client(context_.get(), std::move(client_)); }

    GMainContext* context() const { return context_.get(); }
    NMClient* client() const { return client_.get(); }

private:
    Context context_;
    Object<NMClient> client_;
};

std::string text_or_empty(const char* text) {
    return text ? text : "";
}

bool is_external(NMRemoteConnection* connection) {
    return (nm_remote_connection_get_flags(connection) & NM_SETTINGS_CONNECTION_FLAG_EXTERNAL) != 0;
}

// A profile only for the interface `name`, most recently used first.
Object<NMRemoteConnection> newest_bound_connection(NMDevice* device, const std::string& name) {
    NMRemoteConnection* newest = nullptr;
    guint64 newest_use = 0;
    const GPtrArray* available = nm_device_get_available_connections(device);
    for (guint index = 0; available != nullptr && index < available->len; ++index) {
        auto* connection = NM_REMOTE_CONNECTION(g_ptr_array_index(available, index));
        NMConnection* settings = NM_CONNECTION(connection);
        if (is_external(connection) ||
            text_or_empty(nm_connection_get_interface_name(settings)) != name) {
            continue;
        }
        const guint64 used =
            nm_setting_connection_get_timestamp(nm_connection_get_setting_connection(settings));
        if (newest == nullptr || used > newest_use) {
            newest = connection;
            newest_use = used;
        }
    }
    return new_reference(newest);
}

// The profile the device runs, else the newest one made for this interface only. A profile
// NetworkManager generated for a device configured by someone else does not count.
Object<NMRemoteConnection> device_connection(NMDevice* device, const std::string& name) {
    if (NMActiveConnection* active = nm_device_get_active_connection(device)) {
        NMRemoteConnection* connection = nm_active_connection_get_connection(active);
        if (connection != nullptr && !is_external(connection)) {
            return new_reference(connection);
        }
    }
    return newest_bound_connection(device, name);
}

NMSettingIPConfig* ipv4_setting(NMConnection* connection) {
    if (NMSettingIPConfig* setting = nm_connection_get_setting_ip4_config(connection)) {
        return setting;
    }
    NMSetting* setting = nm_setting_ip4_config_new();
    nm_connection_add_setting(connection, setting); // takes the reference
    return NM_SETTING_IP_CONFIG(setting);
}

// A wired profile of its own for the interface `name`, saved and connected automatically.
Object<NMConnection> new_wired_connection(const std::string& name) {
    Object<NMConnection> connection(nm_simple_connection_new());
    NMSetting* identity = nm_setting_connection_new();
    char* uuid = nm_utils_uuid_generate();
    const std::string id = "Zelvoro " + name;
    g_object_set(identity, NM_SETTING_CONNECTION_ID, id.c_str(), NM_SETTING_CONNECTION_UUID, uuid,
                 NM_SETTING_CONNECTION_TYPE, NM_SETTING_WIRED_SETTING_NAME,
                 NM_SETTING_CONNECTION_INTERFACE_NAME, name.c_str(), nullptr);
    g_free(uuid);
    nm_connection_add_setting(connection.get(), identity);
    nm_connection_add_setting(connection.get(), nm_setting_wired_new());
    return connection;
}

bool is_wired(NMDevice* device) {
    const NMDeviceType type = nm_device_get_device_type(device);
    return type == NM_DEVICE_TYPE_ETHERNET || type == NM_DEVICE_TYPE_VETH;
}

// EnableStatic: a manual method with exactly these addresses.
void set_addresses(NMSettingIPConfig* ipv4, const std::vector<InterfaceAddress>& addresses) {
    g_object_set(ipv4, NM_SETTING_IP_CONFIG_METHOD, NM_SETTING_IP4_CONFIG_METHOD_MANUAL, nullptr);
    nm_setting_ip_config_clear_addresses(ipv4);
    for (const InterfaceAddress& address : addresses) {
        NMIPAddress* entry = nm_ip_address_new(AF_INET, to_dotted_quad(address.address).c_str(),
                                               static_cast<guint>(address.prefix_length), nullptr);
        nm_setting_ip_config_add_address(ipv4, entry);
        nm_ip_address_unref(entry);
    }
}

void remove_default_routes(NMSettingIPConfig* ipv4) {
    for (guint index = nm_setting_ip_config_get_num_routes(ipv4); index-- > 0;) {
        if (nm_ip_route_get_prefix(nm_setting_ip_config_get_route(ipv4, index)) == 0) {
            nm_setting_ip_config_remove_route(ipv4, index);
        }
    }
}

// SetGateways: the first gateway is the profile's gateway, its metric the profile's route
// metric; further ones are default routes of their own. Only a manual method has an address to
// reach a gateway through: on any other the call is refused.
bool set_gateways(NMSettingIPConfig* ipv4, const std::vector<DefaultGateway>& gateways) {
    if (text_or_empty(nm_setting_ip_config_get_method(ipv4)) !=
        NM_SETTING_IP4_CONFIG_METHOD_MANUAL) {
        return false;
    }
    remove_default_routes(ipv4);
    if (gateways.empty()) {
        g_object_set(ipv4, NM_SETTING_IP_CONFIG_GATEWAY, nullptr, nullptr);
        return true;
    }
    const DefaultGateway& first = gateways.front();
    g_object_set(ipv4, NM_SETTING_IP_CONFIG_GATEWAY, to_dotted_quad(first.gateway).c_str(),
                 NM_SETTING_IP_CONFIG_ROUTE_METRIC, static_cast<gint64>(first.metric),
                 NM_SETTING_IP_CONFIG_NEVER_DEFAULT, FALSE, nullptr);
    for (auto gateway = gateways.begin() + 1; gateway != gateways.end(); ++gateway) {
        NMIPRoute* route =
            nm_ip_route_new(AF_INET, "0.0.0.0", 0, to_dotted_quad(gateway->gateway).c_str(),
                            static_cast<gint64>(gateway->metric), nullptr);
        nm_setting_ip_config_add_route(ipv4, route);
        nm_ip_route_unref(route);
    }
    return true;
}

// SetDNSServerSearchOrder: these servers in order, and none learnt automatically; an empty
// list lets the automatic ones back.
void set_dns_servers(NMSettingIPConfig* ipv4, const std::vector<Ipv4Address>& servers) {
    nm_setting_ip_config_clear_dns(ipv4);
    for (const Ipv4Address& server : servers) {
        nm_setting_ip_config_add_dns(ipv4, to_dotted_quad(server).c_str());
    }
    g_object_set(ipv4, NM_SETTING_IP_CONFIG_IGNORE_AUTO_DNS, servers.empty() ? FALSE : TRUE,
                 nullptr);
}

// One managed device. Each method changes the IPv4 settings of the device's profile, saves the
// profile and applies it to the device before it returns.
class NetworkManagerApplier final : public DeviceApplier {
public:
    NetworkManagerApplier(std::shared_ptr<const Session> session, NMDevice* device,
                          std::string name, Diagnostics& diagnostics)
        : session_(std::move(session)), device_(new_reference(device)), name_(std::move(name)),
          diagnostics_(diagnostics) {}

    int replace_addresses(const std::vector<InterfaceAddress>& addresses) override {
        return change(Missing::create, [&addresses](NMSettingIPConfig* ipv4) {
            set_addresses(ipv4, addresses);
            return true;
        });
    }

    int replace_default_routes(const std::vector<DefaultGateway>& gateways) override {
        return change(Missing::refuse, [&gateways](NMSettingIPConfig* ipv4) {
            return set_gateways(ipv4, gateways);
        });
    }

    int replace_dns_servers(const std::vector<Ipv4Address>& servers) override {
        return change(Missing::refuse, [&servers](NMSettingIPConfig* ipv4) {
            set_dns_servers(ipv4, servers);
            return true;
        });
    }

private:
    // What a change does on a device without a profile: only an address makes a profile worth
    // having (a gateway or DNS servers alone would give the device an automatic method).
    enum class Missing { create, refuse };
    // Changes the IPv4 setting in place; false when the change does not fit it.
    using Edit = std::function<bool(NMSettingIPConfig*)>;

    int change(Missing missing, const Edit& edit) {
        const ContextScope scope(session_->context());
        const auto connection = device_connection(device_.get(), name_);
        if (!connection) {
            return missing == Missing::create
                       ? create(edit)
                       : failed("the device has no profile yet (an address makes one)");
        }
        const Object<NMConnection> changed(
            nm_simple_connection_new_clone(NM_CONNECTION(connection.get())));
        if (!edit(ipv4_setting(changed.get()))) {
            return failed("the profile's IPv4 method is not manual, so it takes no gateway");
        }
        if (const int code = save(connection.get(), changed.get())) {
            return code;
        }
        return apply(connection.get());
    }

    // Saved, and not connected by NetworkManager on its own before activate() does.
    static constexpr auto new_profile_flags = static_cast<NMSettingsAddConnection2Flags>(
        NM_SETTINGS_ADD_CONNECTION2_FLAG_TO_DISK |
        NM_SETTINGS_ADD_CONNECTION2_FLAG_BLOCK_AUTOCONNECT);

    int create(const Edit& edit) {
        if (!is_wired(device_.get())) {
            // A wireless profile needs a network to join.
            return failed("the device has no profile, and only a wired one is made");
        }
        const auto fresh = new_wired_connection(name_);
        edit(ipv4_setting(fresh.get()));
        GVariant* settings = nm_connection_to_dbus(fresh.get(), NM_CONNECTION_SERIALIZE_ALL);
        const auto result =
            call([&](GCancellable* cancellable, GAsyncReadyCallback done, gpointer data) {
                nm_client_add_connection2(session_->client(), settings, new_profile_flags, nullptr,
                                          TRUE, cancellable, done, data);
            });
        GError* error = nullptr;
        const Object<NMRemoteConnection> added(
            nm_client_add_connection2_finish(session_->client(), result.get(), nullptr, &error));
        if (!added) {
            return failed("add the profile", Error(error));
        }
        return activate(added.get());
    }

    // The whole profile goes back; NetworkManager keeps the secrets it holds when the update
    // carries none.
    int save(NMRemoteConnection* connection, NMConnection* changed) {
        GVariant* settings = nm_connection_to_dbus(changed, NM_CONNECTION_SERIALIZE_ALL);
        const auto result =
            call([&](GCancellable* cancellable, GAsyncReadyCallback done, gpointer data) {
                nm_remote_connection_update2(connection, settings, NM_SETTINGS_UPDATE2_FLAG_TO_DISK,
                                             nullptr, cancellable, done, data);
            });
        GError* error = nullptr;
        if (GVariant* out = nm_remote_connection_update2_finish(connection, result.get(), &error)) {
            g_variant_unref(out);
        }
        return failed("save the profile", Error(error));
    }

    // Reapplied where the profile runs on the device; activated where it does not, or where
    // NetworkManager cannot reapply the change.
    int apply(NMRemoteConnection* connection) {
        if (runs_on_device(connection)) {
            const int code = reapply();
            if (code != adapter_result::other_failure) {
                return code;
            }
        }
        return activate(connection);
    }

    bool runs_on_device(NMRemoteConnection* connection) const {
        NMActiveConnection* active = nm_device_get_active_connection(device_.get());
        return active != nullptr && nm_active_connection_get_connection(active) == connection;
    }

    int reapply() {
        const auto result =
            call([&](GCancellable* cancellable, GAsyncReadyCallback done, gpointer data) {
                nm_device_reapply_async(device_.get(), nullptr, 0, 0, cancellable, done, data);
            });
        GError* error = nullptr;
        nm_device_reapply_finish(device_.get(), result.get(), &error);
        const Error failure(error);
        // A change NetworkManager cannot reapply is activated instead: no failure yet.
        return result_of(failure) == adapter_result::other_failure
                   ? adapter_result::other_failure
                   : failed("reapply the profile", failure);
    }

    // Succeeds once the device runs the profile.
    int activate(NMRemoteConnection* connection) {
        const auto result = call([&](GCancellable* cancellable, GAsyncReadyCallback done,
                                     gpointer data) {
            nm_client_activate_connection_async(session_->client(), NM_CONNECTION(connection),
                                                device_.get(), nullptr, cancellable, done, data);
        });
        GError* error = nullptr;
        const Object<NMActiveConnection> active(
            nm_client_activate_connection_finish(session_->client(), result.get(), &error));
        if (!active) {
            return failed("activate the profile", Error(error));
        }
        const auto settled = [&active] {
            return nm_active_connection_get_state(active.get()) >=
                   NM_ACTIVE_CONNECTION_STATE_ACTIVATED;
        };
        iterate_until(session_->context(), Clock::now() + activation_limit, settled);
        const NMActiveConnectionState state = nm_active_connection_get_state(active.get());
        return state == NM_ACTIVE_CONNECTION_STATE_ACTIVATED
                   ? adapter_result::success
                   : failed("the profile did not become active in time (state " +
                            std::to_string(static_cast<int>(state)) + ")");
    }

    // Logs "NetworkManager, NAME: WHY -> CODE" and returns the code.
    int failed(const std::string& why, int code = adapter_result::other_failure) const {
        diagnostics_.failure("NetworkManager, " + name_ + ": " + why + " -> " +
                             std::to_string(code));
        return code;
    }

    // The code of a step's outcome; a failure is logged with NetworkManager's message.
    int failed(const std::string& step, const Error& error) const {
        const int code = result_of(error);
        return error ? failed(step + ": " + text_or_empty(error->message), code) : code;
    }

    Object<GAsyncResult> call(const Start& start) const {
        return finish_within(session_->context(), call_limit, start);
    }

    std::shared_ptr<const Session> session_;
    Object<NMDevice> device_;
    std::string name_;
    Diagnostics& diagnostics_;
};

bool same_hardware_address(const char* text, std::span<const std::uint8_t> address) {
    return text != nullptr && !address.empty() &&
           nm_utils_hwaddr_matches(text, -1, address.data(), static_cast<gssize>(address.size()));
}

class NetworkManagerDevices final : public ManagedDevices {
public:
    NetworkManagerDevices(std::shared_ptr<const Session> session, Diagnostics& diagnostics)
        : session_(std::move(session)), diagnostics_(diagnostics) {}

    std::unique_ptr<DeviceApplier>
    applier_for(const std::string& name, std::span<const std::uint8_t> hardware_address) override {
        const ContextScope scope(session_->context());
        const GPtrArray* devices = nm_client_get_devices(session_->client());
        for (guint index = 0; devices != nullptr && index < devices->len; ++index) {
            auto* device = NM_DEVICE(g_ptr_array_index(devices, index));
            if (nm_device_get_managed(device) &&
                text_or_empty(nm_device_get_iface(device)) == name &&
                same_hardware_address(nm_device_get_hw_address(device), hardware_address)) {
                return std::make_unique<NetworkManagerApplier>(session_, device, name,
                                                               diagnostics_);
            }
        }
        return nullptr;
    }

private:
    std::shared_ptr<const Session> session_;
    Diagnostics& diagnostics_;
};

} // namespace

std::unique_ptr<ManagedDevices> find_network_manager(Diagnostics& diagnostics) {
    Context context(g_main_context_new());
    Object<NMClient> client;
    {
        const ContextScope scope(context.get());
        client = new_client(context.get());
    }
    if (!client) {
        return nullptr;
    }
    auto session = std::make_shared<const Session>(std::move(context), std::move(client));
    if (!nm_client_get_nm_running(session->client())) {
        return nullptr;
    }
    return std::make_unique<NetworkManagerDevices>(std::move(session), diagnostics);
}

} // namespace zelvoro::platform
