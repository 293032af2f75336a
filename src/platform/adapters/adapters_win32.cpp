// The adapters through WMI: the query for the IP-enabled adapter configurations in
// root\cimv2, and the configuration methods called by name with ExecMethod. The addresses and
// gateways are checked first as on Linux (adapter_arguments.h), so that both systems refuse
// the same arguments with the same codes, a gateway equal to the adapter's new address
// included, which WMI would take; WMI checks what passes itself and its codes are passed on
// unchanged.
#include "platform/adapters/adapter_arguments.h"
#include "platform/adapters/adapters.h"
#include "platform/win32/com_win32.h"
#include "platform/win32/wide_text_win32.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// clang-format off
#include <windows.h>
#include <wbemidl.h> // needs windows.h first
// clang-format on

namespace zelvoro::platform {

namespace {

constexpr std::wstring_view cimv2_namespace = L"root\\cimv2";
constexpr std::wstring_view adapter_query =
    L"Select * from Win32_NetworkAdapterConfiguration where IPEnabled=TRUE";
constexpr std::wstring_view adapter_class = L"Win32_NetworkAdapterConfiguration";

using Apartment = std::shared_ptr<com::Apartment>;

// Takes ownership of `array` (a one-dimensional array with lower bound 0).
void hold_array(com::Variant& variant, VARTYPE element_type, SAFEARRAY* array) {
    if (array == nullptr) {
        throw PlatformError("SafeArrayCreateVector failed");
    }
    variant.get()->vt = static_cast<VARTYPE>(VT_ARRAY | element_type);
    variant.get()->parray = array;
}

void string_array(com::Variant& variant, const std::vector<std::string>& texts) {
    hold_array(variant, VT_BSTR,
               SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(texts.size())));
    for (LONG index = 0; index < static_cast<LONG>(texts.size()); ++index) {
        const com::Bstr text(widen(texts[static_cast<std::size_t>(index)]));
        com::check(SafeArrayPutElement(variant.value().parray, &index, text.get()),
                   "SafeArrayPutElement");
    }
}

// The metrics as 16-bit integers, as a script passes them.
void short_array(com::Variant& variant, const std::vector<std::uint16_t>& values) {
    hold_array(variant, VT_I2, SafeArrayCreateVector(VT_I2, 0, static_cast<ULONG>(values.size())));
    for (LONG index = 0; index < static_cast<LONG>(values.size()); ++index) {
        SHORT value = static_cast<SHORT>(values[static_cast<std::size_t>(index)]);
        com::check(SafeArrayPutElement(variant.value().parray, &index, &value),
                   "SafeArrayPutElement");
    }
}

std::wstring text_property(IWbemClassObject& object, const wchar_t* name) {
    com::Variant value;
    com::check(object.Get(name, 0, value.get(), nullptr, nullptr), "IWbemClassObject::Get");
    if (value.value().vt != VT_BSTR || value.value().bstrVal == nullptr) {
        return {};
    }
    return std::wstring(value.value().bstrVal, SysStringLen(value.value().bstrVal));
}

struct Argument {
    const wchar_t* name;
    com::Variant* value;
};

// One Win32_NetworkAdapterConfiguration instance, addressed by its object path.
class WmiAdapter final : public AdapterConfiguration {
public:
    WmiAdapter(Apartment apartment, com::Ptr<IWbemServices> services, std::wstring path,
               std::string description)
        : apartment_(std::move(apartment)), services_(std::move(services)), path_(std::move(path)),
          description_(std::move(description)) {}

    std::string description() const override { return description_; }

    int enable_static(const std::vector<std::string>& addresses,
                      const std::vector<std::string>& masks) override {
        const auto checked = check_static_addresses(addresses, masks);
        if (checked.code != adapter_result::success) {
            return checked.code;
        }
        addresses_ = checked.values;
        com::Variant address_list;
        com::Variant mask_list;
        string_array(address_list, addresses);
        string_array(mask_list, masks);
        return call(L"EnableStatic", {{L"IPAddress", &address_list}, {L"SubnetMask", &mask_list}});
    }

    int set_gateways(const std::vector<std::string>& gateways,
                     const std::vector<std::uint16_t>& metrics) override {
        const int code = check_gateways(gateways, metrics, addresses_).code;
        if (code != adapter_result::success) {
            return code;
        }
        com::Variant gateway_list;
        com::Variant metric_list;
        string_array(gateway_list, gateways);
        short_array(metric_list, metrics);
        return call(L"SetGateways",
                    {{L"DefaultIPGateway", &gateway_list}, {L"GatewayCostMetric", &metric_list}});
    }

