#pragma once

#include <cstddef>
#include <string>

#include "xtp/XTPResourceManager.h"
#include "xtp/XtpExport.h"

namespace tinyxml2 {
class XMLElement;
}

// Readers of the resource XML format shared by the built-in resources and the
// language files: a root "resource" holding "string", "menu" and "dialog"
// elements. Numbers are decimal (style values may also be "0x…"), positions
// four comma-separated numbers.

// Reads a "menu" element's "menuitem" children, recursively. False (with `out`
// left in an unspecified state) for an item without a readable id.
KORVEX_XTP_API bool ReadMenuElement(const tinyxml2::XMLElement& menu, XTPMenu& out);

// Reads a "dialog" element and its "control" children with the format's
// defaults; the set-font style bit 0x40 is added. False for a dialog without a
// readable "style" or a control with an unreadable attribute.
KORVEX_XTP_API bool ReadDialogElement(const tinyxml2::XMLElement& dialog, XTPDialogTemplate& out);

// Parses a whole resource document into `table`, adding to what it holds (a
// later element of the same number replaces an earlier one). Elements that
// cannot be read are skipped. False, with `error` set and `table` unchanged,
// when the text is not XML or its root is not "resource".
KORVEX_XTP_API bool ParseResourceXml(const char* text, std::size_t size, XTPResourceTable& table,
                                     std::string& error);
