#include "platform/dns_message.h"

namespace zelvoro::platform::dns {

namespace {

constexpr std::uint16_t response_flag = 0x8000;
constexpr unsigned opcode_shift = 11;
constexpr std::uint16_t opcode_mask = 0x0F;
constexpr std::uint16_t rcode_mask = 0x0F;
constexpr std::uint8_t label_type_mask = 0xC0;
constexpr std::uint8_t pointer_type = 0xC0;
constexpr std::size_t question_tail = 4; // type and class
constexpr std::size_t record_tail = 10;  // type, class, time to live, data length

std::uint16_t u16_at(Bytes message, std::size_t at) {
    return static_cast<std::uint16_t>(message[at] << 8 | message[at + 1]);
}

bool fits(Bytes message, std::size_t offset, std::size_t length) {
    return offset <= message.size() && length <= message.size() - offset;
}

} // namespace

std::optional<Header> read_header(Bytes message) {
    if (message.size() < header_size) {
        return std::nullopt;
    }
    return Header{u16_at(message, 0), u16_at(message, 2), u16_at(message, 4), u16_at(message, 6)};
}

bool is_answer(const Header& header) {
    return (header.flags & response_flag) != 0 &&
           ((header.flags >> opcode_shift) & opcode_mask) == 0 && (header.flags & rcode_mask) == 0;
}

std::optional<Name> read_name(Bytes message, std::size_t offset) {
    Name name;
    std::size_t wire_length = 1; // the final zero
    std::size_t at = offset;
    std::size_t lowest = offset; // every pointer must point below this
    std::optional<std::size_t> end;
    while (at < message.size()) {
        const std::uint8_t length = message[at];
        if (length == 0) {
            name.end = end.value_or(at + 1);
            return name;
        }
        if ((length & label_type_mask) == pointer_type) {
            if (!fits(message, at, 2)) {
                return std::nullopt;
            }
            const std::size_t target = u16_at(message, at) & 0x3FFF;
            if (target >= lowest) {
                return std::nullopt;
            }
            if (!end) {
                end = at + 2;
            }
            at = lowest = target;
            continue;
        }
        if ((length & label_type_mask) != 0 || !fits(message, at + 1, length)) {
            return std::nullopt;
        }
        wire_length += 1 + std::size_t{length};
        if (wire_length > max_name_wire_length) {
            return std::nullopt;
        }
        const auto* first = message.data() + at + 1;
        name.labels.emplace_back(first, first + length);
        at += 1 + std::size_t{length};
    }
    return std::nullopt;
}

std::optional<Record> read_record(Bytes message, std::size_t offset) {
    auto name = read_name(message, offset);
    if (!name || !fits(message, name->end, record_tail)) {
        return std::nullopt;
    }
    const std::size_t at = name->end;
    const std::size_t data_length = u16_at(message, at + 8);
    if (!fits(message, at + record_tail, data_length)) {
        return std::nullopt;
    }
    return Record{std::move(name->labels), u16_at(message, at), u16_at(message, at + 2),
                  message.subspan(at + record_tail, data_length), at + record_tail + data_length};
}

std::optional<std::size_t> skip_question(Bytes message, std::size_t offset) {
    const auto name = read_name(message, offset);
    if (!name || !fits(message, name->end, question_tail)) {
        return std::nullopt;
    }
    return name->end + question_tail;
}

std::vector<Record> answer_records(Bytes message, const Header& header) {
    std::vector<Record> records;
    std::optional<std::size_t> at = header_size;
    for (unsigned i = 0; i < header.questions && at; ++i) {
        at = skip_question(message, *at);
    }
    for (unsigned i = 0; i < header.answers && at; ++i) {
        auto record = read_record(message, *at);
        if (!record) {
            break;
        }
        at = record->end;
        records.push_back(std::move(*record));
    }
    return records;
}

void put_u16(std::vector<std::uint8_t>& to, std::uint16_t value) {
    to.push_back(static_cast<std::uint8_t>(value >> 8));
    to.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

void put_query_header(std::vector<std::uint8_t>& to, std::uint16_t id) {
    for (const std::uint16_t field : {id, std::uint16_t{0}, std::uint16_t{1}, std::uint16_t{0},
                                      std::uint16_t{0}, std::uint16_t{0}}) {
        put_u16(to, field);
    }
}

void put_name(std::vector<std::uint8_t>& to, const Labels& labels) {
    for (const std::string& label : labels) {
        to.push_back(static_cast<std::uint8_t>(label.size()));
        to.insert(to.end(), label.begin(), label.end());
    }
    to.push_back(0);
}

} // namespace zelvoro::platform::dns
