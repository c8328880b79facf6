#include "xtp/XTPResourceXml.h"

#include <tinyxml2.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::uint32_t kSetFontStyle = 0x40;

// A whole decimal number, or "0x…" hexadecimal, within [min, max].
bool ParseNumber(const char* text, long long min, long long max, long long& out) {
    if (text == nullptr) return false;
    while (*text == ' ') ++text;
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* digits = hex ? text + 2 : text;
    if (*digits == '\0' || *digits == '+') return false;
    errno = 0;
    char* end = nullptr;
    const long long v = hex ? static_cast<long long>(std::strtoull(digits, &end, 16))
                            : std::strtoll(digits, &end, 10);
    if (errno != 0 || end == digits) return false;
    while (*end == ' ') ++end;
    if (*end != '\0' || v < min || v > max) return false;
    out = v;
    return true;
}

// An optional attribute: absent keeps `out`, present must parse.
bool ReadNumberAttribute(const tinyxml2::XMLElement& element, const char* name, long long min,
                         long long max, long long& out) {
    const char* text = element.Attribute(name);
    return text == nullptr || ParseNumber(text, min, max, out);
}

bool ReadWord(const tinyxml2::XMLElement& element, const char* name, std::uint32_t& out) {
    long long v = out;
    // Styles are 32-bit words; negative decimal forms of them are accepted too.
    if (!ReadNumberAttribute(element, name, -2147483648LL, 0xFFFFFFFFLL, v)) return false;
    out = static_cast<std::uint32_t>(v);
    return true;
}

bool ReadInt(const tinyxml2::XMLElement& element, const char* name, long long min, long long max,
             int& out) {
    long long v = out;
    if (!ReadNumberAttribute(element, name, min, max, v)) return false;
    out = static_cast<int>(v);
    return true;
}

// "x,y,cx,cy"; absent leaves all four as they are.
bool ReadPosition(const tinyxml2::XMLElement& element, int& x, int& y, int& cx, int& cy) {
    const char* text = element.Attribute("position");
    if (text == nullptr) return true;
    int* parts[4] = {&x, &y, &cx, &cy};
    std::string rest = text;
    for (int i = 0; i < 4; ++i) {
        const std::size_t comma = rest.find(',');
        if ((comma == std::string::npos) != (i == 3)) return false;
        long long v = 0;
        if (!ParseNumber(rest.substr(0, comma).c_str(), -32768, 32767, v)) return false;
        *parts[i] = static_cast<int>(v);
        rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
    }
    return true;
}

std::string TextAttribute(const tinyxml2::XMLElement& element, const char* name,
                          const char* fallback) {
    const char* text = element.Attribute(name);
    return text != nullptr ? text : fallback;
}

bool ReadMenuItems(const tinyxml2::XMLElement& parent, std::vector<XTPMenuItem>& items, int depth) {
    // Menus nest a few levels; a deeper document is damaged, not a menu.
    if (depth > 16) return false;
    for (const tinyxml2::XMLElement* e = parent.FirstChildElement("menuitem"); e != nullptr;
         e = e->NextSiblingElement("menuitem")) {
        XTPMenuItem item;
        long long id = 0;
        if (!ReadNumberAttribute(*e, "id", 0, 0xFFFFFFFFLL, id)) return false;
        item.id = static_cast<std::uint32_t>(id);
        item.text = TextAttribute(*e, "caption", "");
        if (!ReadMenuItems(*e, item.popup, depth + 1)) return false;
        items.push_back(std::move(item));
    }
    return true;
}

}  // namespace

bool ReadResourceId(const tinyxml2::XMLElement& element, std::uint32_t& id) {
    long long v = 0;
    if (!ParseNumber(element.Attribute("id"), 0, 0xFFFFFFFFLL, v)) return false;
    id = static_cast<std::uint32_t>(v);
    return true;
}

bool ParseResourceDocument(const char* text, std::size_t size, tinyxml2::XMLDocument& document,
                           std::string& error) {
    if (document.Parse(text, size) != tinyxml2::XML_SUCCESS) {
        error = document.ErrorStr() != nullptr ? document.ErrorStr() : "not XML";
        return false;
    }
    const tinyxml2::XMLElement* root = document.RootElement();
    if (root == nullptr || std::strcmp(root->Name(), "resource") != 0) {
        error = "the root element is not \"resource\"";
        return false;
    }
    return true;
}

bool ReadMenuElement(const tinyxml2::XMLElement& menu, XTPMenu& out) {
    out.items.clear();
    return ReadMenuItems(menu, out.items, 0);
}

bool ReadDialogElement(const tinyxml2::XMLElement& dialog, XTPDialogTemplate& out) {
    out = XTPDialogTemplate{};
    if (dialog.Attribute("style") == nullptr || !ReadWord(dialog, "style", out.style) ||
        !ReadWord(dialog, "styleex", out.styleEx) ||
        !ReadPosition(dialog, out.x, out.y, out.cx, out.cy) ||
        !ReadInt(dialog, "fontsize", 1, 1000, out.fontSize))
        return false;
    out.style |= kSetFontStyle;
    out.fontFace = TextAttribute(dialog, "fontface", "MS Sans Serif");
    out.caption = TextAttribute(dialog, "caption", "");
    for (const tinyxml2::XMLElement* e = dialog.FirstChildElement("control"); e != nullptr;
         e = e->NextSiblingElement("control")) {
        XTPDialogControl control;
        if (!ReadWord(*e, "style", control.style) || !ReadWord(*e, "styleex", control.styleEx) ||
            !ReadPosition(*e, control.x, control.y, control.cx, control.cy) ||
            !ReadInt(*e, "id", -32768, 65535, control.id) ||
            !ReadInt(*e, "resource", -2147483647 - 1, 2147483647, control.resource))
            return false;
        control.className = TextAttribute(*e, "class", "STATIC");
        control.caption = control.resource > 0 ? " " : TextAttribute(*e, "caption", "");
        out.controls.push_back(std::move(control));
    }
    return true;
}

bool ParseResourceXml(const char* text, std::size_t size, XTPResourceTable& table,
                      std::string& error) {
    tinyxml2::XMLDocument document;
    if (!ParseResourceDocument(text, size, document, error)) return false;
    const tinyxml2::XMLElement* root = document.RootElement();
    for (const tinyxml2::XMLElement* e = root->FirstChildElement(); e != nullptr;
         e = e->NextSiblingElement()) {
        std::uint32_t id = 0;
        if (!ReadResourceId(*e, id)) continue;
        const char* name = e->Name();
        if (std::strcmp(name, "string") == 0) {
            if (const char* value = e->Attribute("value")) table.strings[id] = value;
        } else if (std::strcmp(name, "menu") == 0) {
            XTPMenu menu;
            if (ReadMenuElement(*e, menu)) table.menus[id] = std::move(menu);
        } else if (std::strcmp(name, "dialog") == 0) {
            XTPDialogTemplate dialog;
            if (ReadDialogElement(*e, dialog)) table.dialogs[id] = std::move(dialog);
        }
    }
    return true;
}
