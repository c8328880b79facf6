#include "share/SettingsXml.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace name_share {
namespace {

using tinyxml2::XMLAttribute;
using tinyxml2::XMLElement;

// Prefix that stands in, while tinyxml2 parses, for an attribute name that
// starts with a digit.
constexpr std::string_view kDigitNamePrefix = "_kvxdigit_";

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A decimal attribute as a 32-bit pattern: both "4294967295" and "-1" read as
// 0xFFFFFFFF. False (value untouched) when missing or not a number.
bool QueryU32(const XMLElement* element, const char* name, std::uint32_t& value) {
    std::int64_t v = 0;
    if (element->QueryInt64Attribute(name, &v) != tinyxml2::XML_SUCCESS) return false;
    value = static_cast<std::uint32_t>(v);
    return true;
}

bool QueryI32(const XMLElement* element, const char* name, std::int32_t& value) {
    std::uint32_t v = 0;
    if (!QueryU32(element, name, v)) return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

bool QueryU8(const XMLElement* element, const char* name, std::uint8_t& value) {
    std::uint32_t v = 0;
    if (!QueryU32(element, name, v)) return false;
    value = static_cast<std::uint8_t>(v);
    return true;
}

bool FrameFromHex(const char* text, _VCI_CAN_OBJ& frame) {
    if (text == nullptr) return false;
    const std::vector<std::uint8_t> bytes = ParseHexBytes(text, sizeof frame);
    if (bytes.size() != sizeof frame) return false;
    std::memcpy(&frame, bytes.data(), sizeof frame);
    return true;
}

std::string FrameHex(const _VCI_CAN_OBJ& frame) {
    std::uint8_t bytes[sizeof frame];
    std::memcpy(bytes, &frame, sizeof frame);
    return HexBytes(bytes, sizeof bytes);
}

// Skips from `at` (just after "<name") to the end of the tag, renaming
// attribute names that start with a digit. Returns the position after '>'.
std::size_t CopyTag(std::string_view text, std::size_t at, std::string& out) {
    while (at < text.size()) {
        const char c = text[at];
        if (c == '>') {
            out += c;
            return at + 1;
        }
        if (c == '"' || c == '\'') {
            const std::size_t close = text.find(c, at + 1);
            const std::size_t end = close == std::string_view::npos ? text.size() : close + 1;
            out.append(text.substr(at, end - at));
            at = end;
            continue;
        }
        if (IsSpace(c) && at + 1 < text.size() && IsDigit(text[at + 1])) {
            out += c;
            out += kDigitNamePrefix;
            ++at;
            continue;
        }
        out += c;
        ++at;
    }
    return at;
}

std::string LegalizeAttributeNames(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 32);
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t lt = text.find('<', at);
        if (lt == std::string_view::npos) {
            out.append(text.substr(at));
            break;
        }
        out.append(text.substr(at, lt - at));
        at = lt;
        // Comments, CDATA, declarations and processing instructions pass as they are.
        static constexpr std::pair<std::string_view, std::string_view> kOpaque[] = {
            {"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<?", "?>"}, {"<!", ">"}, {"</", ">"}};
        bool opaque = false;
        for (const auto& [open, close] : kOpaque) {
            if (text.substr(at, open.size()) == open) {
                const std::size_t end = text.find(close, at + open.size());
                const std::size_t stop =
                    end == std::string_view::npos ? text.size() : end + close.size();
                out.append(text.substr(at, stop - at));
                at = stop;
                opaque = true;
                break;
            }
        }
        if (opaque) continue;
        out += '<';
        at = CopyTag(text, at + 1, out);
    }
    return out;
}

void RestoreAttributeNames(XMLElement* element) {
    for (; element != nullptr; element = element->NextSiblingElement()) {
        // From the first renamed attribute on, every attribute is taken off and
        // put back in order, so the names come back where they stood.
        std::vector<std::pair<std::string, std::string>> tail;
        for (const XMLAttribute* a = element->FirstAttribute(); a != nullptr; a = a->Next()) {
            const std::string_view name = a->Name();
            if (tail.empty() && name.substr(0, kDigitNamePrefix.size()) != kDigitNamePrefix) {
                continue;
            }
            tail.emplace_back(name, a->Value());
        }
        for (const auto& [name, value] : tail) element->DeleteAttribute(name.c_str());
        for (auto& [name, value] : tail) {
            if (std::string_view(name).substr(0, kDigitNamePrefix.size()) == kDigitNamePrefix) {
                name.erase(0, kDigitNamePrefix.size());
            }
            element->SetAttribute(name.c_str(), value.c_str());
        }
        RestoreAttributeNames(element->FirstChildElement());
    }
}

}  // namespace

std::string HexBytes(const std::uint8_t* data, std::size_t size) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        out += kDigits[data[i] >> 4];
        out += kDigits[data[i] & 0x0F];
    }
    return out;
}

std::vector<std::uint8_t> ParseHexBytes(std::string_view text, std::size_t maxBytes) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < text.size() && bytes.size() < maxBytes; i += 2) {
        const int hi = HexDigit(text[i]);
        const int lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) break;
        bytes.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
    }
    return bytes;
}

