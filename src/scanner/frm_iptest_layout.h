#pragma once

#include "ui/layout.h"

namespace zelvoro::scanner {

extern const ui::WindowLayout frm_iptest_layout;

} // namespace zelvoro::scanner
