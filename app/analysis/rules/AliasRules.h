#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "share/ObjKey.h"
#include "share/SettingsTypes.h"

namespace korvex {

// String numbers of the alias window.
inline constexpr std::uint32_t kStrDataPatternHelp = 101;  // how a data pattern is written
inline constexpr std::uint32_t kStrAliasIsName = 102;      // "别名为%s"
inline constexpr std::uint32_t kStrIsValue = 103;          // "为%s"
inline constexpr std::uint32_t kStrWhenFieldValue = 104;   // "当%s%s时"
inline constexpr std::uint32_t kStrValueNotHex = 24000;    // identifier or length not hexadecimal
inline constexpr std::uint32_t kStrNoSuchAliasLine = 24001;

// The data text is read up to this many characters.
inline constexpr std::size_t kMaxDataPatternText = 255;

// What the edit row of the alias window holds.
struct AliasFields {
    int field = kKeyIdentifier;  // item data of the field combo box, 3 to 7
    std::string value;           // the value edit (fields 3, 6 and 7)
    int choice = 0;              // the value combo box (fields 4 and 5): 0 or 1
};

// One entry of the field combo box: its caption's string number and field.
struct AliasFieldChoice {
    std::uint32_t caption;
    int field;
};
const std::array<AliasFieldChoice, 5>& AliasFieldChoices();

// Fields 4 and 5 take their value from a combo box of two words (the string
// numbers of value 0 and value 1); the other fields from the edit.
bool UsesValueCombo(int field);
std::array<std::uint32_t, 2> AliasValueWords(int field);

// Reads the edit row into a key. Returns 0, or the number of the message that
// refuses it: kStrValueNotHex for an identifier or length that does not begin
// with a hexadecimal number, kStrDataPatternHelp for a data pattern with no
// byte to compare or a group that is neither "**" nor hexadecimal.
std::uint32_t ReadAliasKey(const AliasFields& fields, OBJKEY& key);

// The edit row that shows a stored rule's key (the double-click).
AliasFields AliasFieldsFromKey(const OBJKEY& key);

// The list line of a rule: "当<caption>为<value>时别名为<name>".
std::string AliasLineText(const AliasEntry& entry);

// The window's stored position, packed as top << 16 | left; false when the
// settings hold none (0 or -1).
std::int32_t PackDialogPosition(int left, int top);
bool UnpackDialogPosition(std::int32_t packed, int& left, int& top);

}  // namespace korvex
