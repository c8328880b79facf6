#include "protolens/CANDataAnaly.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "share/FrameText.h"

namespace protolens {
namespace {

constexpr int kColumnId = 3;
constexpr int kColumnFormat = 4;
constexpr int kColumnType = 5;
constexpr int kColumnLength = 6;
constexpr int kColumnData = 7;

// Identifiers are shown with 29 binary digits, the width of an extended one.
constexpr int kIdBinaryWidth = 29;

// The word as "%.*s" would print it into a buffer of N bytes: cut at its
// first zero byte and at N - 1 bytes, then terminated.
template <std::size_t N>
void PutText(char (&buffer)[N], std::string_view text) {
    std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    if (const void* zero = std::memchr(text.data(), 0, n)) {
        n = static_cast<std::size_t>(static_cast<const char*>(zero) - text.data());
    }
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

// "0x%08X" of value.
void PutHex32(char* out, std::uint32_t value) {
    out[0] = '0';
    out[1] = 'x';
    *name_share::WriteHex32(out + 2, value) = '\0';
}

// "0x%02X" of a byte.
void PutHex8(char* out, std::uint8_t value) {
    out[0] = '0';
    out[1] = 'x';
    *name_share::WriteHexByte(out + 2, value) = '\0';
}

// "0b" and width binary digits.
void PutBinary(char* out, std::uint32_t value, int width) {
    out[0] = '0';
    out[1] = 'b';
    *name_share::WriteBinary(out + 2, value, width) = '\0';
}

// "%d" of value; an int always fits the buffer.
template <std::size_t N>
void PutDecimal(char (&buffer)[N], int value) {
    *std::to_chars(buffer, buffer + N - 1, value).ptr = '\0';
}

// The data text of frame in base, terminated.
template <std::size_t N>
void PutData(char (&buffer)[N], const _VCI_CAN_OBJ& frame, int base) {
    static_assert(N > name_share::kMaxDataText);
    buffer[name_share::WriteData(buffer, frame, base)] = '\0';
}

// The text after its first two characters (the "0x" or "0b" that the
// identifier and length texts carry); empty for a shorter text.
const char* AfterPrefix(const char* text) {
    return text + ::strnlen(text, 2);
}

// "%x": leading blanks, optional sign and 0x, hexadecimal digits; the value is
// kept to its low 32 bits. False when no digit was read.
bool ScanHex(const char* text, std::uint32_t& value) {
    char* end = nullptr;
    const unsigned long v = std::strtoul(text, &end, 16);
    if (end == text) return false;
    value = static_cast<std::uint32_t>(v);
    return true;
}

// "%d", kept to its low 32 bits. False when no digit was read.
bool ScanDecimal(const char* text, std::uint32_t& value) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text) return false;
    value = static_cast<std::uint32_t>(v);
    return true;
}

// Leading binary digits, most significant first. False when there is none.
bool ScanBinary(const char* text, std::uint32_t& value) {
    std::uint32_t v = 0;
    const char* p = text;
    for (; *p == '0' || *p == '1'; ++p) v = (v << 1) | static_cast<std::uint32_t>(*p - '0');
    if (p == text) return false;
    value = v;
    return true;
}

// The text buffers of one thread. The program links the plug-in at start,
// so the initial-exec model reaches them without a call.
struct ThreadTexts {
    char texts[CCANDataAnaly::kTextCount][CCANDataAnaly::kTextSize];
    char* pointers[CCANDataAnaly::kTextCount];
    char part[CCANDataAnaly::kTextSize];
};
thread_local ThreadTexts threadTexts __attribute__((tls_model("initial-exec")));

}  // namespace

CCANDataAnaly::CCANDataAnaly(CPluginContext& context) : context_(context) {}

int CCANDataAnaly::AnalyCANFrame(const _VCI_CAN_OBJ* frame, char*** texts, int* count) {
    auto& buffers = threadTexts.texts;
    for (std::size_t i = 0; i < kTextCount; ++i) threadTexts.pointers[i] = buffers[i];
    if (texts != nullptr) *texts = threadTexts.pointers;
    if (count != nullptr) *count = static_cast<int>(kFilledTexts);
    if (frame == nullptr) return 1;
    const _VCI_CAN_OBJ& f = *frame;
    switch (Channel().display.bShowType) {
        case 0:
        case name_share::kBaseHex:
            PutHex32(buffers[0], f.ID);
            PutHex8(buffers[3], f.DataLen);
            PutData(buffers[4], f, name_share::kBaseHex);
            break;
        case name_share::kBaseBinary:
            PutBinary(buffers[0], f.ID, kIdBinaryWidth);
            PutBinary(buffers[3], f.DataLen, 8);
            PutData(buffers[4], f, name_share::kBaseBinary);
            break;
        case name_share::kBaseDecimal:
            // "%d" of the identifier: one above 0x7FFFFFFF reads as negative.
            PutDecimal(buffers[0], static_cast<int>(f.ID));
            PutDecimal(buffers[3], f.DataLen);
            PutData(buffers[4], f, name_share::kBaseDecimal);
            break;
        default:
            // An unknown format leaves the previous call's texts in place.
            break;
    }
    PutText(buffers[1], f.RemoteFlag != 0 ? context_.words.remote : context_.words.data);
    PutText(buffers[2], f.ExternFlag != 0 ? context_.words.extended : context_.words.standard);
    return 1;
}

