#pragma once

namespace zelvoro::scenario {

// Standard output written byte for byte (no CR added before LF), so that transcripts are the
// same on every platform.
void use_binary_stdout();

} // namespace zelvoro::scenario
