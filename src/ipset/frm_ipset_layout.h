#pragma once

#include "ui/layout.h"

namespace zelvoro::ipset {

extern const ui::WindowLayout frm_ipset_layout;

} // namespace zelvoro::ipset
