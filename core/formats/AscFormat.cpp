#include "core/formats/AscFormat.h"

#include <linux/can.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

#include "core/FrameLines.h"
#include "core/formats/ErrorFrameMap.h"
#include "core/formats/LogStart.h"
#include "core/formats/TextDigits.h"
#include "core/formats/TextLogRead.h"
#include "core/formats/TextTokens.h"

namespace korvex::formats {
namespace {

constexpr std::array<std::string_view, 7> kWeekdays = {"Sun", "Mon", "Tue", "Wed",
                                                       "Thu", "Fri", "Sat"};
constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
// The frame and comment lines the writer makes are shorter than this.
constexpr std::size_t kLineMax = 160;

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Month names in English and the German ones that differ (loggers on German
// systems write those).
int MonthOf(std::string_view name) {
    if (name.size() < 3) return 0;
    const std::string_view head = name.substr(0, 3);
    for (std::size_t i = 0; i < kMonths.size(); ++i)
        if (SameText(head, kMonths[i])) return static_cast<int>(i) + 1;
    static constexpr std::array<std::pair<std::string_view, int>, 5> kGerman = {
        {{"Mrz", 3}, {"M\xC3\xA4", 3}, {"Mai", 5}, {"Okt", 10}, {"Dez", 12}}};
    for (const auto& [german, month] : kGerman)
        if (name.substr(0, german.size()) == german) return month;
    return 0;
}

// "hh:mm:ss" or "hh:mm:ss.mmm" into its parts.
bool ParseClock(std::string_view text, int& h, int& m, int& s, int& ms) {
    const std::size_t c1 = text.find(':');
    const std::size_t c2 = c1 == std::string_view::npos ? c1 : text.find(':', c1 + 1);
    if (c2 == std::string_view::npos) return false;
    const std::size_t dot = text.find('.', c2);
    const auto hour = ParseDecimal(text.substr(0, c1), 23);
    const auto minute = ParseDecimal(text.substr(c1 + 1, c2 - c1 - 1), 59);
    const auto second = ParseDecimal(text.substr(c2 + 1, dot - c2 - 1), 59);
    if (!hour || !minute || !second) return false;
    h = static_cast<int>(*hour);
    m = static_cast<int>(*minute);
    s = static_cast<int>(*second);
    ms = 0;
    if (dot != std::string_view::npos) {
        const std::string_view digits = text.substr(dot + 1);
        if (digits.empty() || digits.size() > 9) return false;
        const auto v = ParseDecimal(digits, 999999999);
        if (!v) return false;
        std::uint32_t scaled = *v;
        for (std::size_t i = digits.size(); i > 3; --i) scaled /= 10;
        for (std::size_t i = digits.size(); i < 3; ++i) scaled *= 10;
        ms = static_cast<int>(scaled);
    }
    return true;
}

char* PutText(char* out, std::string_view text) {
    for (char c : text) *out++ = c;
    return out;
}

char* PutPadded(char* out, const char* start, std::size_t width) {
    while (static_cast<std::size_t>(out - start) < width) *out++ = ' ';
    return out;
}

// The time column: seconds with six decimals, right-aligned in 11 characters.
char* PutAscTime(char* out, Ticks time) {
    char digits[32];
    const std::size_t n = static_cast<std::size_t>(PutSeconds(digits, time) - digits);
    for (std::size_t i = n; i < 11; ++i) *out++ = ' ';
    return PutText(out, std::string_view(digits, n));
}

char* PutAscFrame(char* out, Ticks time, int channel, const _VCI_CAN_OBJ& f) {
    out = PutAscTime(out, time);
    *out++ = ' ';
    out = PutDecimal(out, static_cast<std::uint64_t>(channel));
    out = PutText(out, "  ");
    if (EventCode(f) != 0) return PutText(out, "ErrorFrame\n");
    const char* column = out;
    if (f.ExternFlag) {
        out = PutHex(out, f.ID & CAN_EFF_MASK, 8);
        *out++ = 'x';
    } else {
        out = PutHex(out, f.ID & CAN_SFF_MASK, 3);
    }
    out = PutPadded(out, column, 15);
    *out++ = ' ';
    out = PutText(out, f.SendType == kSendTypeTransmitted ? "Tx   " : "Rx   ");
    const int length = f.DataLen < 8 ? f.DataLen : 8;
    *out++ = f.RemoteFlag ? 'r' : 'd';
    *out++ = ' ';
    *out++ = static_cast<char>('0' + length);
    if (!f.RemoteFlag) {
        for (int i = 0; i < length; ++i) {
            *out++ = ' ';
            out = PutHexByte(out, f.Data[i]);
        }
    }
    *out++ = '\n';
    return out;
}

// What a frame line holds: a frame, a transmit request (read as a
// transmitted frame), either of them on a CAN FD line, an error frame, a CAN
// FD frame too long for the frame record, or nothing readable.
enum class FrameParse { kFrame, kTxRequest, kFdFrame, kFdTxRequest, kError, kLongFd, kBad };

constexpr std::uint32_t kAscFdFrameFlag = 0x1000;

bool ParseDirection(std::string_view direction, _VCI_CAN_OBJ& f, FrameParse& read,
                    std::string_view& reason) {
    if (SameText(direction, "TxRq")) {
        read = read == FrameParse::kFdFrame ? FrameParse::kFdTxRequest : FrameParse::kTxRequest;
        f.SendType = kSendTypeTransmitted;
    } else if (SameText(direction, "Tx")) {
        f.SendType = kSendTypeTransmitted;
    } else if (!SameText(direction, "Rx")) {
        reason = "direction is not Rx, Tx or TxRq";
        return false;
    }
    return true;
}

bool ParseAscIdentifier(std::string_view idText, bool decimal, _VCI_CAN_OBJ& f) {
    if (!idText.empty() && (idText.back() == 'x' || idText.back() == 'X')) {
        f.ExternFlag = 1;
        idText.remove_suffix(1);
    }
    const std::uint32_t max = f.ExternFlag ? CAN_EFF_MASK : CAN_SFF_MASK;
    const auto id = decimal ? ParseDecimal(idText, max) : ParseHex(idText, max);
    if (!id) return false;
    f.ID = *id;
    return true;
}

// Reads the frame part of a line after its time and channel: identifier,
// direction, type, length, data, then the optional "Length = ..." fields.

FrameParse ParseAscFrame(std::string_view idText, std::string_view rest, bool decimal,
                         _VCI_CAN_OBJ& f, std::string_view& reason) {
    f = _VCI_CAN_OBJ{};
    if (!ParseAscIdentifier(idText, decimal, f)) {
        reason = "bad identifier";
        return FrameParse::kBad;
    }
    FrameParse read = FrameParse::kFrame;
    if (!ParseDirection(NextToken(rest), f, read, reason)) return FrameParse::kBad;
    const std::string_view type = NextToken(rest);
    std::string_view lengthText = NextToken(rest);
    const auto lengthOf = [decimal](std::string_view text) {
        return decimal ? ParseDecimal(text, 15) : ParseHex(text, 15);
    };
    if (SameText(type, "r")) {
        f.RemoteFlag = 1;
        if (!lengthText.empty() && lengthText != "Length") {
            const auto length = lengthOf(lengthText);
            if (!length) {
                reason = "bad length";
                return FrameParse::kBad;
            }
            f.DataLen = static_cast<std::uint8_t>(std::min<std::uint32_t>(*length, 8));
            lengthText = NextToken(rest);
        }
    } else if (SameText(type, "d")) {
        const auto length = lengthOf(lengthText);
        if (!length) {
            reason = "bad length";
            return FrameParse::kBad;
        }
        f.DataLen = static_cast<std::uint8_t>(std::min<std::uint32_t>(*length, 8));
        for (int i = 0; i < f.DataLen; ++i) {
            const std::string_view byteText = NextToken(rest);
            const auto byte = decimal ? ParseDecimal(byteText, 255) : ParseHex(byteText, 255);
            if (!byte) {
                reason = byteText.empty() ? "fewer data bytes than the length" : "bad data byte";
                return FrameParse::kBad;
            }
            f.Data[i] = static_cast<std::uint8_t>(*byte);
        }
        lengthText = NextToken(rest);
    } else {
        reason = "frame type is not d or r";
        return FrameParse::kBad;
    }
    // Newer loggers add "Length = 240015 BitCount = 124 ID = 291x"; any
    // further fields are theirs too.
    if (!lengthText.empty() && lengthText != "Length") {
        reason = "unexpected text after the data";
        return FrameParse::kBad;
    }
    return read;
}

// "CANFD" lines after the channel: direction, identifier, an optional
// symbolic name, bit-rate switch, error state, DLC, data length, the data,
// then the frame's duration, length in bits and flags (0x1000: a CAN FD
// frame rather than a classic one).
FrameParse ParseAscFdFrame(std::string_view rest, bool decimal, _VCI_CAN_OBJ& f,
                           std::string_view& reason) {
    f = _VCI_CAN_OBJ{};
    FrameParse read = FrameParse::kFdFrame;
    if (!ParseDirection(NextToken(rest), f, read, reason)) return FrameParse::kBad;
    std::string_view idText = NextToken(rest);
    if (SameText(idText, "ErrorFrame")) return FrameParse::kError;
    if (!ParseAscIdentifier(idText, decimal, f)) {
        reason = "bad identifier";
        return FrameParse::kBad;
    }
    const auto isBit = [](std::string_view t) { return t == "0" || t == "1"; };
    std::string_view brs = NextToken(rest);
    if (!isBit(brs)) brs = NextToken(rest);  // after the symbolic name
    const std::string_view esi = NextToken(rest);
    const auto dlc = decimal ? ParseDecimal(NextToken(rest), 15) : ParseHex(NextToken(rest), 15);
    const auto length = ParseDecimal(NextToken(rest), 64);
    if (!isBit(brs) || !isBit(esi) || !dlc || !length) {
        reason = "bit-rate switch, error state, DLC or data length not understood";
        return FrameParse::kBad;
    }
    if (*length > 8) return FrameParse::kLongFd;
    f.DataLen = static_cast<std::uint8_t>(*length);
    for (int i = 0; i < f.DataLen; ++i) {
        const std::string_view byteText = NextToken(rest);
        const auto byte = decimal ? ParseDecimal(byteText, 255) : ParseHex(byteText, 255);
        if (!byte) {
            reason = byteText.empty() ? "fewer data bytes than the length" : "bad data byte";
            return FrameParse::kBad;
        }
        f.Data[i] = static_cast<std::uint8_t>(*byte);
    }
    // No data with a DLC: a classic remote frame on a CAN FD channel.
    if (*length == 0 && *dlc > 0) {
        f.RemoteFlag = 1;
        f.DataLen = static_cast<std::uint8_t>(std::min<std::uint32_t>(*dlc, 8));
    }
    NextToken(rest);
    NextToken(rest);
    const auto flags = ParseHex(NextToken(rest), 0xFFFFFFFF);
    if (f.RemoteFlag || (flags && (*flags & kAscFdFrameFlag) == 0)) {
        if (read == FrameParse::kFdFrame) read = FrameParse::kFrame;
        if (read == FrameParse::kFdTxRequest) read = FrameParse::kTxRequest;
    }
    return read;
}

// How the header says times and numbers are written.
struct AscHeader {
    bool decimal = false;
    bool relative = false;
    std::optional<Ticks> dateLine;
    std::optional<Ticks> triggerBlock;  // the first block's
    // Some writers put the time of writing on the date line and the first
    // frame's time on the trigger block line; the block is right for both.
    Ticks Start() const { return triggerBlock.value_or(dateLine.value_or(0)); }
};

// A header line (true), read into the header; false for any other line.
bool ReadHeaderLine(std::string_view line, const ReadOptions& options, AscHeader& header,
                    CTextLogRead& read) {
    std::string_view rest = line;
    const std::string_view first = NextToken(rest);
    if (first.substr(0, 2) == "//") return true;
    if (SameText(first, "date")) {
        const std::optional<Ticks> start = ParseAscDate(rest, options.utc);
        if (!start) {
            read.Bad("date not understood; times count from 1970");
        } else if (!header.dateLine) {
            header.dateLine = start;
        }
        return true;
    }
    if (SameText(first, "base")) {
        for (std::string_view word = NextToken(rest); !word.empty(); word = NextToken(rest)) {
            if (SameText(word, "dec")) header.decimal = true;
            if (SameText(word, "hex")) header.decimal = false;
            if (SameText(word, "relative")) header.relative = true;
            if (SameText(word, "absolute")) header.relative = false;
        }
        return true;
    }
    if (SameText(first, "internal") || SameText(first, "no")) return true;
    if (SameText(first, "Begin")) {
        NextToken(rest);
        if (!header.triggerBlock) header.triggerBlock = ParseAscDate(rest, options.utc);
        return true;
    }
    return SameText(first, "End");
}

}  // namespace

std::string AscDateText(Ticks time, bool utc) {
    const std::int64_t seconds = time / kTicksPerSecond;
    const CivilTime c = CivilFromSeconds(seconds, utc);
    const int ms = static_cast<int>(time % kTicksPerSecond / 10);
    char text[64];
    char* out = PutText(text, kWeekdays[static_cast<std::size_t>(c.weekday)]);
    *out++ = ' ';
    out = PutText(out, kMonths[static_cast<std::size_t>(c.month - 1)]);
    *out++ = ' ';
    out = PutDecimal(out, static_cast<std::uint64_t>(c.day), 2);
    *out++ = ' ';
    const int hour12 = c.hour % 12 == 0 ? 12 : c.hour % 12;
    out = PutDecimal(out, static_cast<std::uint64_t>(hour12), 2);
    *out++ = ':';
    out = PutDecimal(out, static_cast<std::uint64_t>(c.minute), 2);
    *out++ = ':';
    out = PutDecimal(out, static_cast<std::uint64_t>(c.second), 2);
    *out++ = '.';
    out = PutDecimal(out, static_cast<std::uint64_t>(ms), 3);
    out = PutText(out, c.hour < 12 ? " am " : " pm ");
    out = PutDecimal(out, static_cast<std::uint64_t>(c.year));
    return std::string(text, out);
}

std::optional<Ticks> ParseAscDate(std::string_view text, bool utc) {
    std::string_view rest = text;
    std::string_view word = NextToken(rest);
    if (!word.empty() && MonthOf(word) == 0) word = NextToken(rest);  // the weekday
    CivilTime c;
    c.month = MonthOf(word);
    const auto day = ParseDecimal(NextToken(rest), 31);
    int ms = 0;
    if (c.month == 0 || !day || !ParseClock(NextToken(rest), c.hour, c.minute, c.second, ms))
        return std::nullopt;
    c.day = static_cast<int>(*day);
    std::string_view yearText = NextToken(rest);
    const bool am = SameText(yearText, "am");
    const bool pm = SameText(yearText, "pm");
    if (am || pm) {
        if (c.hour < 1 || c.hour > 12) return std::nullopt;
        c.hour = c.hour % 12 + (pm ? 12 : 0);
        yearText = NextToken(rest);
    }
    const auto year = ParseDecimal(yearText, 9999);
    if (!year || !NextToken(rest).empty()) return std::nullopt;
    c.year = static_cast<int>(*year);
    const auto seconds = SecondsFromCivil(c, utc);
    if (!seconds) return std::nullopt;
    return *seconds * kTicksPerSecond + ms * 10;
}

ReadResult ReadAsc(std::FILE* file, const ReadOptions& options, CRecording& out,
                   const BadLineFn& badLine) {
    CTextLogRead read(file, options, out, badLine);
    AscHeader header;
    Ticks previous = 0;
    std::string_view line;
    std::string_view reason;
    _VCI_CAN_OBJ frame;
    while (read.Next(line)) {
        std::string_view rest = line;
        const std::string_view timeText = NextToken(rest);
        if (timeText.empty()) continue;
        const std::optional<Ticks> time = ParseSeconds(timeText);
        if (!time) {
            if (!ReadHeaderLine(line, options, header, read)) read.Bad("not a line of the log");
            continue;
        }
        const Ticks lineTime = header.relative ? previous + *time : *time;
        previous = lineTime;
        const std::string_view second = NextToken(rest);
        if (second.empty()) {
            read.Bad("nothing after the time");
            continue;
        }
        const bool fdLine = SameText(second, "CANFD");
        const auto channel = ParseDecimal(fdLine ? NextToken(rest) : second, 0xFFFF);
        // Measurement start, logger status ("CAN 1 Status:"), triggers and
        // other events of the logger itself carry no frame.
        if (!channel) {
            if (fdLine) {
                read.Bad("bad channel");
            } else if (!SameText(second, "Start")) {
                read.SkipOther();
            }
            continue;
        }
        FrameParse parse;
        if (fdLine) {
            parse = ParseAscFdFrame(rest, header.decimal, frame, reason);
        } else {
            const std::string_view third = NextToken(rest);
            if (SameText(third, "ErrorFrame")) {
                parse = FrameParse::kError;
            } else if (third.empty() || third.back() == ':') {
                parse = FrameParse::kBad;
                reason = {};  // "1 Statistic: D 0 R 0 ..." and the like
            } else {
                parse = ParseAscFrame(third, rest, header.decimal, frame, reason);
            }
        }
        switch (parse) {
            case FrameParse::kBad:
                if (reason.empty()) {
                    read.SkipOther();
                } else {
                    read.Bad(reason);
                }
                continue;
            case FrameParse::kLongFd:
                read.SkipLongFd(static_cast<std::uint16_t>(*channel));
                continue;
            case FrameParse::kError:
                frame = _VCI_CAN_OBJ{};
                frame.Reserved[0] = kBusErrorEvent;
                break;
            case FrameParse::kFdTxRequest:
                read.CountShortFd(static_cast<std::uint16_t>(*channel));
                read.CountTxRequest(static_cast<std::uint16_t>(*channel));
                break;
            case FrameParse::kFdFrame:
                read.CountShortFd(static_cast<std::uint16_t>(*channel));
                break;
            case FrameParse::kTxRequest:
                read.CountTxRequest(static_cast<std::uint16_t>(*channel));
                break;
            case FrameParse::kFrame:
                break;
        }
        read.AddOnChannel(header.Start() + lineTime, frame, static_cast<std::uint16_t>(*channel));
    }
    return read.Finish();
}

bool WriteAsc(std::FILE* file, const WriteSource& source, const WriteOptions& options) {
    const bool withEvents = !options.noEvents;
    const CFrameClock clock(source.origTimeList, options.utc);
    const Ticks start = LogStartTime(source, clock, withEvents, options.split);
    const std::string date = AscDateText(start, options.utc);
    std::string header = "date " + date + "\nbase hex  timestamps absolute\n";
    header += withEvents ? "internal events logged\n" : "no internal events logged\n";
    header += "Begin TriggerBlock " + date + "\n   0.000000 Start of measurement\n";
    if (std::fwrite(header.data(), 1, header.size(), file) != header.size()) return false;
    // A span comment goes before a frame whose clock index differs from the
    // previous logged frame's. A block cannot know the frame before it, so it
    // writes the comment of its first frame, and the merge drops that comment
    // when the previous block ended in the same clock index.
    struct Lines {
        std::string text;
        int firstClock = -1;  // of the block's first logged frame; -1: none
        int lastClock = -1;   // of its last
        std::size_t firstCommentEnd = 0;
    };
    const CCycleBuffer<_VCI_CAN_OBJ>::CView frames = source.frameStore.View();
    int lastClock = -1;
    const bool written = RunSplitPass<Lines>(
        frames.Count(), options.split,
        [&](std::int64_t begin, std::int64_t end, Lines& lines) {
            lines.text.clear();
            lines.firstClock = lines.lastClock = -1;
            lines.firstCommentEnd = 0;
            frames.ForEachRun(begin, end, [&](std::int64_t first, const _VCI_CAN_OBJ* run, int n) {
                for (int i = 0; i < n; ++i) {
                    const _VCI_CAN_OBJ& frame = run[i];
                    if (!IsLoggedRecord(frame, withEvents)) continue;
                    const std::uint8_t k = ClockIndex(frame);
                    if (k != lines.lastClock) {
                        lines.lastClock = k;
                        const std::optional<Ticks> span = clock.EntryTime(k);
                        if (span && k < 0x80) {
                            AppendPut(lines.text, kLineMax, [&](char* at) {
                                at = PutText(at, "// recording span ");
                                at = PutDecimal(at, k + 1u);
                                at = PutText(at, " at ");
                                at = PutText(at, AscDateText(*span, options.utc));
                                *at++ = '\n';
                                return at;
                            });
                        }
                        if (lines.firstClock < 0) {
                            lines.firstClock = k;
                            lines.firstCommentEnd = lines.text.size();
                        }
                    }
                    AppendPut(lines.text, kLineMax, [&](char* at) {
                        return PutAscFrame(at, clock.AbsoluteTime(frame) - start,
                                           ChannelOf(source, first + i), frame);
                    });
                }
            });
        },
        [&](std::int64_t, std::int64_t, const Lines& lines) {
            const std::size_t skip =
                lines.firstClock >= 0 && lines.firstClock == lastClock ? lines.firstCommentEnd : 0;
            if (lines.lastClock >= 0) lastClock = lines.lastClock;
            const std::size_t n = lines.text.size() - skip;
            return std::fwrite(lines.text.data() + skip, 1, n, file) == n;
        });
    constexpr std::string_view kEnd = "End TriggerBlock\n";
    return written && std::fwrite(kEnd.data(), 1, kEnd.size(), file) == kEnd.size() &&
           std::fflush(file) == 0;
}

}  // namespace korvex::formats