    int set_dns_server_search_order(const std::vector<std::string>& servers) override {
        com::Variant server_list;
        string_array(server_list, servers);
        return call(L"SetDNSServerSearchOrder", {{L"DNSServerSearchOrder", &server_list}});
    }

private:
    int call(const wchar_t* method, std::initializer_list<Argument> arguments) {
        const std::string what = "WMI " + narrow(method);
        com::Ptr<IWbemClassObject> class_object;
        com::check(services_->GetObject(com::Bstr(adapter_class).get(), 0, nullptr,
                                        class_object.put(), nullptr),
                   what + ": GetObject");
        com::Ptr<IWbemClassObject> signature;
        com::check(class_object->GetMethod(method, 0, signature.put(), nullptr),
                   what + ": GetMethod");
        com::Ptr<IWbemClassObject> input;
        com::check(signature->SpawnInstance(0, input.put()), what + ": SpawnInstance");
        for (const Argument& argument : arguments) {
            com::check(input->Put(argument.name, 0, argument.value->get(), 0), what + ": Put");
        }
        com::Ptr<IWbemClassObject> output;
        com::check(services_->ExecMethod(com::Bstr(path_).get(), com::Bstr(method).get(), 0,
                                         nullptr, input.get(), output.put(), nullptr),
                   what + ": ExecMethod");
        if (!output) {
            throw PlatformError(what + ": no output parameters");
        }
        return return_value(*output.get(), what);
    }

    static int return_value(IWbemClassObject& output, const std::string& what) {
        com::Variant value;
        com::check(output.Get(L"ReturnValue", 0, value.get(), nullptr, nullptr),
                   what + ": ReturnValue");
        com::check(VariantChangeType(value.get(), value.get(), 0, VT_I4), what + ": ReturnValue");
        return static_cast<int>(value.value().lVal);
    }

    Apartment apartment_; // outlives every COM object of this adapter
    com::Ptr<IWbemServices> services_;
    std::wstring path_;
    std::string description_;
    std::vector<InterfaceAddress> addresses_; // given by the last enable_static
};

class WmiAdapterService final : public AdapterService {
public:
    WmiAdapterService() : apartment_(std::make_shared<com::Apartment>()) {
        // Once per process; RPC_E_TOO_LATE when the process has set its security already.
        CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                             RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    }

    std::vector<std::unique_ptr<AdapterConfiguration>> ip_enabled_adapters() override {
        const auto services = connect();
        com::Ptr<IEnumWbemClassObject> rows;
        com::check(services->ExecQuery(com::Bstr(L"WQL").get(), com::Bstr(adapter_query).get(),
                                       WBEM_FLAG_RETURN_IMMEDIATELY, nullptr, rows.put()),
                   "WMI ExecQuery");
        std::vector<std::unique_ptr<AdapterConfiguration>> adapters;
        for (;;) {
            com::Ptr<IWbemClassObject> row;
            ULONG count = 0;
            com::check(rows->Next(static_cast<LONG>(WBEM_INFINITE), 1, row.put(), &count),
                       "WMI query enumeration");
            if (count == 0) {
                return adapters;
            }
            adapters.push_back(std::make_unique<WmiAdapter>(
                apartment_, services, text_property(*row.get(), L"__PATH"),
                narrow(text_property(*row.get(), L"Description"))));
        }
    }

private:
    com::Ptr<IWbemServices> connect() const {
        com::Ptr<IWbemLocator> locator;
        com::check(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IWbemLocator, reinterpret_cast<void**>(locator.put())),
                   "WMI CoCreateInstance(WbemLocator)");
        com::Ptr<IWbemServices> services;
        com::check(locator->ConnectServer(com::Bstr(cimv2_namespace).get(), nullptr, nullptr,
                                          nullptr, 0, nullptr, nullptr, services.put()),
                   "WMI ConnectServer(root\\cimv2)");
        // The calls impersonate this user; an in-process service (Wine's) has no proxy whose
        // blanket could be set, which is no failure.
        CoSetProxyBlanket(services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                          RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
        return services;
    }

    Apartment apartment_;
};

} // namespace

std::unique_ptr<AdapterService> make_system_adapter_service(Diagnostics& /*diagnostics*/) {
    return std::make_unique<WmiAdapterService>();
}

} // namespace zelvoro::platform
