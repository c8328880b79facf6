#include "core/formats/FormatDetect.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <memory>

#include "core/DataFileReader.h"
#include "core/formats/CsvFormat.h"
#include "core/formats/PcapFormat.h"
#include "core/formats/TextTokens.h"

namespace korvex::formats {
namespace {

constexpr std::string_view kBlfSignature = "LOGG";
// A text log has no zero bytes; a binary file has some early on.
constexpr std::size_t kBinaryProbe = 4096;
constexpr std::size_t kFewestCsvCommas = 6;

bool StartsWithWord(std::string_view line, std::string_view word) {
    std::string_view rest = line;
    const std::string_view first = NextToken(rest);
    if (first.size() != word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(first[i])) != word[i]) return false;
    return true;
}

bool AllDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// Formats in the order their first evidence appears.
class CEvidence {
  public:
    void Add(DataFormat f) {
        for (std::size_t i = 0; i < count; ++i)
            if (found[i] == f) return;
        if (count < found.size()) found[count++] = f;
    }
    std::optional<DataFormat> Choose(std::optional<DataFormat> byExtension) const {
        for (std::size_t i = 0; i < count; ++i)
            if (byExtension && found[i] == *byExtension) return found[i];
        if (count > 0) return found[0];
        return std::nullopt;
    }
    bool Empty() const { return count == 0; }

  private:
    std::array<DataFormat, 8> found{};
    std::size_t count = 0;
};

}  // namespace

std::optional<DataFormat> DetectFormatOfBytes(std::string_view head,
                                              std::optional<DataFormat> byExtension) {
    const std::string_view signature(kDataFileSignature, sizeof kDataFileSignature);
    if (head.substr(0, signature.size()) == signature) return DataFormat::kSnapshot;
    if (head.substr(0, kBlfSignature.size()) == kBlfSignature) return DataFormat::kBlf;
    if (IsPcapngHead(head)) return DataFormat::kPcapng;
    if (IsPcapHead(head)) return DataFormat::kPcap;
    if (head.substr(0, kBinaryProbe).find('\0') != std::string_view::npos) return std::nullopt;
    if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);

    CEvidence evidence;
    bool blank = true;
    bool firstLine = true;
    bool csvHeader = false;
    std::size_t at = 0;
    while (at < head.size()) {
        std::size_t end = head.find('\n', at);
        // The last line of the bytes looked at may be cut: it tells nothing.
        if (end == std::string_view::npos) break;
        std::string_view line = head.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::size_t first = 0;
        while (first < line.size() && IsBlank(line[first])) ++first;
        line.remove_prefix(first);
        if (line.empty()) continue;
        blank = false;
        const bool wasFirst = firstLine;
        firstLine = false;
        if (line.substr(0, 2) == ";$") {
            evidence.Add(DataFormat::kTrc);
            continue;
        }
        if (line[0] == ';') continue;
        if (StartsWithWord(line, "date") || StartsWithWord(line, "base")) {
            evidence.Add(DataFormat::kAsc);
            continue;
        }
        std::string_view rest = line;
        const std::string_view word = NextToken(rest);
        if (word.size() > 2 && word.front() == '(' && word.back() == ')' &&
            line.find('#') != std::string_view::npos) {
            evidence.Add(DataFormat::kCandump);
            continue;
        }
        if (word.size() > 1 && word.back() == ')' && AllDigits(word.substr(0, word.size() - 1))) {
            evidence.Add(DataFormat::kTrc);
            continue;
        }
        if (wasFirst) {
            if (line == kPythonCanCsvHeader) {
                evidence.Add(DataFormat::kCsv);
            } else {
                std::size_t commas = 0;
                for (char c : line) commas += c == ',';
                csvHeader = commas >= kFewestCsvCommas;
            }
            continue;
        }
        // The program's CSV: a header of captions, then rows from number 0.
        if (csvHeader && line.substr(0, 2) == "0,") evidence.Add(DataFormat::kCsv);
        csvHeader = false;
    }
    if (!evidence.Empty()) return evidence.Choose(byExtension);
    // Nothing but blank lines (or nothing at all): an empty log of the kind
    // its name says.
    if (blank && at == head.size()) return byExtension;
    return std::nullopt;
}

std::optional<DataFormat> DetectFormat(const std::filesystem::path& path) {
    const DataFormatInfo* byName = FindFormatByFileName(path);
    std::optional<DataFormat> byExtension;
    if (byName != nullptr && byName->read != nullptr) byExtension = byName->format;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) return byExtension;  // the reader says why it cannot open it
    std::string head(kDetectBytes, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file.get()));
    // A file shorter than what is looked at ends with its last line.
    if (head.size() < kDetectBytes && !head.empty() && head.back() != '\n') head += '\n';
    return DetectFormatOfBytes(head, byExtension);
}

}  // namespace korvex::formats
