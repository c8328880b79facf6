// Feeds AnalyProtocolFrame the texts a user might type. The first byte picks
// the display format; the rest is split at line feeds into the five texts.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "protolens/PluginObjects.h"
#include "protolens/include/protolens.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool wordsLoaded = false;
    if (!wordsLoaded) {
        std::int32_t language = 0;
        IOCtl(15, &language, 4, 0, 0);
        wordsLoaded = true;
    }
    if (size == 0) return 0;
    static constexpr std::uint8_t kTypes[] = {0, 16, 2, 10, 5};
    protolens::Context().globals[0].Block(0).display.bShowType = kTypes[data[0] % sizeof kTypes];

    std::vector<std::string> parts(5);
    std::size_t part = 0;
    for (std::size_t i = 1; i < size && part < parts.size(); ++i) {
        if (data[i] == '\n') {
            ++part;
        } else {
            parts[part] += static_cast<char>(data[i]);
        }
    }
    const char* texts[5];
    for (std::size_t i = 0; i < parts.size(); ++i) texts[i] = parts[i].c_str();

    _VCI_CAN_OBJ frame{};
    frame.DataLen = static_cast<std::uint8_t>(size);
    AnalyProtocolFrame(texts, &frame);
    // What was read must show again without overrunning a text buffer.
    char** out = nullptr;
    int count = 0;
    AnalyCANFrame(&frame, &out, &count);
    for (int i = 0; i < count; ++i) {
        if (std::strlen(out[i]) >= 80) __builtin_trap();
    }
    char* column = nullptr;
    for (int c = 3; c <= 7; ++c) AnalyPartofCANFrame(&frame, &column, c);
    return 0;
}
