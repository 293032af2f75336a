#include "binary_stdout.h"

namespace zelvoro::scenario {

void use_binary_stdout() {} // Linux streams never translate line ends

} // namespace zelvoro::scenario
