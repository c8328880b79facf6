// Parses INI text from the fuzz bytes, reads and edits it, and checks that
// what it writes parses back to the same values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "share/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    name_share::CIniFile ini;
    ini.Parse(text);

    std::uint8_t record[8] = {};
    for (const char* key : {"CANSetting", "bCurSelProtocol", "iCurCANInd", "0"}) {
        if (const auto value = ini.Get("Main", key)) {
            name_share::DecodeProfileStruct(*value, record, sizeof record);
            name_share::DecodeProfileStruct(*value, record, value->size() / 2 > 0 ? 1 : 0);
        }
    }

    const std::string written = ini.Text();
    name_share::CIniFile reread;
    reread.Parse(written);
    if (reread.Text() != written) std::abort();

    // An edit lands where the next read finds it, whatever the file held.
    const std::string value = "v" + std::to_string(size);
    reread.Set("Main", "iRecordLength", value);
    reread.Set("LANGUAGES", "Count", "2");
    name_share::CIniFile edited;
    edited.Parse(reread.Text());
    if (edited.Get("main", "IRECORDLENGTH") != value) std::abort();
    if (edited.Get("languages", "count") != "2") std::abort();
    return 0;
}
