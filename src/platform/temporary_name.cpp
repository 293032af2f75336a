#include "platform/temporary_name.h"

#include <random>

namespace zelvoro::platform {

namespace {

constexpr std::string_view stem = ".zelvoro-";
constexpr std::string_view extension = ".tmp";
constexpr std::size_t random_length = 10;
constexpr std::string_view alphabet = "0123456789abcdefghijklmnopqrstuvwxyz";

} // namespace

std::string temporary_file_name() {
    std::random_device source;
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string name(stem);
    for (std::size_t i = 0; i < random_length; ++i) {
        name += alphabet[pick(source)];
    }
    name += extension;
    return name;
}

} // namespace zelvoro::platform
