#include <array>
#include <charconv>
#include <cmath>
#include <mutex>

#include "core/EventTexts.h"
#include "core/formats/CsvFormat.h"
#include "core/formats/ErrorFrameMap.h"
#include "core/formats/TextDigits.h"
#include "core/formats/TextLogRead.h"
#include "core/formats/TextTokens.h"

namespace korvex::formats {
namespace {

constexpr std::size_t kMaxFields = 16;
constexpr std::size_t kPythonCanFields = 7;
// The program's CSV: row, time, alias, identifier, format, type, length,
// data, remark.
constexpr std::size_t kOwnFields = 9;
constexpr std::size_t kMaxFdBytes = 64;

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// The fields of one record, unquoted; views into the line or into `unquoted`.
struct Fields {
    std::array<std::string_view, kMaxFields> field;
    std::size_t count = 0;
    std::string unquoted;
};

// Splits a whole record (quotes balanced); false for more fields than kept or
// text after a closing quote.
bool SplitRecord(std::string_view record, Fields& out) {
    out.count = 0;
    out.unquoted.clear();
    out.unquoted.reserve(record.size());
    std::size_t i = 0;
    for (;;) {
        if (out.count == kMaxFields) return false;
        std::string_view value;
        if (i < record.size() && record[i] == '"') {
            const std::size_t begin = out.unquoted.size();
            ++i;
            for (;;) {
                const std::size_t quote = record.find('"', i);
                if (quote == std::string_view::npos) return false;
                out.unquoted.append(record.substr(i, quote - i));
                i = quote + 1;
                if (i < record.size() && record[i] == '"') {
                    out.unquoted += '"';
                    ++i;
                    continue;
                }
                break;
            }
            value = std::string_view(out.unquoted).substr(begin);
            if (i < record.size() && record[i] != ',') return false;
        } else {
            const std::size_t comma = record.find(',', i);
            const std::size_t end = comma == std::string_view::npos ? record.size() : comma;
            value = record.substr(i, end - i);
            i = end;
        }
        out.field[out.count++] = value;
        if (i >= record.size()) return true;
        ++i;  // the comma
    }
}

std::size_t QuoteCount(std::string_view text) {
    std::size_t n = 0;
    for (char c : text) n += c == '"';
    return n;
}

// Seconds, possibly with an exponent, rounded to the nearest 0.1 ms: the
// text of a binary float, whose last digits are noise.
std::optional<Ticks> ParseFloatSeconds(std::string_view text) {
    double seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size() || !(seconds >= 0) ||
        seconds > static_cast<double>(kLastTime / kTicksPerSecond))
        return std::nullopt;
    return std::llround(seconds * kTicksPerSecond);
}

std::optional<bool> ParseFlag(std::string_view text) {
    if (text == "1") return true;
    if (text == "0") return false;
    return std::nullopt;
}

// "H:MM:SS.mmm.t", the time column in either mode (hours unbounded).
std::optional<Ticks> ParseTimeText(std::string_view text) {
    const std::size_t c1 = text.find(':');
    if (c1 == std::string_view::npos || text.size() != c1 + 12 || text[c1 + 3] != ':' ||
        text[c1 + 6] != '.' || text[c1 + 10] != '.')
        return std::nullopt;
    const auto hours = ParseDecimal(text.substr(0, c1), 999999);
    const auto minutes = ParseDecimal(text.substr(c1 + 1, 2), 59);
    const auto seconds = ParseDecimal(text.substr(c1 + 4, 2), 59);
    const auto ms = ParseDecimal(text.substr(c1 + 7, 3), 999);
    const auto tenth = ParseDecimal(text.substr(c1 + 11, 1), 9);
    if (!hours || !minutes || !seconds || !ms || !tenth) return std::nullopt;
    return ((static_cast<Ticks>(*hours) * 60 + *minutes) * 60 + *seconds) * kTicksPerSecond +
           *ms * 10 + *tenth;
}

std::optional<std::uint32_t> ParseBinary(std::string_view digits, std::uint32_t max) {
    if (digits.empty() || digits.size() > 32) return std::nullopt;
    std::uint64_t v = 0;
    for (char c : digits) {
        if (c != '0' && c != '1') return std::nullopt;
        v = v << 1 | static_cast<unsigned>(c - '0');
    }
    if (v > max) return std::nullopt;
    return static_cast<std::uint32_t>(v);
}

// A number as the protocol columns show it: "0x" hexadecimal, "0b" binary,
// decimal otherwise. The base is given back for the data column.
std::optional<std::uint32_t> ParseShownNumber(std::string_view text, std::uint32_t max, int& base) {
    if (text.substr(0, 2) == "0x") {
        base = 16;
        return ParseHex(text.substr(2), max);
    }
    if (text.substr(0, 2) == "0b") {
        base = 2;
        return ParseBinary(text.substr(2), max);
    }
    base = 10;
    return ParseDecimal(text, max);
}

bool ParseShownData(std::string_view text, int base, _VCI_CAN_OBJ& f) {
    std::string_view rest = text;
    int n = 0;
    for (std::string_view t = NextToken(rest); !t.empty(); t = NextToken(rest)) {
        if (n == f.DataLen) return false;
        std::optional<std::uint32_t> byte;
        if (base == 16) {
            byte = t.size() == 2 ? ParseHex(t, 0xFF) : std::nullopt;
        } else if (base == 2) {
            byte = t.size() == 8 ? ParseBinary(t, 0xFF) : std::nullopt;
        } else {
            byte = ParseDecimal(t, 0xFF);
        }
        if (!byte) return false;
        f.Data[n++] = static_cast<std::uint8_t>(*byte);
    }
    return n == f.DataLen;
}

class CCsvRows {
  public:
    CCsvRows(CTextLogRead& read, const ReadOptions& options) : read(read), options(options) {}