bool ReadOBJKEY(const XMLElement* element, OBJKEY& key) {
    if (element == nullptr) return false;
    OBJKEY k;
    QueryI32(element, "icolInd", k.icolInd);
    QueryU32(element, "dwData", k.dwData);
    QueryU32(element, "dwMask", k.dwMask);
    QueryU32(element, "dwMask2", k.dwMask2);
    // The compared range must lie within the eight data bytes.
    std::uint32_t start = 0, end = 0;
    QueryU32(element, "bStart", start);
    QueryU32(element, "bEnd", end);
    if (end > 8) end = 8;
    if (start > end) start = end;
    k.bStart = static_cast<std::uint8_t>(start);
    k.bEnd = static_cast<std::uint8_t>(end);
    if (const char* data = element->Attribute("bDataArr")) {
        const std::vector<std::uint8_t> bytes = ParseHexBytes(data, sizeof k.bDataArr);
        std::copy(bytes.begin(), bytes.end(), k.bDataArr);
    }
    // A buffer is kept only whole: it must hold the dwData bytes the key
    // promises; extra bytes are dropped with it kept, too few drop it.
    if (const char* buf = element->Attribute("pBuf")) {
        std::vector<std::uint8_t> bytes = ParseHexBytes(buf, k.dwData);
        if (bytes.size() == k.dwData) k.pBuf = std::move(bytes);
    }
    key = std::move(k);
    return true;
}

void WriteOBJKEY(XMLElement* element, const OBJKEY& key) {
    element->SetAttribute("icolInd", key.icolInd);
    element->SetAttribute("dwData", key.dwData);
    element->SetAttribute("dwMask", key.dwMask);
    element->SetAttribute("dwMask2", key.dwMask2);
    element->SetAttribute("bStart", static_cast<unsigned>(key.bStart));
    element->SetAttribute("bEnd", static_cast<unsigned>(key.bEnd));
    element->SetAttribute("bDataArr", HexBytes(key.bDataArr, sizeof key.bDataArr).c_str());
    if (!key.pBuf.empty()) {
        const std::size_t n = key.pBuf.size() < key.dwData ? key.pBuf.size() : key.dwData;
        element->SetAttribute("pBuf", HexBytes(key.pBuf.data(), n).c_str());
    }
}

bool ReadSendUnit(const XMLElement* element, tagSendUint& unit) {
    if (element == nullptr) return false;
    tagSendUint u;
    QueryI32(element, "iInterval", u.iInterval);
    QueryI32(element, "iTimes", u.iTimes);
    QueryI32(element, "len", u.len);
    QueryU8(element, "bIncreaseID", u.bIncreaseID);
    QueryU8(element, "bIncreaseData", u.bIncreaseData);
    if (const char* name = element->Attribute("szname")) u.SetName(name);
    for (const XMLElement* obj = element->FirstChildElement("obj"); obj != nullptr;
         obj = obj->NextSiblingElement("obj")) {
        _VCI_CAN_OBJ frame{};
        if (FrameFromHex(obj->Attribute("val"), frame)) u.pFrames.push_back(frame);
    }
    if (!u.pFrames.empty()) {
        // The frames present are the truth; a disagreeing count is not kept.
        u.len = static_cast<std::int32_t>(u.pFrames.size());
    } else {
        FrameFromHex(element->Attribute("obj"), u.obj);
        if (u.len < 0) u.len = 0;
        if (u.len > 1) u.len = 1;
    }
    unit = std::move(u);
    return true;
}

void WriteSendUnit(XMLElement* element, const tagSendUint& unit) {
    element->SetAttribute("iInterval", unit.iInterval);
    element->SetAttribute("iTimes", unit.iTimes);
    element->SetAttribute(
        "len", unit.pFrames.empty() ? unit.len : static_cast<std::int32_t>(unit.pFrames.size()));
    element->SetAttribute("bIncreaseID", static_cast<unsigned>(unit.bIncreaseID));
    element->SetAttribute("bIncreaseData", static_cast<unsigned>(unit.bIncreaseData));
    const std::string name(unit.Name());
    if (!name.empty()) element->SetAttribute("szname", name.c_str());
    if (unit.pFrames.empty()) {
        element->SetAttribute("obj", FrameHex(unit.obj).c_str());
        return;
    }
    for (const _VCI_CAN_OBJ& frame : unit.pFrames) {
        XMLElement* obj = element->InsertNewChildElement("obj");
        obj->SetAttribute("val", FrameHex(frame).c_str());
    }
}

void ReadSendList(const XMLElement* element, SendList& list) {
    list = SendList{};
    if (element == nullptr) return;
    QueryI32(element, "m_dwCycles", list.m_dwCycles);
    for (const XMLElement* e = element->FirstChildElement("tagSendUint"); e != nullptr;
         e = e->NextSiblingElement("tagSendUint")) {
        tagSendUint unit;
        if (ReadSendUnit(e, unit)) list.items.push_back(std::move(unit));
    }
}

void WriteSendList(XMLElement* element, const SendList& list) {
    element->SetAttribute("m_dwCycles", list.m_dwCycles);
    for (const tagSendUint& unit : list.items) {
        WriteSendUnit(element->InsertNewChildElement("tagSendUint"), unit);
    }
}

bool ParseSettingsDocument(std::string_view text, tinyxml2::XMLDocument& document) {
    document.Clear();
    const std::string legal = LegalizeAttributeNames(text);
    if (document.Parse(legal.data(), legal.size()) != tinyxml2::XML_SUCCESS) {
        document.Clear();
        return false;
    }
    RestoreAttributeNames(document.FirstChildElement());
    // Text between the groups belongs to none of them; tinyxml2 would add a
    // blank line to it on every save.
    for (tinyxml2::XMLNode* node = document.FirstChild(); node != nullptr;) {
        tinyxml2::XMLNode* next = node->NextSibling();
        if (node->ToText() != nullptr) document.DeleteNode(node);
        node = next;
    }
    return true;
}

}  // namespace name_share
