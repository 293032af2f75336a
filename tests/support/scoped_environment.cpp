#include "support/scoped_environment.h"

#include "platform/environment.h"

namespace zelvoro::test_support {

ScopedEnvironment::ScopedEnvironment(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)), previous_(platform::environment_variable(name_)) {
    set_environment_variable(name_, value);
}

ScopedEnvironment::~ScopedEnvironment() {
    set_environment_variable(name_, previous_);
}

} // namespace zelvoro::test_support
