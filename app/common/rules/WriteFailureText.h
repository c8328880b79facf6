#pragma once

#include <string>

#include "core/FileWriteProblem.h"

namespace korvex {

// The one way a window says that a file was not written: "cannot create" or
// "cannot write" (strings 3067 and 20001), the file's path and the system's
// reason.
std::string WriteFailureText(const std::string& path, const FileWriteProblem& problem);

}  // namespace korvex
