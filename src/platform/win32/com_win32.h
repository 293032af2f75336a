// Owners for COM's reference-counted interfaces, strings and variants, the apartment of the
// calling thread, and HRESULT failures as PlatformError.
#pragma once

#include "platform/platform_error.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

// clang-format off
#include <windows.h>
#include <oleauto.h> // needs windows.h first
// clang-format on

namespace zelvoro::platform::com {

// Throws PlatformError naming `what` and the result code when `result` is a failure.
inline void check(HRESULT result, std::string_view what) {
    if (FAILED(result)) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
        throw PlatformError(std::string(what) + " failed: " + code);
    }
}

template <typename Interface> class Ptr {
public:
    Ptr() = default;
    Ptr(const Ptr& other) : pointer_(other.pointer_) {
        if (pointer_ != nullptr) {
            pointer_->AddRef();
        }
    }
    Ptr& operator=(Ptr other) noexcept {
        std::swap(pointer_, other.pointer_);
        return *this;
    }
    ~Ptr() { reset(); }

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // The address an out-parameter fills; releases what was held before.
    Interface** put() {
        reset();
        return &pointer_;
    }

private:
    void reset() {
        if (pointer_ != nullptr) {
            std::exchange(pointer_, nullptr)->Release();
        }
    }

    Interface* pointer_ = nullptr;
};

class Bstr {
public:
    explicit Bstr(std::wstring_view text)
        : text_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(text_); }

    BSTR get() const { return text_; }

private:
    BSTR text_;
};

class Variant {
public:
    Variant() { VariantInit(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&value_); }

    VARIANT* get() { return &value_; }
    const VARIANT& value() const { return value_; }

private:
    VARIANT value_;
};

// COM for the calling thread, single-threaded apartment, as the user-interface thread has it.
// A thread that already joined the multithreaded apartment keeps it.
class Apartment {
public:
    Apartment() : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
    ~Apartment() {
        if (initialized_) {
            CoUninitialize();
        }
    }

private:
    bool initialized_;
};

} // namespace zelvoro::platform::com
