#include "core/signals/DbcReader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <unordered_map>

#include "core/signals/DbcMultiplexing.h"
#include "core/signals/DbcTextEncoding.h"
#include "core/signals/SignalLayout.h"

namespace korvex::signaldb {
namespace {

constexpr std::uint32_t kExtendedMark = 0x80000000u;
constexpr std::uint64_t kMaxMessageLength = 0xFFFF;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Every keyword a DBC file may begin a statement with. A line that begins
// with one of them ends the statement before it.
constexpr std::array<std::string_view, 36> kKeywords = {"VERSION",
                                                        "NS_",
                                                        "NS_DESC_",
                                                        "BS_",
                                                        "BU_",
                                                        "BO_",
                                                        "SG_",
                                                        "EV_",
                                                        "CM_",
                                                        "BA_DEF_",
                                                        "BA_",
                                                        "VAL_",
                                                        "CAT_DEF_",
                                                        "CAT_",
                                                        "FILTER",
                                                        "BA_DEF_DEF_",
                                                        "EV_DATA_",
                                                        "ENVVAR_DATA_",
                                                        "SGTYPE_",
                                                        "SGTYPE_VAL_",
                                                        "BA_DEF_SGTYPE_",
                                                        "BA_SGTYPE_",
                                                        "SIG_TYPE_REF_",
                                                        "VAL_TABLE_",
                                                        "SIG_GROUP_",
                                                        "SIG_VALTYPE_",
                                                        "SIGTYPE_VALTYPE_",
                                                        "BO_TX_BU_",
                                                        "BA_DEF_REL_",
                                                        "BA_REL_",
                                                        "BA_DEF_DEF_REL_",
                                                        "BU_SG_REL_",
                                                        "BU_EV_REL_",
                                                        "BU_BO_REL_",
                                                        "SG_MUL_VAL_",
                                                        "SIG_GROUP_REL_"};

bool IsNameChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           u >= 0x80;
}

bool IsKeyword(std::string_view word) {
    if (word.size() < 3 || word[0] < 'A' || word[0] > 'Z') return false;
    return std::find(kKeywords.begin(), kKeywords.end(), word) != kKeywords.end();
}

// Whether the line that starts at `at` begins with a keyword.
bool LineBeginsKeyword(std::string_view text, std::size_t at) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    std::size_t end = at;
    while (end < text.size() && IsNameChar(text[end])) ++end;
    return IsKeyword(text.substr(at, end - at));
}

std::string Quoted(std::string_view s) {
    return "'" + std::string(s) + "'";
}

std::string HexId(std::uint32_t fileId) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", fileId);
    return text;
}

struct Failure {
    int line;
    std::string reason;
};

// The identifier a message is known by: an identifier above 0x7FF that the
// file wrote without the extended mark is a 29-bit one.
std::uint32_t MessageKey(std::uint32_t fileId) {
    if ((fileId & kExtendedMark) == 0 && fileId > 0x7FFu && fileId <= 0x1FFFFFFFu)
        return fileId | kExtendedMark;
    return fileId;
}

bool IsIndependentSignals(std::uint32_t fileId) {
    return fileId == kIndependentSignalsFileId || fileId == kUnmarkedIndependentSignalsFileId;
}

class CDbcParser {
  public:
    CDbcParser(std::string_view text, std::vector<DbcError>* warnings)
        : all(text),
          text(text),
          strict(warnings == nullptr),
          warnings(warnings),
          decoder(DbcFileEncoding(text)) {}

    void Parse(DbcDatabase& out) {
        db = &out;
        for (;;) {
            text = all;
            SkipBlanks();
            if (pos >= all.size()) break;
            statementLine = line;
            const std::size_t start = pos;
            const std::string_view keyword = TakeName();
            // The list of NS_ is made of keywords, one per line.
            if (keyword != "NS_") text = all.substr(0, StatementEnd(pos, keyword == "CM_"));
            try {
                if (keyword.empty()) Fail("unexpected " + DescribeHere());
                Statement(keyword);
            } catch (Failure& f) {
                if (strict) throw;
                warnings->push_back({f.line, std::move(f.reason)});
                // The signals of a message that was skipped must not join
                // the message before it.
                if (keyword == "BO_") currentMessage = kLostMessage;
                SkipToNextStatement(start);
            }
        }
        text = all;
        FinishAttributes();
        for (std::size_t m = 0; m < out.messages.size(); ++m) FinishMultiplexing(m);
        if (out.messages.empty()) throw Failure{0, "holds no message"};
    }

  private:
    // --- the cursor -------------------------------------------------------

    [[noreturn]] void Fail(std::string reason) const {
        throw Failure{statementLine, std::move(reason)};
    }

    // A fault the file can be read past: refused when strict, listed else.
    void Warn(int at, std::string reason) {
        if (strict) throw Failure{at, std::move(reason)};
        warnings->push_back({at, std::move(reason)});
    }

