#pragma once

#include <filesystem>
#include <string>

#include "core/formats/Recording.h"

namespace korvex::shell {

// Why a file was not imported, in the program's language: the window's
// counterpart of the command-line tool's formats::ReadResultText, with the
// same facts. A refusal this table does not know keeps that text.
std::string ImportRefusalText(const formats::ReadResult& result, const std::filesystem::path& path);

}  // namespace korvex::shell
