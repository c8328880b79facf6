// A language file's text for a numbered text that goes to a formatting
// function: the first byte picks the text and its caller, the rest is the
// translation. Whatever it says, the format used must read the arguments of
// the built-in text, and formatting must stay in bounds.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "app/analysis/rules/AliasRules.h"
#include "app/common/rules/NumberedFormat.h"
#include "app/device/rules/DeviceTexts.h"
#include "app/resources/rules/BuiltInResources.h"
#include "xtp/XTPResourceManager.h"

namespace {

// Serves the translation under test for every number.
class CTranslation final : public CXTPResourceManager {
  public:
    CTranslation() : CXTPResourceManager(korvex::BuiltInResourceTable()) {}
    bool LoadString(std::uint32_t, std::string& out) override {
        out = text;
        return true;
    }
    std::string text;
};

constexpr std::uint32_t kImportFailed = 26001;
constexpr std::uint32_t kLinesSkipped = 26002;
constexpr std::uint32_t kAliasWhen = 104;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CTranslation* translation = [] {
        auto owned = std::make_unique<CTranslation>();
        CTranslation* raw = owned.get();
        XTPSetResourceManager(std::move(owned));
        return raw;
    }();
    if (size == 0) return 0;
    translation->text.assign(reinterpret_cast<const char*>(data + 1), size - 1);
    korvex::FormatArguments(translation->text);
    std::uint32_t id = 0;
    switch (data[0] % 4) {
        case 0:
            id = kImportFailed;
            korvex::FormatString(id, "file.blf: not a known format");
            break;
        case 1:
            id = kLinesSkipped;
            korvex::FormatString(id, 123456789012LL, -1LL);
            break;
        case 2:
            id = korvex::device::ids::kRangeRefused;
            korvex::device::DeviceText(id, "0x00000100-0x00000080");
            break;
        default:
            id = kAliasWhen;
            korvex::AliasLineText(AliasEntry{});
            break;
    }
    const std::string& builtIn = translation->BuiltIn().strings.at(id);
    if (!korvex::SameConversions(korvex::LoadFormatString(id), builtIn)) __builtin_trap();
    return 0;
}
