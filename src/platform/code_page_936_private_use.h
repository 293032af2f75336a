// The byte pairs of code page 936 that the Windows table maps to the Private Use Area
// (U+E000 to U+E864): the user-defined areas and some scattered pairs. Other converters, such
// as glibc's, leave them undefined.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <utility>

namespace zelvoro::platform::cp936 {

// A rectangle of byte pairs (every lead with every trail, 0x7F excepted) mapped, in order, to
// consecutive Private Use Area characters.
struct PrivateUseBlock {
    std::uint8_t first_lead;
    std::uint8_t last_lead;
    std::uint8_t first_trail;
    std::uint8_t last_trail;
};

constexpr char32_t first_private_use = 0xE000;
constexpr std::uint8_t no_trail = 0x7F; // never a trail byte in code page 936

// In the order of their characters, which start at U+E000 and follow on without a gap.
constexpr std::array<PrivateUseBlock, 30> private_use_blocks = {{
    {0xAA, 0xAF, 0xA1, 0xFE}, {0xF8, 0xFE, 0xA1, 0xFE}, {0xA1, 0xA7, 0x40, 0xA0},
    {0xA2, 0xA2, 0xAB, 0xB0}, {0xA2, 0xA2, 0xE3, 0xE4}, {0xA2, 0xA2, 0xEF, 0xF0},
    {0xA2, 0xA2, 0xFD, 0xFE}, {0xA4, 0xA4, 0xF4, 0xFE}, {0xA5, 0xA5, 0xF7, 0xFE},
    {0xA6, 0xA6, 0xB9, 0xC0}, {0xA6, 0xA6, 0xD9, 0xDF}, {0xA6, 0xA6, 0xEC, 0xED},
    {0xA6, 0xA6, 0xF3, 0xF3}, {0xA6, 0xA6, 0xF6, 0xFE}, {0xA7, 0xA7, 0xC2, 0xD0},
    {0xA7, 0xA7, 0xF2, 0xFE}, {0xA8, 0xA8, 0x96, 0xA0}, {0xA8, 0xA8, 0xBC, 0xBC},
    {0xA8, 0xA8, 0xBF, 0xBF}, {0xA8, 0xA8, 0xC1, 0xC4}, {0xA8, 0xA8, 0xEA, 0xFE},
    {0xA9, 0xA9, 0x58, 0x58}, {0xA9, 0xA9, 0x5B, 0x5B}, {0xA9, 0xA9, 0x5D, 0x5F},
    {0xA9, 0xA9, 0x89, 0x95}, {0xA9, 0xA9, 0x97, 0xA3}, {0xA9, 0xA9, 0xF0, 0xFE},
    {0xD7, 0xD7, 0xFA, 0xFE}, {0xFE, 0xFE, 0x50, 0x7E}, {0xFE, 0xFE, 0x80, 0xA0},
}};

inline unsigned trail_index(const PrivateUseBlock& block, std::uint8_t trail) {
    const bool skips_gap = block.first_trail < no_trail && trail > no_trail;
    return static_cast<unsigned>(trail - block.first_trail) - (skips_gap ? 1U : 0U);
}

inline std::uint8_t nth_trail(const PrivateUseBlock& block, unsigned index) {
    const unsigned trail = block.first_trail + index;
    return static_cast<std::uint8_t>(block.first_trail < no_trail && trail >= no_trail ? trail + 1
                                                                                       : trail);
}

inline unsigned trails_per_lead(const PrivateUseBlock& block) {
    return trail_index(block, block.last_trail) + 1;
}

inline unsigned block_size(const PrivateUseBlock& block) {
    return static_cast<unsigned>(block.last_lead - block.first_lead + 1) * trails_per_lead(block);
}

inline bool contains(const PrivateUseBlock& block, std::uint8_t lead, std::uint8_t trail) {
    return lead >= block.first_lead && lead <= block.last_lead && trail >= block.first_trail &&
           trail <= block.last_trail && trail != no_trail;
}

// The private character of a lead and trail byte, if the pair is one of the blocks.
inline std::optional<char32_t> private_use_character(std::uint8_t lead, std::uint8_t trail) {
    char32_t first = first_private_use;
    for (const PrivateUseBlock& block : private_use_blocks) {
        if (contains(block, lead, trail)) {
            return first + (lead - block.first_lead) * trails_per_lead(block) +
                   trail_index(block, trail);
        }
        first += block_size(block);
    }
    return std::nullopt;
}

// The lead and trail byte of a private character, if it is one of the blocks'.
inline std::optional<std::pair<std::uint8_t, std::uint8_t>> private_use_bytes(char32_t character) {
    if (character < first_private_use) {
        return std::nullopt;
    }
    unsigned index = character - first_private_use;
    for (const PrivateUseBlock& block : private_use_blocks) {
        if (index < block_size(block)) {
            const unsigned per_lead = trails_per_lead(block);
            return std::pair{static_cast<std::uint8_t>(block.first_lead + index / per_lead),
                             nth_trail(block, index % per_lead)};
        }
        index -= block_size(block);
    }
    return std::nullopt;
}

} // namespace zelvoro::platform::cp936
