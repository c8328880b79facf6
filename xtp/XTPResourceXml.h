#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "xtp/XTPResourceManager.h"
#include "xtp/XtpExport.h"

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
}  // namespace tinyxml2

// Readers of the resource XML format shared by the built-in resources and the
// language files: a root "resource" holding "string", "menu" and "dialog"
// elements. Numbers are decimal (style values may also be "0x…"), positions
// four comma-separated numbers.

// The resource number of an element: its "id" attribute, decimal or "0x…".
// False when it has none or it is not a number of 32 bits.
KORVEX_XTP_API bool ReadResourceId(const tinyxml2::XMLElement& element, std::uint32_t& id);

// Parses `text` into `document` and checks that its root is "resource". False,
// with `error` set, when it is not XML or has another root.
KORVEX_XTP_API bool ParseResourceDocument(const char* text, std::size_t size,
                                          tinyxml2::XMLDocument& document, std::string& error);

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