    // One past the statement that begins at `from`: the start of the next
    // line that begins with a keyword. Only comments may carry a quoted text
    // over such a line.
    std::size_t StatementEnd(std::size_t from, bool textsSpanLines) const {
        for (std::size_t p = from; p < all.size(); ++p) {
            const char c = all[p];
            if (c == '"' && textsSpanLines) {
                for (++p; p < all.size() && all[p] != '"'; ++p)
                    if (all[p] == '\\') ++p;
                if (p >= all.size()) return all.size();
            } else if (c == '\n' && LineBeginsKeyword(all, p + 1)) {
                return p + 1;
            }
        }
        return all.size();
    }

    // After a statement that could not be read: on at the next line after
    // its start that begins with a keyword.
    void SkipToNextStatement(std::size_t start) {
        text = all;
        line = statementLine;
        pos = start;
        for (;;) {
            const std::size_t lineEnd = all.find('\n', pos);
            if (lineEnd == std::string_view::npos) {
                pos = all.size();
                return;
            }
            pos = lineEnd + 1;
            ++line;
            if (LineBeginsKeyword(all, pos)) return;
        }
    }

    std::string DescribeHere() const {
        if (pos >= all.size()) return "end of file";
        if (pos >= text.size() || text[pos] == '\n' || text[pos] == '\r') return "end of line";
        std::size_t end = pos;
        while (end < text.size() && end - pos < 24 && text[end] != '\n' && text[end] != '\r' &&
               text[end] != ' ' && text[end] != '\t')
            ++end;
        return Quoted(decoder.ToUtf8(text.substr(pos, std::max<std::size_t>(end - pos, 1))));
    }

    // Spaces and tabs (and carriage returns) within the line.
    void SkipSpaces() {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r'))
            ++pos;
    }

    // White space including line ends.
    void SkipBlanks() {
        for (; pos < text.size(); ++pos) {
            const char c = text[pos];
            if (c == '\n')
                ++line;
            else if (c != ' ' && c != '\t' && c != '\r' && c != '\f' && c != '\v')
                break;
        }
    }

    bool AtLineEnd() {
        SkipSpaces();
        return pos >= text.size() || text[pos] == '\n';
    }

    void ExpectLineEnd(const char* what) {
        if (!AtLineEnd()) Fail("unexpected " + DescribeHere() + " after " + what);
    }

