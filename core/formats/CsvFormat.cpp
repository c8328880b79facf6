#include "core/formats/CsvFormat.h"

namespace korvex::formats {
namespace {

constexpr std::size_t kFlushBytes = 1 << 16;

bool NeedsQuotes(std::string_view field) {
    if (field.empty()) return false;
    if (field.front() == ' ' || field.back() == ' ') return true;
    return field.find_first_of(",\"\r\n") != std::string_view::npos;
}

bool Flush(std::FILE* file, std::string& pending) {
    const bool ok = std::fwrite(pending.data(), 1, pending.size(), file) == pending.size();
    pending.clear();
    return ok;
}

template <typename Fields>
void AppendRecord(std::string& out, const Fields& fields) {
    bool first = true;
    for (const auto& field : fields) {
        if (!first) out += ',';
        first = false;
        AppendCsvField(out, field);
    }
    out += "\r\n";
}

}  // namespace

void AppendCsvField(std::string& out, std::string_view field) {
    if (!NeedsQuotes(field)) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

bool WriteCsv(std::FILE* file, const WriteSource& source) {
    std::string pending;
    pending.reserve(kFlushBytes + 1024);
    AppendRecord(pending, source.captions);
    ExportCells cells;
    const int count = source.frameStore.GetCount();
    _VCI_CAN_OBJ frame;
    for (int i = 0; i < count && source.frameStore.Get(i, &frame); ++i) {
        FormatExportCells(i, frame, source.rowContext, cells);
        AppendRecord(pending, cells);
        if (pending.size() >= kFlushBytes && !Flush(file, pending)) return false;
    }
    return Flush(file, pending) && std::fflush(file) == 0;
}

}  // namespace korvex::formats
