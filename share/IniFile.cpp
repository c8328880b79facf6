#include "share/IniFile.h"

#include <cstring>

namespace name_share {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

// A header line "[name]": the name lies between '[' and the last ']' (or the
// line's end when there is none).
bool HeaderName(std::string_view line, std::string_view& name) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return false;
    line.remove_prefix(1);
    const std::size_t close = line.rfind(']');
    name = Trim(close == std::string_view::npos ? line : line.substr(0, close));
    return true;
}

// A key line "key=value"; false for lines without '='.
bool SplitKey(std::string_view line, std::string_view& key, std::string_view& value) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    key = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return true;
}

// Line breaks inside a name or value would split the line on the next read.
std::string OneLine(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (const char c : s) out += (c == '\r' || c == '\n') ? ' ' : c;
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

void CIniFile::Parse(std::string_view text) {
    lines_.clear();
    sections_.clear();
    bom_ = text.substr(0, kBom.size()) == kBom;
    if (bom_) text.remove_prefix(kBom.size());
    int section = -1;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        std::string_view raw = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        Line line{std::string(raw), section, false};
        std::string_view name;
        if (HeaderName(raw, name)) {
            sections_.emplace_back(name);
            section = static_cast<int>(sections_.size()) - 1;
            line.section = section;
            line.isHeader = true;
        }
        lines_.push_back(std::move(line));
    }
}

std::string CIniFile::Text() const {
    std::string out;
    if (bom_) out += kBom;
    for (const Line& line : lines_) {
        out += line.text;
        out += "\r\n";
    }
    return out;
}

int CIniFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        if (SameName(sections_[i], section)) return static_cast<int>(i);
    }
    return -1;
}

std::optional<std::size_t> CIniFile::FindKeyLine(int section, std::string_view key) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.section != section || line.isHeader) continue;
        std::string_view k, v;
        if (SplitKey(line.text, k, v) && SameName(k, key)) return i;
    }
    return std::nullopt;
}

std::optional<std::string> CIniFile::Get(std::string_view section, std::string_view key) const {
    const int s = FindSection(section);
    if (s < 0) return std::nullopt;
    const std::optional<std::size_t> at = FindKeyLine(s, key);
    if (!at) return std::nullopt;
    std::string_view k, v;
    SplitKey(lines_[*at].text, k, v);
    return std::string(v);
}

void CIniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string keyText = OneLine(Trim(key));
    const std::string valueText = OneLine(value);
    int s = FindSection(section);
    if (s < 0) {
        sections_.push_back(OneLine(section));
        s = static_cast<int>(sections_.size()) - 1;
        lines_.push_back({"[" + sections_.back() + "]", s, true});
        lines_.push_back({keyText + "=" + valueText, s, false});
        return;
    }
    if (const std::optional<std::size_t> at = FindKeyLine(s, key)) {
        // Keep the key as the file spells it.
        std::string_view k, v;
        SplitKey(lines_[*at].text, k, v);
        lines_[*at].text = std::string(k) + "=" + valueText;
        return;
    }
    // After the section's last non-blank line, so blank lines that separate
    // it from the next section stay where they are.
    std::size_t insertAt = 0;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].section == s && (lines_[i].isHeader || !Trim(lines_[i].text).empty())) {
            insertAt = i + 1;
        }
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                  Line{keyText + "=" + valueText, s, false});
}

std::string EncodeProfileStruct(const void* data, std::size_t size) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::string out;
    out.reserve(size * 2 + 2);
    unsigned sum = 0;
    for (std::size_t i = 0; i < size; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0x0F];
        sum += bytes[i];
    }
    out += kDigits[(sum >> 4) & 0x0F];
    out += kDigits[sum & 0x0F];
    return out;
}

bool DecodeProfileStruct(std::string_view text, void* data, std::size_t size) {
    if (text.size() != size * 2 + 2) return false;
    std::vector<std::uint8_t> bytes(size + 1);
    unsigned sum = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        const int hi = HexDigit(text[2 * i]);
        const int lo = HexDigit(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes[i] = static_cast<std::uint8_t>(hi << 4 | lo);
        if (i < size) sum += bytes[i];
    }
    if ((sum & 0xFF) != bytes[size]) return false;
    if (size > 0) std::memcpy(data, bytes.data(), size);
    return true;
}

}  // namespace name_share