    void Row(const Fields& f, bool pythonCan) {
        if (pythonCan) {
            PythonCanRow(f);
        } else {
            OwnRow(f);
        }
    }

  private:
    void PythonCanRow(const Fields& f);
    void OwnRow(const Fields& f);

    CTextLogRead& read;
    const ReadOptions& options;
    bool wordsSeen = false;  // a row in the words of the language in use
};

void CCsvRows::PythonCanRow(const Fields& f) {
    if (f.count != kPythonCanFields) return read.Bad("not 7 fields");
    const std::optional<Ticks> time = ParseFloatSeconds(f.field[0]);
    if (!time) return read.Bad("bad timestamp");
    std::string_view idText = f.field[1];
    if (idText.substr(0, 2) == "0x" || idText.substr(0, 2) == "0X") idText.remove_prefix(2);
    const auto id = ParseHex(idText, 0x1FFFFFFF);
    const auto extended = ParseFlag(f.field[2]);
    const auto remote = ParseFlag(f.field[3]);
    const auto error = ParseFlag(f.field[4]);
    const auto dlc = ParseDecimal(f.field[5], kMaxFdBytes);
    if (!id) return read.Bad("bad arbitration_id");
    if (!extended || !remote || !error) return read.Bad("a flag is not 0 or 1");
    if (!dlc) return read.Bad("bad dlc");
    std::uint8_t data[kMaxFdBytes] = {};
    const auto bytes = DecodeBase64(f.field[6], data, sizeof data);
    if (!bytes) return read.Bad("data is not base64");
    _VCI_CAN_OBJ frame{};
    if (*error) {
        ErrorFrame e;
        e.errorClass = *id;
        std::copy(data, data + std::min<std::size_t>(*bytes, 8), e.data);
        frame.Reserved[0] = EventOfErrorFrame(e);
        frame.Reserved[2] = e.data[5];
        return read.Add(*time, frame);
    }
    // python-can keeps no FD flag in this log: more than 8 bytes is CAN FD.
    if (*dlc > 8 || *bytes > 8) return read.SkipLongFd();
    if (!*extended && *id > 0x7FF) return read.Bad("standard identifier beyond 0x7FF");
    frame.ID = *id;
    frame.ExternFlag = *extended ? 1 : 0;
    frame.RemoteFlag = *remote ? 1 : 0;
    frame.DataLen = static_cast<std::uint8_t>(*dlc);
    if (!frame.RemoteFlag) std::copy(data, data + std::min<std::size_t>(*bytes, *dlc), frame.Data);
    read.Add(*time, frame);
}

void CCsvRows::OwnRow(const Fields& f) {
    if (f.count < kOwnFields) return read.Bad("fewer than 9 fields");
    if (!ParseDecimal(f.field[0], 0xFFFFFFFF)) return read.Bad("row number is not a number");
    Ticks time = 0;
    if (!f.field[1].empty()) {
        const std::optional<Ticks> t = ParseTimeText(f.field[1]);
        if (!t || *t >= kStampRange) return read.Bad("bad time");
        time = *t;
    }
    const FrameWords& words = options.frameWords;
    _VCI_CAN_OBJ frame{};
    const bool data = !words.data.empty() && f.field[4] == words.data;
    const bool remote = !words.remote.empty() && f.field[4] == words.remote;
    const bool standard = !words.standard.empty() && f.field[5] == words.standard;
    const bool extended = !words.extended.empty() && f.field[5] == words.extended;
    if ((!data && !remote) || (!standard && !extended)) {
        // A file written in another language fails on every line: one
        // message says so.
        if (!wordsSeen)
            return read.Stop(
                "its frame format and type are not written in the words of the language in "
                "use; read it in the language it was written in");
        return read.Bad(!data && !remote ? "frame format not known in this language"
                                         : "frame type not known in this language");
    }
    wordsSeen = true;
    frame.RemoteFlag = remote ? 1 : 0;
    frame.ExternFlag = extended ? 1 : 0;
    int base = 16;
    const auto id = ParseShownNumber(f.field[3], frame.ExternFlag ? 0x1FFFFFFFu : 0x7FFu, base);
    int lengthBase = 16;
    const auto length = ParseShownNumber(f.field[6], 8, lengthBase);
    if (!id) return read.Bad("bad identifier");
    if (!length) return read.Bad("bad length");
    frame.ID = *id;
    frame.DataLen = static_cast<std::uint8_t>(*length);
    const bool dataShown = !frame.RemoteFlag;
    if (dataShown && !ParseShownData(f.field[7], base, frame)) return read.Bad("bad data");
    if (!f.field[8].empty()) {
        const std::uint8_t event = EventCodeOfText(f.field[8]);
        frame.Reserved[0] = event != 0 ? event : kBusErrorEvent;
    }
    read.Add(time, frame);
}

}  // namespace

