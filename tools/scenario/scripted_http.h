// The HTTP client of a scenario: a page served from the script (as the GBK bytes of its text),
// no connection at all (the default), or the real client. Every fetch attempt is traced.
#pragma once

#include "platform/http/http.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace zelvoro::scenario {

class ScriptedHttp final : public platform::HttpClient {
public:
    using Sink = std::function<void(const std::string& line)>;

    explicit ScriptedHttp(Sink sink) : sink_(std::move(sink)) {}

    void serve(const std::string& body);
    void refuse();
    // The real client, logging to `diagnostics`.
    void use_real(platform::Diagnostics& diagnostics);

    std::optional<std::string> get(std::string_view url, std::string_view user_agent) override;

private:
    enum class Mode { page, refused, real };

    Sink sink_;
    Mode mode_ = Mode::refused;
    std::string body_; // GBK bytes
    std::unique_ptr<platform::HttpClient> real_;
};

} // namespace zelvoro::scenario
