#pragma once

#include <QString>

namespace korvex::shell {

// The family installed for Chinese texts (fonts-wqy-microhei).
inline constexpr char kChineseFallbackFamily[] = "WenQuanYi Micro Hei";

// Keeps the desktop's font and, when that font has no Simplified Chinese
// glyphs, puts the fallback family right behind it, so the built-in texts
// never show as boxes. Returns the family list the application font uses.
QStringList PreferChineseFont();

}  // namespace korvex::shell
