// The scenario script language: one command per line, words and double-quoted strings.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace zelvoro::scenario {

struct Argument {
    std::string text;
    bool quoted = false;
};

struct Command {
    int line = 0;
    std::string verb;
    std::vector<Argument> arguments;
};

class SyntaxError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Splits a line into words and strings; strings take the escapes \" \\ \n \r \t \xNN.
// Nothing for a blank line or a comment.
std::vector<Argument> tokenize(const std::string& line);

} // namespace zelvoro::scenario
