#include "app/analysis/rules/CellFields.h"

#include "app/analysis/rules/SearchConditions.h"
#include "share/FrameText.h"

namespace korvex {
namespace {

constexpr int kDataColumn = 7;
constexpr int kProbeFrames = 96;

// Frames with every field varied (a fixed sequence, so a decision is the same
// from run to run), on which what a kind assumes of a column's texts is
// checked against the texts themselves.
std::vector<_VCI_CAN_OBJ> ProbeFrames() {
    std::vector<_VCI_CAN_OBJ> frames;
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    const auto next = [&state] {
        state += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    };
    const std::uint32_t edgeIds[] = {0, 0x7FF, 0x1FFFFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
    for (int i = 0; i < kProbeFrames; ++i) {
        const std::uint64_t a = next();
        const std::uint64_t b = next();
        _VCI_CAN_OBJ f{};
        f.ID = i < 6 ? edgeIds[i] : static_cast<std::uint32_t>(a);
        f.TimeStamp = static_cast<std::uint32_t>(a >> 32);
        f.TimeFlag = static_cast<std::uint8_t>(b & 1);
        f.SendType = static_cast<std::uint8_t>(b >> 8);
        f.RemoteFlag = static_cast<std::uint8_t>(i % 3 == 0 ? b >> 16 : (b >> 16) & 1);
        f.ExternFlag = static_cast<std::uint8_t>(i % 5 == 0 ? b >> 24 : (b >> 24) & 1);
        f.DataLen = static_cast<std::uint8_t>(i % 7 == 0 ? b >> 32 : (b >> 32) % 9);
        for (int k = 0; k < 8; ++k) f.Data[k] = static_cast<std::uint8_t>(a >> (k * 8));
        f.Reserved[0] = static_cast<std::uint8_t>(i % 4 == 0 ? b >> 40 : 0);
        f.Reserved[1] = static_cast<std::uint8_t>(b >> 48);
        f.Reserved[2] = static_cast<std::uint8_t>(b >> 56);
        frames.push_back(f);
    }
    return frames;
}

}  // namespace

CCellFields::CCellFields(int column, const ExportRowContext& context) {
    if (column == kIdentifierColumn || column == kDataColumn) {
        const Kind assumed = column == kDataColumn ? Kind::kData : Kind::kIdentifier;
        kind = assumed;
        std::string text;
        std::string expected;
        for (const _VCI_CAN_OBJ& f : ProbeFrames()) {
            FormatCellText(0, f, column, context, text);
            expected.clear();
            AppendText(f, expected);
            if (text != expected) {
                kind = Kind::kNone;
                return;
            }
        }
        return;
    }
    if (PrepareByte(column, context)) kind = Kind::kByte;
}

void CCellFields::AppendText(const _VCI_CAN_OBJ& frame, std::string& out) const {
    switch (kind) {
        case Kind::kByte:
            out += byteTexts[ByteOf(frame)];
            break;
        case Kind::kIdentifier:
            if (EventCode(frame) == 0) {
                char text[10] = {'0', 'x'};
                name_share::WriteHex32(text + 2, frame.ID);
                out.append(text, sizeof text);
            }
            break;
        case Kind::kData:
            name_share::AppendData(out, frame, name_share::kBaseHex);
            break;
        case Kind::kNone:
            break;
    }
}

bool CCellFields::PrepareByte(int column, const ExportRowContext& context) {
    int values = 256;
    switch (column) {
        case kColumnFormat:
            byte = Byte::kRemote;
            values = 2;
            break;
        case kColumnType:
            byte = Byte::kExtended;
            values = 2;
            break;
        case kDataLengthColumn:
            byte = Byte::kLength;
            break;
        case kColumnRemark:
            byte = Byte::kEvent;
            break;
        default:
            return false;
    }
    // The text each value of the byte gives, on an otherwise empty frame.
    byteTexts.resize(static_cast<std::size_t>(values));
    for (int v = 0; v < values; ++v) {
        _VCI_CAN_OBJ probe{};
        const auto value = static_cast<std::uint8_t>(v);
        switch (byte) {
            case Byte::kRemote:
                probe.RemoteFlag = value;
                break;
            case Byte::kExtended:
                probe.ExternFlag = value;
                break;
            case Byte::kLength:
                probe.DataLen = value;
                break;
            case Byte::kEvent:
                probe.Reserved[0] = value;
                break;
        }
        FormatCellText(0, probe, column, context, byteTexts[static_cast<std::size_t>(v)]);
    }
    std::string text;
    for (const _VCI_CAN_OBJ& f : ProbeFrames()) {
        FormatCellText(0, f, column, context, text);
        if (text != byteTexts[ByteOf(f)]) return false;
    }
    return true;
}

}  // namespace korvex
