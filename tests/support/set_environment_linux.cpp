#include "support/scoped_environment.h"

#include <cstdlib>

namespace zelvoro::test_support {

void set_environment_variable(const std::string& name, const std::optional<std::string>& value) {
    if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
}

} // namespace zelvoro::test_support
