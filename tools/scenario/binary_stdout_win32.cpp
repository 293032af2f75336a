#include "binary_stdout.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace zelvoro::scenario {

void use_binary_stdout() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
}

} // namespace zelvoro::scenario