std::optional<std::size_t> DecodeBase64(std::string_view text, std::uint8_t* out,
                                        std::size_t room) {
    while (!text.empty() && text.back() == '=') text.remove_suffix(1);
    if (text.size() % 4 == 1) return std::nullopt;
    std::size_t n = 0;
    std::uint32_t bits = 0;
    int held = 0;
    for (char c : text) {
        const int v = Base64Value(c);
        if (v < 0) return std::nullopt;
        bits = bits << 6 | static_cast<std::uint32_t>(v);
        held += 6;
        if (held >= 8) {
            held -= 8;
            if (n == room) return std::nullopt;
            out[n++] = static_cast<std::uint8_t>(bits >> held);
        }
    }
    return n;
}

FrameWords ProtocolFrameWords(AnalyCANFrameFn analyCANFrame) {
    FrameWords words;
    if (analyCANFrame == nullptr) return words;
    _VCI_CAN_OBJ probe{};
    char** texts = nullptr;
    int count = 0;
    analyCANFrame(&probe, &texts, &count);
    if (texts == nullptr || count < 3 || !texts[1] || !texts[2]) return words;
    words.data = texts[1];
    words.standard = texts[2];
    probe.RemoteFlag = 1;
    probe.ExternFlag = 1;
    analyCANFrame(&probe, &texts, &count);
    if (texts == nullptr || count < 3 || !texts[1] || !texts[2]) return FrameWords{};
    words.remote = texts[1];
    words.extended = texts[2];
    return words;
}

ReadResult ReadCsv(std::FILE* file, const ReadOptions& options, CRecording& out,
                   const BadLineFn& badLine) {
    CTextLogRead read(file, options, out, badLine);
    CCsvRows rows(read, options);
    Fields fields;
    std::string record;
    bool open = false;       // a quoted field runs on into the next line
    bool header = true;      // the first record names the columns
    bool pythonCan = false;  // the header is python-can's
    std::string_view line;
    while (read.Next(line)) {
        std::string_view whole;
        if (open) {
            record += '\n';
            record += line;
            if (QuoteCount(line) % 2 == 1) open = false;
            if (open) continue;
            whole = record;
        } else {
            if (line.empty()) continue;
            if (QuoteCount(line) % 2 == 1) {
                record.assign(line);
                open = true;
                continue;
            }
            whole = line;
        }
        if (header) {
            header = false;
            pythonCan = whole == kPythonCanCsvHeader;
            continue;
        }
        if (!SplitRecord(whole, fields)) {
            read.Bad("quotes or fields not understood");
            continue;
        }
        rows.Row(fields, pythonCan);
    }
    if (open) read.Bad("a quoted field is not closed");
    return read.Finish();
}

}  // namespace korvex::formats
