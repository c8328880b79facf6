// Writes a snapshot .can file of N frames for the scale measurements: one
// recording span at 500 kbit/s opened by a clock record at 08:00:00, a frame
// every 0.1 ms. By default the frames look like a vehicle bus (2000
// identifiers, a few data patterns each, 0x43D among them); with --distinct
// every frame has an identifier and data of its own.
//
//   bench_make_recording FILE FRAMES [--distinct]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/DataFileReader.h"
#include "core/frame/CanObj.h"
#include "core/frame/OrigTimeEntry.h"

namespace {

constexpr std::uint32_t kIdentifiers = 2000;

_VCI_CAN_OBJ FrameAt(std::uint64_t i, bool distinct) {
    _VCI_CAN_OBJ f{};
    f.TimeStamp = static_cast<std::uint32_t>(i);
    f.TimeFlag = 1;
    f.DataLen = 8;
    f.Reserved[1] = 0;
    if (distinct) {
        f.ID = static_cast<std::uint32_t>(i & 0x1FFFFFFF);
        f.ExternFlag = 1;
        const std::uint64_t mixed = i * 0x9E3779B97F4A7C15ull;
        std::memcpy(f.Data, &mixed, 8);
    } else {
        f.ID = 0x100 + static_cast<std::uint32_t>(i * 7919u % kIdentifiers);
        for (std::uint32_t b = 0; b < 8; ++b) f.Data[b] = static_cast<std::uint8_t>(b + i / 3 % 4);
    }
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FILE FRAMES [--distinct]\n", argv[0]);
        return 2;
    }
    const std::uint64_t frames = std::strtoull(argv[2], nullptr, 10);
    const bool distinct = argc > 3 && std::strcmp(argv[3], "--distinct") == 0;
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    std::string head(korvex::kDataFileSignature, 16);
    head.append(4, '\0');
    const std::uint32_t clocks = 1;
    head.append(reinterpret_cast<const char*>(&clocks), 4);
    OrigTimeEntry entry{};
    entry.date[0] = 20;
    entry.date[1] = 26;
    entry.date[2] = 3;
    entry.date[3] = 1;
    entry.hour = 8;
    entry.bitRateIndex = 2;
    head.append(reinterpret_cast<const char*>(&entry), sizeof entry);
    bool ok = std::fwrite(head.data(), 1, head.size(), out) == head.size();
    std::vector<_VCI_CAN_OBJ> block(1 << 16);
    for (std::uint64_t at = 0; ok && at < frames; at += block.size()) {
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), frames - at));
        for (std::size_t k = 0; k < n; ++k) block[k] = FrameAt(at + k, distinct);
        ok = std::fwrite(block.data(), sizeof block[0], n, out) == n;
    }
    ok = std::fclose(out) == 0 && ok;
    if (!ok) std::perror(argv[1]);
    return ok ? 0 : 1;
}
