#include "app/analysis/rules/SearchResults.h"

namespace korvex {

void CSearchResults::Clear() {
    hits.clear();
    sources.clear();
    itemCount = 0;
}

void CSearchResults::PutFrame(int n, const _VCI_CAN_OBJ& frame) {
    if (n >= 0 && n < HitCount()) {
        hits[static_cast<std::size_t>(n)] = frame;
    } else {
        hits.push_back(frame);
    }
}

void CSearchResults::SetSource(int n, std::int32_t index) {
    if (n < 0) return;
    if (static_cast<std::size_t>(n) >= sources.size())
        sources.resize(static_cast<std::size_t>(n) + 1, 0);
    sources[static_cast<std::size_t>(n)] = index;
}

const _VCI_CAN_OBJ* CSearchResults::Frame(int k) const {
    return k >= 0 && k < HitCount() ? &hits[static_cast<std::size_t>(k)] : nullptr;
}

std::int32_t CSearchResults::Source(int k) const {
    return k >= 0 && static_cast<std::size_t>(k) < sources.size()
               ? sources[static_cast<std::size_t>(k)]
               : -1;
}

bool CSearchResults::CellText(int k, int column, const ExportRowContext& context,
                              std::string& text) const {
    const _VCI_CAN_OBJ* frame = Frame(k);
    if (frame == nullptr) {
        text.clear();
        return false;
    }
    if (column == 0) {
        FormatRowNumber(Source(k), text);
    } else {
        FormatCellText(k, *frame, column, context, text);
    }
    return true;
}

void CSearchResults::WriteExport(const std::vector<std::string>& captions,
                                 const std::vector<int>& columns, const ExportRowContext& context,
                                 const std::function<bool(const std::string& line)>& line) const {
    std::string text;
    AppendHeaderLine(text, captions);
    if (!line(text)) return;
    std::string cell;
    for (int k = 0; k < itemCount; ++k) {
        text.clear();
        for (std::size_t c = 0; c < captions.size(); ++c) {
            CellText(k, c < columns.size() ? columns[c] : static_cast<int>(c), context, cell);
            text += cell;
            text += '\t';
        }
        text += "\r\n";
        if (!line(text)) return;
    }
}

}  // namespace korvex
