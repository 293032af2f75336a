#include "scanner/list_export.h"

namespace zelvoro::scanner {

std::string export_text(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) {
        text += item;
        text += "\r\n";
    }
    return text;
}

} // namespace zelvoro::scanner