    bool TakeChar(char c) {
        SkipBlanks();
        if (pos < text.size() && text[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    }

    void Expect(char c, const char* where) {
        if (!TakeChar(c))
            Fail(std::string("expected '") + c + "' " + where + ", found " + DescribeHere());
    }

    // A name as the file writes it (the key its later mentions match).
    std::string_view TakeName() {
        SkipBlanks();
        const std::size_t start = pos;
        while (pos < text.size() && IsNameChar(text[pos])) ++pos;
        return text.substr(start, pos - start);
    }

    std::string_view ExpectRawName(const char* what) {
        const std::string_view name = TakeName();
        if (name.empty()) Fail(std::string("expected ") + what + ", found " + DescribeHere());
        return name;
    }

    std::string ExpectName(const char* what) { return decoder.ToUtf8(ExpectRawName(what)); }

    bool AtString() {
        SkipBlanks();
        return pos < text.size() && text[pos] == '"';
    }

    // A quoted text; \" and \\ stand for a quote and a backslash.
    std::string ExpectString(const char* what) {
        if (!AtString())
            Fail(std::string("expected ") + what + " in quotes, found " + DescribeHere());
        ++pos;
        std::string s;
        for (;;) {
            if (pos >= text.size()) Fail(std::string("unterminated ") + what);
            const char c = text[pos++];
            if (c == '"') break;
            if (c == '\\' && pos < text.size() && (text[pos] == '"' || text[pos] == '\\')) {
                s += text[pos++];
                continue;
            }
            if (c == '\n') ++line;
            s += c;
        }
        return decoder.ToUtf8(s);
    }

    // The text of a number: [+-] digits [. digits] [e [+-] digits].
    std::string_view TakeNumberText() {
        SkipBlanks();
        const std::size_t start = pos;
        std::size_t p = pos;
        if (p < text.size() && (text[p] == '+' || text[p] == '-')) ++p;
        const std::size_t digitsStart = p;
        while (p < text.size() && text[p] >= '0' && text[p] <= '9') ++p;
        bool any = p > digitsStart;
        if (p < text.size() && text[p] == '.') {
            ++p;
            const std::size_t fraction = p;
            while (p < text.size() && text[p] >= '0' && text[p] <= '9') ++p;
            any = any || p > fraction;
        }
        if (!any) return {};
        if (p < text.size() && (text[p] == 'e' || text[p] == 'E')) {
            std::size_t q = p + 1;
            if (q < text.size() && (text[q] == '+' || text[q] == '-')) ++q;
            const std::size_t exponent = q;
            while (q < text.size() && text[q] >= '0' && text[q] <= '9') ++q;
            if (q > exponent) p = q;
        }
        pos = p;
        return text.substr(start, p - start);
    }

    double ExpectNumber(const char* what) {
        std::string_view t = TakeNumberText();
        if (t.empty()) Fail(std::string("expected ") + what + ", found " + DescribeHere());
        if (t[0] == '+') t.remove_prefix(1);
        double value = 0;
        const auto r = std::from_chars(t.data(), t.data() + t.size(), value);
        if (r.ec != std::errc() || r.ptr != t.data() + t.size() || !std::isfinite(value))
            Fail(std::string(what) + " " + Quoted(t) + " is out of range");
        return value;
    }

    std::uint64_t ExpectUnsigned(const char* what) {
        SkipBlanks();
        const std::size_t start = pos;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
        if (pos == start) Fail(std::string("expected ") + what + ", found " + DescribeHere());
        std::uint64_t value = 0;
        const auto r = std::from_chars(text.data() + start, text.data() + pos, value);
        if (r.ec != std::errc())
            Fail(std::string(what) + " " + Quoted(text.substr(start, pos - start)) +
                 " is out of range");
        return value;
    }

    // A value-table key: a whole number from -2^63 to 2^64 - 1, kept as the
    // 64-bit pattern that a raw value of that number has.
    std::int64_t ExpectTableValue() {
        SkipBlanks();
        const bool negative = pos < text.size() && text[pos] == '-';
        if (negative) ++pos;
        const std::uint64_t magnitude = ExpectUnsigned("a value");
        if (pos < text.size() && (text[pos] == '.' || text[pos] == 'e' || text[pos] == 'E'))
            Fail("value " + DescribeHere() + " is not a whole number");
        if (negative) {
            if (magnitude >
                static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1)
                Fail("value -" + std::to_string(magnitude) + " is out of range");
            return static_cast<std::int64_t>(0 - magnitude);
        }
        return static_cast<std::int64_t>(magnitude);
    }

    std::uint32_t ExpectFileId() {
        const std::uint64_t id = ExpectUnsigned("a message identifier");
        if (id > 0xFFFFFFFFu) Fail("message identifier " + std::to_string(id) + " is out of range");
        return static_cast<std::uint32_t>(id);
    }

    // Skips a statement the reader has no use for, to the ';' that ends it.
    void SkipStatement(std::string_view keyword) {
        for (;;) {
            SkipBlanks();
            if (pos >= text.size()) Fail(std::string(keyword) + " statement without its ';'");
            if (text[pos] == ';') {
                ++pos;
                return;
            }
            if (text[pos] == '"') {
                ExpectString("text");
                continue;
            }
            ++pos;
        }
    }

    void ExpectEnd(std::string_view keyword) {
        if (!TakeChar(';'))
            Fail("expected ';' to end " + std::string(keyword) + ", found " + DescribeHere());
    }

    // --- statements -------------------------------------------------------

    void Statement(std::string_view keyword) {
        if (keyword == "VERSION") {
            db->version = ExpectString("the version");
            ExpectLineEnd("VERSION");
        } else if (keyword == "NS_") {
            SkipNewSymbols();
        } else if (keyword == "BS_") {
            Expect(':', "after BS_");
            while (!AtLineEnd()) ++pos;  // bit timing, obsolete
        } else if (keyword == "BU_") {
            Expect(':', "after BU_");
            ReadNodes();
        } else if (keyword == "BO_") {
            ReadMessage();
        } else if (keyword == "SG_") {
            ReadSignal();
        } else if (keyword == "CM_") {
            ReadComment();
        } else if (keyword == "BA_DEF_") {
            ReadAttributeDefinition();
        } else if (keyword == "BA_DEF_DEF_") {
            ReadAttributeDefault();
        } else if (keyword == "BA_") {
            ReadAttribute();
        } else if (keyword == "VAL_TABLE_") {
            const std::string name = ExpectName("a value table name");
            db->valueTables[name] = ReadValuePairs("VAL_TABLE_");
        } else if (keyword == "VAL_") {
            ReadSignalValues();
        } else if (keyword == "SIG_VALTYPE_") {
            ReadValueType();
        } else if (keyword == "BO_TX_BU_") {
            ReadTransmitters();
        } else if (keyword == "SG_MUL_VAL_") {
            ReadMuxValues();
        } else if (IsKeyword(keyword)) {
            SkipStatement(keyword);
        } else {
            UnknownStatement(keyword);
        }
    }

    // A word no DBC file begins a statement with, such as a mistyped "B0_".
    // When it stands where a message would, with an identifier, a name and
    // ':', the signal lines after it belong to that lost message.
    void UnknownStatement(std::string_view word) {
        SkipSpaces();
        const std::size_t after = pos;
        if (!TakeNumberText().empty() && !TakeName().empty() && TakeChar(':'))
            currentMessage = kLostMessage;
        pos = after;
        Fail("unknown statement " + Quoted(decoder.ToUtf8(word)));
    }

    // "NS_ :" lists the section keywords the file may use, one per indented
    // line; the list ends at the first line that starts in column 0 or at a
    // word followed by ':' (BS_:).
    void SkipNewSymbols() {
        Expect(':', "after NS_");
        for (;;) {
            SkipSpaces();
            if (pos >= text.size()) return;
            if (text[pos] == '\n') {
                const std::size_t next = pos + 1;
                if (next < text.size() && text[next] != ' ' && text[next] != '\t' &&
                    text[next] != '\r' && text[next] != '\n')
                    return;
                ++pos;
                ++line;
                continue;
            }
            const std::size_t before = pos;
            if (TakeName().empty()) Fail("unexpected " + DescribeHere() + " in NS_");
            SkipSpaces();
            if (pos < text.size() && text[pos] == ':') {
                pos = before;
                return;
            }
        }
    }

    // The node names may run over several lines.
    void ReadNodes() {
        for (;;) {
            SkipBlanks();
            if (pos >= text.size()) return;
            const std::string_view name = TakeName();
            if (name.empty()) Fail("unexpected " + DescribeHere() + " in BU_");
            if (nodeIndex.emplace(name, db->nodes.size()).second)
                db->nodes.push_back({decoder.ToUtf8(name), {}, {}});
        }
    }

    void ReadMessage() {
        const std::uint32_t fileId = ExpectFileId();
        DbcMessage m;
        m.line = statementLine;
        m.name = ExpectName("a message name");
        Expect(':', "after the message name");
        const std::uint64_t length = ExpectUnsigned("the message length");
        if (length > kMaxMessageLength)
            Fail("message length " + std::to_string(length) + " is out of range");
        m.length = static_cast<int>(length);
        if (!AtLineEnd()) m.sender = ExpectName("the sender");
        ExpectLineEnd("the message");
        if (IsIndependentSignals(fileId)) {
            currentMessage = kDroppedMessage;
            return;
        }
        const std::uint32_t key = MessageKey(fileId);
        m.extended = (key & kExtendedMark) != 0;
        m.id = key & ~kExtendedMark;
        if (m.extended ? m.id > 0x1FFFFFFFu : m.id > 0x7FFu)
            Fail("identifier " + std::to_string(fileId) +
                 " is neither an 11-bit identifier nor a 29-bit one");
        const auto [it, fresh] = messageIndex.emplace(key, db->messages.size());
        if (!fresh) {
            const DbcMessage& other = db->messages[it->second];
            Fail("identifier " + HexId(key) + " of message " + Quoted(m.name) +
                 " is also message " + Quoted(other.name) + " (line " + std::to_string(other.line) +
                 ")");
        }
        if (key != fileId) {
            Warn(statementLine, "identifier " + std::to_string(fileId) + " of message " +
                                    Quoted(m.name) +
                                    " is above 0x7FF without the extended mark (bit 31); read "
                                    "as the 29-bit identifier " +
                                    HexId(m.id));
        }
        currentMessage = db->messages.size();
        db->messages.push_back(std::move(m));
        signalIndex.emplace_back();
        muxLinks.emplace_back();
    }

    // "SG_ NAME [M|mN|mNM] : START|LENGTH@ORDER SIGN (FACTOR,OFFSET) [MIN|MAX] "UNIT" RECEIVERS"
    void ReadSignal() {
        if (currentMessage == kNoMessage) Fail("signal outside a message");
        DbcSignal s;
        s.line = statementLine;
        const std::string_view rawName = ExpectRawName("a signal name");
        s.name = decoder.ToUtf8(rawName);
        if (!TakeChar(':')) {
            s.muxTag = ExpectName("a multiplexer mark or ':'");
            ParseMuxTag(s);
            Expect(':', "after the signal name");
        }
        const std::uint64_t start = ExpectUnsigned("the start bit");
        Expect('|', "after the start bit");
        const std::uint64_t length = ExpectUnsigned("the signal length");
        Expect('@', "after the signal length");
        if (pos >= text.size() || (text[pos] != '0' && text[pos] != '1'))
            Fail("byte order " + DescribeHere() + " is neither 0 (Motorola) nor 1 (Intel)");
        s.byteOrder = text[pos++] == '1' ? ByteOrder::kIntel : ByteOrder::kMotorola;
        if (pos >= text.size() || (text[pos] != '+' && text[pos] != '-'))
            Fail("sign " + DescribeHere() + " is neither '+' nor '-'");
        s.isSigned = text[pos++] == '-';
        Expect('(', "before the factor");
        s.factor = ExpectNumber("factor");
        Expect(',', "after the factor");
        s.offset = ExpectNumber("offset");
        Expect(')', "after the offset");
        Expect('[', "before the minimum");
        s.minimum = ExpectNumber("minimum");
        Expect('|', "after the minimum");
        s.maximum = ExpectNumber("maximum");
        Expect(']', "after the maximum");
        s.unit = ExpectString("the unit");
        // A list that ends its line with ',' goes on in the next line.
        bool continued = false;
        for (;;) {
            SkipSpaces();
            if (pos >= text.size()) break;
            if (text[pos] == '\n') {
                if (!continued) break;
                SkipBlanks();
                continue;
            }
            continued = text[pos] == ',';
            if (continued) {
                ++pos;
                continue;
            }
            const std::string_view receiver = TakeName();
            if (receiver.empty()) Fail("unexpected " + DescribeHere() + " among the receivers");
            s.receivers.push_back(decoder.ToUtf8(receiver));
        }
        if (length < 1 || length > 64)
            Fail("signal " + Quoted(s.name) + " is " + std::to_string(length) +
                 " bits long; a signal has 1 to 64 bits");
        if (start > kMaxMessageLength * 8)
            Fail("start bit " + std::to_string(start) + " is out of range");
        s.startBit = static_cast<int>(start);
        s.length = static_cast<int>(length);
        if (currentMessage == kLostMessage)
            Fail("signal " + Quoted(s.name) + " of a message that was skipped");
        if (currentMessage == kDroppedMessage) return;
        DbcMessage& m = db->messages[currentMessage];
        if (!SignalFitsLength(s, m.length))
            Fail("signal " + Quoted(s.name) + " (start bit " + std::to_string(s.startBit) + ", " +
                 std::to_string(s.length) + " bits) does not fit the " + std::to_string(m.length) +
                 " bytes of message " + Quoted(m.name));
        if (!signalIndex[currentMessage].emplace(rawName, m.signalList.size()).second)
            Fail("signal " + Quoted(s.name) + " is defined twice in message " + Quoted(m.name));
        m.signalList.push_back(std::move(s));
    }

    void ParseMuxTag(DbcSignal& s) {
        const std::string& tag = s.muxTag;
        if (tag == "M") {
            s.isMultiplexor = true;
            return;
        }
        std::size_t end = tag.size();
        if (end > 2 && tag.back() == 'M') {
            s.isMultiplexor = true;
            --end;
        }
        std::uint64_t value = 0;
        const char* first = tag.data() + 1;
        const char* last = tag.data() + end;
        const auto r = std::from_chars(first, last, value);
        if (tag.size() < 2 || tag[0] != 'm' || r.ec != std::errc() || r.ptr != last ||
            value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            Fail("multiplexer mark " + Quoted(tag) + " is none of M, mN, mNM");
        s.isMultiplexed = true;
        const auto v = static_cast<std::int64_t>(value);
        s.muxRanges = {{v, v}};
    }

    // The index of the message an identifier names: kNoMessage when there
    // is none or it is a pseudo-message of independent signals. `required`
    // turns a missing message into a fault.
    std::size_t MessageOf(std::uint32_t fileId, bool required) {
        if (IsIndependentSignals(fileId)) return kNoMessage;
        const auto it = messageIndex.find(MessageKey(fileId));
        if (it != messageIndex.end()) return it->second;
        if (required) Fail("no message has identifier " + std::to_string(fileId));
        return kNoMessage;
    }

    // A signal by its name as the file writes it; nullptr when the message
    // or the signal is not there.
    DbcSignal* SignalOf(std::size_t message, std::string_view name, bool required) {
        if (message == kNoMessage) return nullptr;
        DbcMessage& m = db->messages[message];
        const auto it = signalIndex[message].find(name);
        if (it != signalIndex[message].end()) return &m.signalList[it->second];
        if (required)
            Fail("message " + Quoted(m.name) + " has no signal " + Quoted(decoder.ToUtf8(name)));
        return nullptr;
    }

    DbcNode* NodeOf(std::string_view name) {
        const auto it = nodeIndex.find(name);
        return it != nodeIndex.end() ? &db->nodes[it->second] : nullptr;
    }

    DbcMessage* MessageAt(std::size_t index) {
        return index == kNoMessage ? nullptr : &db->messages[index];
    }

    void ReadComment() {
        const std::string_view object = AtString() ? std::string_view() : TakeName();
        if (object.empty()) {
            db->comment = ExpectString("the comment");
        } else if (object == "BU_") {
            const std::string_view name = ExpectRawName("a node name");
            const std::string comment = ExpectString("the comment");
            if (DbcNode* n = NodeOf(name)) n->comment = comment;
        } else if (object == "BO_") {
            DbcMessage* m = MessageAt(MessageOf(ExpectFileId(), false));
            const std::string comment = ExpectString("the comment");
            if (m != nullptr) m->comment = comment;
        } else if (object == "SG_") {
            const std::size_t m = MessageOf(ExpectFileId(), false);
            DbcSignal* s = SignalOf(m, ExpectRawName("a signal name"), false);
            const std::string comment = ExpectString("the comment");
            if (s != nullptr) s->comment = comment;
        } else if (object == "EV_") {
            ExpectRawName("an environment variable");
            ExpectString("the comment");
        } else {
            Fail("comment on " + Quoted(decoder.ToUtf8(object)) +
                 ", which is none of BU_, BO_, SG_, EV_");
        }
        ExpectEnd("CM_");
    }

    AttributeObject TakeAttributeObject() {
        SkipBlanks();
        const std::size_t before = pos;
        const std::string_view word = TakeName();
        if (word == "BU_") return AttributeObject::kNode;
        if (word == "BO_") return AttributeObject::kMessage;
        if (word == "SG_") return AttributeObject::kSignal;
        if (word == "EV_") return AttributeObject::kEnvironment;
        pos = before;
        return AttributeObject::kDatabase;
    }

    void ReadAttributeDefinition() {
        AttributeDefinition d;
        d.object = TakeAttributeObject();
        const std::string name = ExpectString("the attribute name");
        d.type = ExpectName("the attribute type");
        if (d.type == "ENUM") {
            if (!TakeChar(';')) {
                do {
                    d.enumValues.push_back(ExpectString("an enumeration text"));
                } while (TakeChar(','));
                ExpectEnd("BA_DEF_");
            }
        } else if (d.type == "INT" || d.type == "HEX" || d.type == "FLOAT") {
            ExpectNumber("the minimum");
            ExpectNumber("the maximum");
            ExpectEnd("BA_DEF_");
        } else if (d.type == "STRING") {
            ExpectEnd("BA_DEF_");
        } else {
            Fail("attribute type " + Quoted(d.type) + " is none of INT, HEX, FLOAT, STRING, ENUM");
        }
        db->attributeDefinitions[name] = std::move(d);
    }

    // A value: a quoted text or a number, as its text.
    std::string ExpectAttributeValue() {
        if (AtString()) return ExpectString("the value");
        const std::string_view number = TakeNumberText();
        if (number.empty()) Fail("expected an attribute value, found " + DescribeHere());
        return std::string(number);
    }

    void ReadAttributeDefault() {
        const std::string name = ExpectString("the attribute name");
        const std::string value = ExpectAttributeValue();
        ExpectEnd("BA_DEF_DEF_");
        defaults[name] = value;
    }

    void ReadAttribute() {
        const std::string name = ExpectString("the attribute name");
        AttributeValues* target = &db->attributes;
        switch (TakeAttributeObject()) {
            case AttributeObject::kDatabase:
                break;
            case AttributeObject::kNode: {
                DbcNode* n = NodeOf(ExpectRawName("a node name"));
                target = n != nullptr ? &n->attributes : nullptr;
                break;
            }
            case AttributeObject::kMessage: {
                DbcMessage* m = MessageAt(MessageOf(ExpectFileId(), false));
                target = m != nullptr ? &m->attributes : nullptr;
                break;
            }
            case AttributeObject::kSignal: {
                const std::size_t m = MessageOf(ExpectFileId(), false);
                DbcSignal* s = SignalOf(m, ExpectRawName("a signal name"), false);
                target = s != nullptr ? &s->attributes : nullptr;
                break;
            }
            case AttributeObject::kEnvironment:
                ExpectRawName("an environment variable");
                target = nullptr;
                break;
        }
        const std::string value = ExpectAttributeValue();
        ExpectEnd("BA_");
        if (target != nullptr) (*target)[name] = value;
    }

    ValueTable ReadValuePairs(std::string_view keyword) {
        ValueTable table;
        while (!TakeChar(';')) {
            if (pos >= text.size()) Fail("expected ';' to end " + std::string(keyword));
            const std::int64_t value = ExpectTableValue();
            table.emplace_back(value, ExpectString("a value text"));
        }
        // The first text of a value stands; later ones are dropped.
        std::stable_sort(table.begin(), table.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        table.erase(std::unique(table.begin(), table.end(),
                                [](const auto& a, const auto& b) { return a.first == b.first; }),
                    table.end());
        return table;
    }

    void ReadValueType() {
        const std::size_t m = MessageOf(ExpectFileId(), true);
        DbcSignal* s = SignalOf(m, ExpectRawName("a signal name"), m != kNoMessage);
        Expect(':', "after the signal name");
        const std::uint64_t type = ExpectUnsigned("the value type");
        ExpectEnd("SIG_VALTYPE_");
        if (type > 2)
            Fail("value type " + std::to_string(type) + " is none of 0, 1 (float), 2 (double)");
        if (s == nullptr) return;
        const int bits = type == 1 ? 32 : 64;
        if (type != 0 && s->length != bits)
            Fail("signal " + Quoted(s->name) + " is " + std::to_string(s->length) +
                 " bits long; a " + (type == 1 ? "float" : "double") + " has " +
                 std::to_string(bits));
        s->valueType =
            type == 0 ? ValueType::kInteger : (type == 1 ? ValueType::kFloat : ValueType::kDouble);
    }

    void ReadSignalValues() {
        SkipBlanks();
        if (pos < text.size() && (text[pos] < '0' || text[pos] > '9')) {
            // Values of an environment variable.
            ExpectRawName("an environment variable");
            ReadValuePairs("VAL_");
            return;
        }
        const std::size_t m = MessageOf(ExpectFileId(), false);
        DbcSignal* s = SignalOf(m, ExpectRawName("a signal name"), false);
        ValueTable table = ReadValuePairs("VAL_");
        if (s != nullptr) s->values = std::move(table);
    }

    void ReadTransmitters() {
        DbcMessage* m = MessageAt(MessageOf(ExpectFileId(), false));
        Expect(':', "after the message identifier");
        while (!TakeChar(';')) {
            if (pos >= text.size()) Fail("expected ';' to end BO_TX_BU_");
            if (TakeChar(',')) continue;
            const std::string name = ExpectName("a transmitter");
            if (m != nullptr) m->transmitters.push_back(name);
        }
    }

    // "SG_MUL_VAL_ ID SIGNAL MULTIPLEXOR FROM-TO, FROM-TO ;"
    void ReadMuxValues() {
        const std::size_t m = MessageOf(ExpectFileId(), true);
        DbcSignal* s = SignalOf(m, ExpectRawName("a signal name"), m != kNoMessage);
        const std::string multiplexor = ExpectName("the multiplexor's name");
        std::vector<MuxRange> ranges;
        do {
            const std::uint64_t from = ExpectUnsigned("a multiplexor value");
            Expect('-', "between the values of a range");
            const std::uint64_t to = ExpectUnsigned("a multiplexor value");
            constexpr auto kMax =
                static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
            if (from > to || to > kMax)
                Fail("range " + std::to_string(from) + "-" + std::to_string(to) +
                     " is out of order");
            ranges.push_back({static_cast<std::int64_t>(from), static_cast<std::int64_t>(to)});
        } while (TakeChar(','));
        ExpectEnd("SG_MUL_VAL_");
        if (s == nullptr) return;
        if (s->extendedMux) Fail("signal " + Quoted(s->name) + " has a second SG_MUL_VAL_ line");
        s->extendedMux = true;
        s->isMultiplexed = true;
        s->muxRanges = std::move(ranges);
        const DbcMessage& message = db->messages[m];
        muxLinks[m].push_back(
            {static_cast<std::size_t>(s - message.signalList.data()), multiplexor, statementLine});
    }

    // --- after the last line ------------------------------------------------

    // Enumeration values are stored as indices; the texts are what users and
    // the decoder compare. Defaults apply where an object has no value.
    void FinishAttributes() {
        for (auto& [name, value] : defaults) {
            auto it = db->attributeDefinitions.find(name);
            if (it != db->attributeDefinitions.end()) it->second.defaultValue = value;
        }
        const auto resolve = [&](AttributeValues& values, AttributeObject object) {
            for (const auto& [name, d] : db->attributeDefinitions) {
                if (d.object != object) continue;
                auto it = values.find(name);
                if (it == values.end() && d.defaultValue)
                    it = values.emplace(name, *d.defaultValue).first;
                if (it == values.end() || d.type != "ENUM") continue;
                std::size_t index = 0;
                const std::string& v = it->second;
                const auto r = std::from_chars(v.data(), v.data() + v.size(), index);
                if (r.ec == std::errc() && r.ptr == v.data() + v.size() &&
                    index < d.enumValues.size())
                    it->second = d.enumValues[index];
            }
        };
        resolve(db->attributes, AttributeObject::kDatabase);
        for (DbcNode& n : db->nodes) resolve(n.attributes, AttributeObject::kNode);
        for (DbcMessage& m : db->messages) {
            resolve(m.attributes, AttributeObject::kMessage);
            if (auto it = m.attributes.find("VFrameFormat"); it != m.attributes.end())
                m.frameFormat = it->second;
            m.j1939 = m.extended && m.frameFormat == "J1939PG";
            if (auto it = m.attributes.find("GenMsgCycleTime"); it != m.attributes.end()) {
                double ms = 0;
                const std::string& v = it->second;
                const auto r = std::from_chars(v.data(), v.data() + v.size(), ms);
                if (r.ec == std::errc() && ms >= 0 && ms <= std::numeric_limits<int>::max())
                    m.cycleTime = static_cast<int>(ms);
            }
            for (DbcSignal& s : m.signalList) {
                resolve(s.attributes, AttributeObject::kSignal);
                if (auto it = s.attributes.find("GenSigStartValue"); it != s.attributes.end()) {
                    double v = 0;
                    const std::string& t = it->second;
                    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
                    if (r.ec == std::errc()) s.startValue = v;
                }
            }
        }
    }

    // A signal whose multiplexing cannot stand is dropped (strict: refused),
    // and the message's multiplexing resolved again without it.
    void FinishMultiplexing(std::size_t index) {
        DbcMessage& m = db->messages[index];
        std::vector<MuxLink>& links = muxLinks[index];
        MuxFault fault;
        while (!ResolveMultiplexing(m, links, fault)) {
            Warn(fault.line, fault.reason);
            m.signalList.erase(m.signalList.begin() + static_cast<std::ptrdiff_t>(fault.signal));
            std::erase_if(links, [&](const MuxLink& l) { return l.signal == fault.signal; });
            for (MuxLink& l : links)
                if (l.signal > fault.signal) --l.signal;
        }
    }

    static constexpr std::size_t kNoMessage = static_cast<std::size_t>(-1);
    // The pseudo-message of independent signals: its signals are dropped.
    static constexpr std::size_t kDroppedMessage = static_cast<std::size_t>(-2);
    // A message that could not be read: each of its signals is a warning.
    static constexpr std::size_t kLostMessage = static_cast<std::size_t>(-3);

    std::string_view all;   // the whole file
    std::string_view text;  // the file up to the end of the current statement
    std::size_t pos = 0;
    int line = 1;
    int statementLine = 1;
    bool strict;
    std::vector<DbcError>* warnings;
    CDbcTextDecoder decoder;
    DbcDatabase* db = nullptr;
    std::size_t currentMessage = kNoMessage;
    // Keys are names as the file writes them.
    std::unordered_map<std::uint32_t, std::size_t> messageIndex;                 // by MessageKey
    std::vector<std::unordered_map<std::string_view, std::size_t>> signalIndex;  // per message
    std::unordered_map<std::string_view, std::size_t> nodeIndex;
    std::vector<std::vector<MuxLink>> muxLinks;  // per message
    std::map<std::string, std::string> defaults;
};

// Lone carriage returns (old Mac line ends) as line feeds, so that lines
// count and end alike in every file.
std::string_view WithLineFeeds(std::string_view text, std::string& storage) {
    bool lone = false;
    for (std::size_t i = text.find('\r'); i != std::string_view::npos && !lone;
         i = text.find('\r', i + 1))
        lone = i + 1 == text.size() || text[i + 1] != '\n';
    if (!lone) return text;
    storage.assign(text);
    for (std::size_t i = 0; i < storage.size(); ++i)
        if (storage[i] == '\r' && (i + 1 == storage.size() || storage[i + 1] != '\n'))
            storage[i] = '\n';
    return storage;
}

}  // namespace

bool ParseDbcText(std::string_view bytes, DbcDatabase& out, DbcError& error,
                  std::vector<DbcError>* warnings) {
    out = DbcDatabase();
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) bytes.remove_prefix(kUtf8Bom.size());
    std::string storage;
    const std::string_view text = WithLineFeeds(bytes, storage);
    try {
        CDbcParser(text, warnings).Parse(out);
    } catch (const Failure& f) {
        out = DbcDatabase();
        error = {f.line, f.reason};
        return false;
    }
    return true;
}

std::string DbcErrorText(const std::string& file, const DbcError& error) {
    if (error.line <= 0) return file + ": " + error.reason;
    return file + ":" + std::to_string(error.line) + ": " + error.reason;
}

bool ReadDbcFile(const std::filesystem::path& path, DbcDatabase& out, std::string& errorText,
                 std::vector<std::string>* warnings) {
    out = DbcDatabase();
    const std::string name = path.string();
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        errorText = DbcErrorText(name, {0, "cannot read: " + ec.message()});
        return false;
    }
    if (size > kMaxDbcFileSize) {
        errorText = DbcErrorText(name, {0, "too large for a signal database"});
        return false;
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(name.c_str(), "rb"),
                                                               &std::fclose);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!file || std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        errorText = DbcErrorText(name, {0, std::string("cannot read: ") + std::strerror(errno)});
        return false;
    }
    DbcError error;
    std::vector<DbcError> found;
    if (!ParseDbcText(bytes, out, error, warnings != nullptr ? &found : nullptr)) {
        errorText = DbcErrorText(name, error);
        return false;
    }
    if (warnings != nullptr)
        for (const DbcError& w : found) warnings->push_back(DbcErrorText(name, w));
    return true;
}

}  // namespace korvex::signaldb
