#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace name_share {

// An INI file held as its lines, read and edited the way the Windows profile
// functions do: section and key names compare without case, the first of
// duplicate keys wins, values are trimmed and lose one pair of matching
// quotes. Editing keeps every other line as it was; the text is written back
// with CRLF line ends (and the BOM, when the file had one).
class CIniFile {
  public:
    // Any bytes are accepted: LF or CRLF line ends, an optional UTF-8 BOM.
    void Parse(std::string_view text);
    std::string Text() const;

    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // Replaces the value of the first such key, or adds the key at the end of
    // its section, or adds the section at the end of the file.
    void Set(std::string_view section, std::string_view key, std::string_view value);

  private:
    struct Line {
        std::string text;  // as read, without the line end
        int section = -1;  // index into sections_ of the section the line is in
        bool isHeader = false;
    };
    std::optional<std::size_t> FindKeyLine(int section, std::string_view key) const;
    int FindSection(std::string_view section) const;

    std::vector<Line> lines_;
    std::vector<std::string> sections_;  // names in file order
    bool bom_ = false;
};

// Windows profile struct records: each byte as two upper-case hex digits in
// memory order, then two hex digits of the byte sum mod 256.
std::string EncodeProfileStruct(const void* data, std::size_t size);
// Accepts only exactly 2·size+2 hex digits (either case) with a matching sum;
// on refusal data is left as it was.
bool DecodeProfileStruct(std::string_view text, void* data, std::size_t size);

}  // namespace name_share
