// Feeds arbitrary bytes to the language manager: the bytes up to the first
// zero are the language file, the rest a plug-in file merged into it. Every
// number the documents name is asked for as a string, a menu and a dialog.
#include <tinyxml2.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "xtp/XTPResourceManagerXMLEx.h"
#include "xtp/XTPResourceXml.h"

namespace {

constexpr std::uint32_t kBuiltInString = 6004;

std::vector<std::uint32_t> NumbersNamed(const char* text, std::size_t size) {
    std::vector<std::uint32_t> ids = {0, 100, 114, 129, kBuiltInString};
    tinyxml2::XMLDocument document;
    std::string error;
    if (!ParseResourceDocument(text, size, document, error)) return ids;
    for (const tinyxml2::XMLElement* e = document.RootElement()->FirstChildElement(); e != nullptr;
         e = e->NextSiblingElement()) {
        std::uint32_t id = 0;
        if (ReadResourceId(*e, id) && ids.size() < 64) ids.push_back(id);
    }
    return ids;
}

void CheckDialog(const XTPDialogTemplate& dialog) {
    // Only the file serves dialogs here, and it always sets the font bit.
    if ((dialog.style & 0x40u) == 0) __builtin_trap();
    for (const XTPDialogControl& control : dialog.controls) {
        if (control.resource > 0 && control.caption != " ") __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const void* zero = std::memchr(data, 0, size);
    const std::size_t mainSize = zero ? static_cast<const std::uint8_t*>(zero) - data : size;
    const char* merged = text + mainSize + (zero ? 1 : 0);
    const std::size_t mergedSize = zero ? size - mainSize - 1 : 0;

    XTPResourceTable builtIn;
    builtIn.strings[kBuiltInString] = "总帧数";
    CXTPResourceManagerXMLEx manager(text, mainSize, builtIn);
    if (zero) manager.Merge(merged, mergedSize);

    std::vector<std::uint32_t> ids = NumbersNamed(text, mainSize);
    const std::vector<std::uint32_t> more = NumbersNamed(merged, mergedSize);
    ids.insert(ids.end(), more.begin(), more.end());
    for (int round = 0; round < 2; ++round) {
        for (std::uint32_t id : ids) {
            std::string s;
            manager.LoadString(id, s);
            XTPMenu menu;
            manager.LoadMenu(id, menu);
            XTPDialogTemplate dialog;
            if (manager.LoadDialogTemplate(id, dialog)) CheckDialog(dialog);
        }
    }
    std::string s;
    if (!manager.LoadString(kBuiltInString, s) || s.empty()) __builtin_trap();
    manager.Close();
    XTPDialogTemplate dialog;
    for (std::uint32_t id : ids) {
        if (manager.LoadDialogTemplate(id, dialog)) __builtin_trap();
    }
    if (!manager.LoadString(kBuiltInString, s) || s != "总帧数") __builtin_trap();
    return 0;
}
