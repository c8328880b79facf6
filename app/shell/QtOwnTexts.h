#pragma once

#include <string>

namespace korvex::shell {

// Qt draws some texts of its own: the buttons of message boxes, the file
// dialogs' labels, the context menus of edit fields. Installs Qt's translation
// for `locale` (a C locale name such as "zh_CN.UTF-8") in place of the one
// installed before, so those texts follow the program's language. English, or
// a language Qt has no translation for, leaves Qt's built-in texts. Returns
// whether a translation was installed.
bool InstallQtOwnTexts(const std::string& locale);

}  // namespace korvex::shell
