// Sets (or removes) one environment variable of the test process for the life of the object.
#pragma once

#include <optional>
#include <string>

namespace zelvoro::test_support {

class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::optional<std::string>& value);
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment();

private:
    std::string name_;
    std::optional<std::string> previous_;
};

// Sets `name` to `value`, or removes it for nothing.
void set_environment_variable(const std::string& name, const std::optional<std::string>& value);

} // namespace zelvoro::test_support
