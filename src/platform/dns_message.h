// Reading and writing the message format that DNS, mDNS and NetBIOS name service share: a
// 12-byte header, then questions and resource records whose names are length-prefixed labels,
// compressed by pointers to earlier names. Every read is checked against the message's end; a
// message from the network may hold anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zelvoro::platform::dns {

using Bytes = std::span<const std::uint8_t>;
using Labels = std::vector<std::string>;

constexpr std::size_t header_size = 12;
constexpr std::size_t max_name_wire_length = 255; // length bytes and the final zero included

struct Header {
    std::uint16_t id = 0;
    std::uint16_t flags = 0;
    std::uint16_t questions = 0;
    std::uint16_t answers = 0;
};

// Nothing when the message is shorter than a header.
std::optional<Header> read_header(Bytes message);

// A response (QR set) to a standard query (opcode 0) reporting no error (RCODE 0).
bool is_answer(const Header& header);

struct Name {
    Labels labels;
    std::size_t end = 0; // where the bytes after the name begin
};

// The name at `offset`. A compression pointer must point before every byte of the name read so
// far, so following pointers always ends. Nothing when the name runs past the message, uses a
// reserved label type, or is longer than max_name_wire_length.
std::optional<Name> read_name(Bytes message, std::size_t offset);

struct Record {
    Labels name;
    std::uint16_t type = 0;
    std::uint16_t record_class = 0;
    Bytes data; // within the message
    std::size_t end = 0;
};

// The resource record at `offset`; nothing when its name or data run past the message.
std::optional<Record> read_record(Bytes message, std::size_t offset);

// Where the bytes after the question at `offset` begin; nothing when it runs past the message.
std::optional<std::size_t> skip_question(Bytes message, std::size_t offset);

// The answer records of a message, after its questions, as far as they can be read: a record
// that runs past the message ends the list.
std::vector<Record> answer_records(Bytes message, const Header& header);

// Appends a big-endian 16-bit value.
void put_u16(std::vector<std::uint8_t>& to, std::uint16_t value);

// Appends a header with one question and no records.
void put_query_header(std::vector<std::uint8_t>& to, std::uint16_t id);

// Appends the name, uncompressed; every label must be 1-63 bytes long.
void put_name(std::vector<std::uint8_t>& to, const Labels& labels);

} // namespace zelvoro::platform::dns
