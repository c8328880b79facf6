#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/FrameRowText.h"
#include "core/frame/CanObj.h"

namespace korvex {

// The hits of the search-result list: a private copy of each hit's frame and
// the index of that frame in the frame store. The visible item count is set
// apart from the hits, as an owner-data list's count is.
class CSearchResults {
  public:
    void Clear();
    // Overwrites hit n, or appends when n is the next position.
    void PutFrame(int n, const _VCI_CAN_OBJ& frame);
    // Sets the source index of hit n, extending the sources with zeros first.
    void SetSource(int n, std::int32_t index);
    void SetItemCount(int count) { itemCount = count; }

    int ItemCount() const { return itemCount; }
    int HitCount() const { return static_cast<int>(hits.size()); }

    // The text of item k in column c: column 0 the frame's index in the
    // store, the others as the frame list shows them. False (and an empty
    // text) for an item past the hits.
    bool CellText(int k, int column, const ExportRowContext& context, std::string& text) const;
    // The frame of item k, or null past the hits.
    const _VCI_CAN_OBJ* Frame(int k) const;
    // The store index of item k, or -1 past the sources.
    std::int32_t Source(int k) const;

    // The export file's text: the header line of captions, then each item's
    // texts of every caption's column; each field followed by a tab, lines
    // ending "\r\n". `columns` gives each caption's item index (none: its
    // position). `line` is called with each complete line and stops the
    // export by returning false.
    void WriteExport(const std::vector<std::string>& captions, const std::vector<int>& columns,
                     const ExportRowContext& context,
                     const std::function<bool(const std::string& line)>& line) const;

  private:
    std::vector<_VCI_CAN_OBJ> hits;
    std::vector<std::int32_t> sources;
    int itemCount = 0;
};

}  // namespace korvex
