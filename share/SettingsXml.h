#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <tinyxml2.h>

#include "core/frame/CanObj.h"
#include "share/ObjKey.h"
#include "share/SettingsTypes.h"

// The XML forms of keys, send entries and send lists. Readers accept any
// document and never produce a value that could later be read or written out
// of bounds: key ranges are clamped to the eight data bytes, a key's stored
// bytes are kept only as far as they are complete, names are cut to their field.
namespace name_share {

// Upper-case hex digits, two per byte, no separators.
std::string HexBytes(const std::uint8_t* data, std::size_t size);
// Reads two hex digits at a time from text, at most maxBytes bytes; stops at
// the first pair that is not two hex digits.
std::vector<std::uint8_t> ParseHexBytes(std::string_view text, std::size_t maxBytes);

// False (key untouched) when element is null.
bool ReadOBJKEY(const tinyxml2::XMLElement* element, OBJKEY& key);
void WriteOBJKEY(tinyxml2::XMLElement* element, const OBJKEY& key);

bool ReadSendUnit(const tinyxml2::XMLElement* element, tagSendUint& unit);
void WriteSendUnit(tinyxml2::XMLElement* element, const tagSendUint& unit);

// m_dwCycles attribute and the "tagSendUint" children.
void ReadSendList(const tinyxml2::XMLElement* element, SendList& list);
void WriteSendList(tinyxml2::XMLElement* element, const SendList& list);

// Parses text into document. The settings keep "CANIndMap" in an attribute
// named "0", which XML forbids and tinyxml2 refuses to read although it writes
// it; such attribute names are read as well and keep their names.
bool ParseSettingsDocument(std::string_view text, tinyxml2::XMLDocument& document);

}  // namespace name_share
