#include "scripted_http.h"

#include "platform/code_page_936.h"
#include "ui/headless/transcript.h"

namespace zelvoro::scenario {

void ScriptedHttp::serve(const std::string& body) {
    mode_ = Mode::page;
    body_ = platform::cp936_from_utf8(body);
}

void ScriptedHttp::refuse() {
    mode_ = Mode::refused;
}

void ScriptedHttp::use_real(platform::Diagnostics& diagnostics) {
    mode_ = Mode::real;
    if (!real_) {
        real_ = platform::make_system_http_client(diagnostics);
    }
}

std::optional<std::string> ScriptedHttp::get(std::string_view url, std::string_view user_agent) {
    sink_("http GET " + ui::headless::quoted(url) + " " + ui::headless::quoted(user_agent));
    switch (mode_) {
    case Mode::page:
        return body_;
    case Mode::refused:
        return std::nullopt;
    case Mode::real:
        break;
    }
    return real_->get(url, user_agent);
}

} // namespace zelvoro::scenario
