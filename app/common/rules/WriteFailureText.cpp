#include "app/common/rules/WriteFailureText.h"

#include <cstring>

#include "xtp/XTPResourceManager.h"

namespace korvex {
namespace {

constexpr std::uint32_t kStrCannotCreateFile = 3067;
constexpr std::uint32_t kStrCannotWriteFile = 20001;

}  // namespace

std::string WriteFailureText(const std::string& path, const FileWriteProblem& problem) {
    return XTPLoadString(problem.created ? kStrCannotWriteFile : kStrCannotCreateFile) + "\n" +
           path + "\n" + std::strerror(problem.error);
}

}  // namespace korvex
