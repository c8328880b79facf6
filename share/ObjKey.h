#pragma once

#include <cstdint>
#include <vector>

// The frame key of colour rules, alias rules, show filters and triggers.
// icolInd names the frame property tested, by frame-list column: 3 identifier,
// 4 remote flag, 5 extended flag, 6 data length, 7 data bytes.
struct OBJKEY {
    std::int32_t icolInd = 0;
    std::uint32_t dwData = 0;   // value compared; kind 7: the data length required
    std::uint32_t dwMask = 0;   // kind 3: identifier bits taking part
    std::uint32_t dwMask2 = 0;  // not matched; a filter rule's show decision
    std::uint8_t bDataArr[8] = {};
    std::uint8_t bStart = 0;  // kind 7: first data byte compared
    std::uint8_t bEnd = 0;    // kind 7: end of the compared bytes (exclusive), at most 8
    // The key's own stored bytes (at most dwData of them); empty when it has
    // none. Copying a key copies them.
    std::vector<std::uint8_t> pBuf;

    friend bool operator==(const OBJKEY&, const OBJKEY&) = default;
};

inline constexpr int kKeyIdentifier = 3;
inline constexpr int kKeyRemote = 4;
inline constexpr int kKeyExtended = 5;
inline constexpr int kKeyDataLength = 6;
inline constexpr int kKeyDataBytes = 7;
