#include "core/formats/CsvFormat.h"

#include "core/FrameLines.h"

namespace korvex::formats {
namespace {

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

bool WriteCsv(std::FILE* file, const WriteSource& source, const PassSplit& split) {
    std::string header;
    AppendRecord(header, source.captions);
    if (!Flush(file, header)) return false;
    return WriteFrameLinesWith<ExportCells>(file, source.frameStore.View(), split,
                                            [&](std::int64_t i, const _VCI_CAN_OBJ& frame,
                                                std::string& out, ExportCells& cells) {
                                                FormatExportCells(i, frame, source.rowContext,
                                                                  cells);
                                                AppendRecord(out, cells);
                                            }) &&
           std::fflush(file) == 0;
}

}  // namespace korvex::formats