int CCANDataAnaly::AnalyPartofCANFrame(const _VCI_CAN_OBJ* frame, char** text, int column) {
    auto& part = threadTexts.part;
    if (text != nullptr) *text = part;
    if (frame == nullptr) return 1;
    const _VCI_CAN_OBJ& f = *frame;
    // Always hexadecimal: these texts are what the list draws, searches and
    // classifies, whatever the display format.
    switch (column) {
        case kColumnId:
            if (korvex::EventCode(f) != 0) {
                part[0] = '\0';
            } else {
                PutHex32(part, f.ID);
            }
            break;
        case kColumnFormat:
            PutText(part, f.RemoteFlag != 0 ? context_.words.remote : context_.words.data);
            break;
        case kColumnType:
            PutText(part, f.ExternFlag != 0 ? context_.words.extended : context_.words.standard);
            break;
        case kColumnLength:
            PutHex8(part, f.DataLen);
            break;
        case kColumnData:
            PutData(part, f, name_share::kBaseHex);
            break;
        default:
            break;
    }
    return 1;
}

bool CCANDataAnaly::MatchesAll(const OBJKEY& key, const std::vector<OBJKEY>& extraKeys,
                               const _VCI_CAN_OBJ& frame) {
    CCANGlobal& global = Global();
    if (global.IsOBJKeyEqual(&key, &frame) == 0) return false;
    for (const OBJKEY& extra : extraKeys) {
        if (global.IsOBJKeyEqual(&extra, &frame) == 0) return false;
    }
    return true;
}

void CCANDataAnaly::PostToHost(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    if (context_.msgWnd != nullptr) context_.msgWnd->PostMessage(msg, wParam, lParam);
}

int CCANDataAnaly::OnReceiveNewCANFrame(const _VCI_CAN_OBJ* frames, int count) {
    TriggerSettings& triggers = Channel().trigger;
    if (triggers.bEnableTrigger == 0 || triggers.vecTrigger.empty()) return 1;
    if (frames == nullptr) return 1;
    for (int n = 0; n < count; ++n) {
        const _VCI_CAN_OBJ& frame = frames[n];
        for (std::size_t i = 0; i < triggers.vecTrigger.size(); ++i) {
            Trigger& trigger = triggers.vecTrigger[i];
            if (!MatchesAll(trigger.key, trigger.extraKeys, frame)) continue;
            switch (trigger.m_TriggerType) {
                case kTriggerSetFlag:
                    Global().bTriggerFired = 1;
                    break;
                case kTriggerSendEntry:
                    // The host sends the list from its first cycle.
                    trigger.m_TriggerSend.m_dwCycles = 0;
                    PostToHost(kMsgTriggerSend,
                               reinterpret_cast<std::uintptr_t>(&trigger.m_TriggerSend), iCANInd);
                    break;
                case kTriggerSendFile:
                    PostToHost(kMsgTriggerFile, static_cast<std::uintptr_t>(iCANInd),
                               static_cast<std::intptr_t>(i));
                    break;
                default:
                    break;
            }
        }
    }
    return 1;
}

int CCANDataAnaly::IsCanShow(const _VCI_CAN_OBJ* frame, int mode) {
    if (frame == nullptr) return 0;
    const ChannelSettings& display = Channel().display;
    if (mode == 1 && display.bShowSend == 0) return 0;
    if (display.vecFilterShow.empty()) return 1;
    // The first matching rule decides. A frame that no rule matches is shown
    // only when every rule is a hide rule (decision still 0 at the end).
    std::uint32_t decision = 0;
    for (const FilterRule& rule : display.vecFilterShow) {
        if (decision == 0) decision = rule.key.dwMask2;
        if (MatchesAll(rule.key, rule.extraKeys, *frame)) return static_cast<int>(rule.key.dwMask2);
    }
    return decision == 0 ? 1 : 0;
}

int CCANDataAnaly::IsOBJKeyEqual(const OBJKEY* key, const _VCI_CAN_OBJ* frame) {
    return Global().IsOBJKeyEqual(key, frame);
}

int CCANDataAnaly::AnalyProtocolFrame(const char* const* texts, _VCI_CAN_OBJ* out) {
    if (texts == nullptr || out == nullptr) return 1;
    const auto text = [texts](std::size_t i) { return texts[i] != nullptr ? texts[i] : ""; };
    const char* id = text(0);
    const char* length = text(3);
    const char* data = text(4);
    out->RemoteFlag = context_.words.data == text(1) ? 0 : 1;
    out->ExternFlag = context_.words.standard == text(2) ? 0 : 1;

    int base = 0;
    bool (*scan)(const char*, std::uint32_t&) = nullptr;
    switch (Channel().display.bShowType) {
        case 0:
        case name_share::kBaseHex:
            base = name_share::kBaseHex;
            scan = ScanHex;
            id = AfterPrefix(id);
            length = AfterPrefix(length);
            break;
        case name_share::kBaseBinary:
            base = name_share::kBaseBinary;
            scan = ScanBinary;
            id = AfterPrefix(id);
            length = AfterPrefix(length);
            break;
        case name_share::kBaseDecimal:
            base = name_share::kBaseDecimal;
            scan = ScanDecimal;
            break;
        default:
            return 1;
    }
    scan(id, out->ID);
    std::uint32_t dlc = out->DataLen;
    if (scan(length, dlc)) out->DataLen = static_cast<std::uint8_t>(dlc);
    // A remote frame has no data text; its length is the requested one and
    // must not be cut to the (empty) data.
    if (out->RemoteFlag == 0) Global().ParseData(data, out, base);
    return 1;
}

std::uint8_t CCANDataAnaly::TriggerFlag(bool set, std::uint8_t value) {
    if (set) Global().bTriggerFired = value;
    return Global().bTriggerFired;
}

}  // namespace protolens
