// Reads arbitrary bytes as a recorder image. Whatever is accepted must write
// back as exactly the same bytes.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "pipeusb/sim/RecorderImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> copy(data, data + size);
    const auto image = pipeusb::ParseRecorderImage(copy.data(), copy.size());
    if (!image) return 0;
    const std::vector<std::uint8_t> again =
        pipeusb::SerializeRecorderImage(image->config, image->memory);
    if (again != copy) __builtin_trap();
    return 0;
}
