#pragma once

#include <cstdint>
#include <iterator>
#include <random>
#include <vector>

#include "core/frame/CanObj.h"

namespace korvex::test {

// Frames with every field varied the way recordings and damaged files vary
// them: identifiers from a few favourites and their limits or at random,
// flags and lengths now and then past their range, event records among them.
// Data bytes take `byteValues` values, so that fewer make repeats.
inline std::vector<_VCI_CAN_OBJ> RandomOddFrames(std::mt19937& random, int count,
                                                 unsigned byteValues = 256) {
    const std::uint32_t ids[] = {0x43D, 0x43C, 0x43E, 0, 0x7FF, 0x1FFFFFFF, 0x80000000, 0xFFFFFFFF};
    std::vector<_VCI_CAN_OBJ> frames;
    for (int i = 0; i < count; ++i) {
        _VCI_CAN_OBJ f{};
        const std::uint32_t r = random();
        f.ID = r % 3 == 0 ? random() : ids[r % std::size(ids)];
        f.TimeStamp = random();
        f.TimeFlag = random() % 2;
        f.SendType = static_cast<std::uint8_t>(random());
        f.RemoteFlag = static_cast<std::uint8_t>(r % 11 == 0 ? random() : random() % 2);
        f.ExternFlag = static_cast<std::uint8_t>(r % 13 == 0 ? random() : random() % 2);
        f.DataLen = static_cast<std::uint8_t>(r % 17 == 0 ? random() : random() % 9);
        for (std::uint8_t& b : f.Data) b = static_cast<std::uint8_t>(random() % byteValues);
        const std::uint8_t events[] = {0, 0, 0, 0, 225, 227, 230, 0xFE, 0xFF, 17};
        f.Reserved[0] = events[random() % std::size(events)];
        f.Reserved[1] = static_cast<std::uint8_t>(random());
        frames.push_back(f);
    }
    return frames;
}

}  // namespace korvex::test
