#include "script.h"

#include <cctype>

namespace zelvoro::scenario {

namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool is_space(char c) {
    return c == ' ' || c == '\t';
}

// Reads one escape after a backslash at `pos`; returns the position after it.
std::size_t read_escape(const std::string& line, std::size_t pos, std::string& out) {
    if (pos >= line.size()) {
        throw SyntaxError("unfinished escape");
    }
    switch (line[pos]) {
    case '"':
        out += '"';
        return pos + 1;
    case '\\':
        out += '\\';
        return pos + 1;
    case 'n':
        out += '\n';
        return pos + 1;
    case 'r':
        out += '\r';
        return pos + 1;
    case 't':
        out += '\t';
        return pos + 1;
    case 'x': {
        const int high = pos + 1 < line.size() ? hex_value(line[pos + 1]) : -1;
        const int low = pos + 2 < line.size() ? hex_value(line[pos + 2]) : -1;
        if (high < 0 || low < 0) {
            throw SyntaxError("\\x needs two hexadecimal digits");
        }
        out += static_cast<char>(high * 16 + low);
        return pos + 3;
    }
    default:
        throw SyntaxError(std::string("unknown escape \\") + line[pos]);
    }
}

std::size_t read_string(const std::string& line, std::size_t pos, std::string& out) {
    for (++pos; pos < line.size(); ++pos) {
        if (line[pos] == '"') {
            return pos + 1;
        }
        if (line[pos] == '\\') {
            pos = read_escape(line, pos + 1, out) - 1;
        } else {
            out += line[pos];
        }
    }
    throw SyntaxError("unterminated string");
}

} // namespace

std::vector<Argument> tokenize(const std::string& line) {
    std::vector<Argument> tokens;
    std::size_t pos = 0;
    while (pos < line.size()) {
        if (is_space(line[pos])) {
            ++pos;
            continue;
        }
        if (tokens.empty() && line[pos] == '#') {
            break;
        }
        Argument token;
        if (line[pos] == '"') {
            token.quoted = true;
            pos = read_string(line, pos, token.text);
            if (pos < line.size() && !is_space(line[pos])) {
                throw SyntaxError("a string must be followed by a blank");
            }
        } else {
            // A string inside a word keeps its blanks: A.B.C.D="NAME (SOURCE)"@MS is one word.
            while (pos < line.size() && !is_space(line[pos])) {
                if (line[pos] == '"') {
                    pos = read_string(line, pos, token.text);
                } else {
                    token.text += line[pos++];
                }
            }
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

} // namespace zelvoro::scenario
