#pragma once

#include <string_view>

#include "xtp/XTPResourceManager.h"

namespace korvex {

// The text of app/resources/Resources.xml as compiled in.
std::string_view BuiltInResourceXml();

// The built-in string table, menus and dialog templates, parsed once.
const XTPResourceTable& BuiltInResourceTable();

// Installs a resource manager that serves the built-in resources only, as the
// program has before a language is applied and korvex-cli has for language 0.
void InstallBuiltInResources();

}  // namespace korvex
