#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/common/rules/NumberedFormat.h"
#include "app/resources/rules/BuiltInResources.h"

namespace {

using korvex::FormatArguments;

TEST(NumberedFormat, ArgumentsAFormatReads) {
    struct Case {
        const char* format;
        std::optional<std::string> kinds;
    };
    const Case cases[] = {
        {"plain", ""},
        {"100%% done", ""},
        {"%s", "s,"},
        {"%lld of %lld", "lli,lli,"},
        {"%qd", "lli,"},
        {"%-08.3f%%", "f,"},
        {"%x %X %o %u", "u,u,u,u,"},
        {"%hhd %zu %c %p", "hhi,zu,c,p,"},
        {"%*d", "i,i,"},
        {"%.*s", "i,s,"},
        {"%999s", "s,"},
        {"%1000s", std::nullopt},
        {"%.1000f", std::nullopt},
        {"%n", std::nullopt},
        {"%1$s", std::nullopt},
        {"%m", std::nullopt},
        {"%y", std::nullopt},
        {"100%", std::nullopt},
        {"%ll", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatArguments(c.format), c.kinds) << c.format;
    EXPECT_TRUE(korvex::SameConversions("%lld lines (line %lld)", "有 %lld 行（第 %lli 行）"));
    EXPECT_FALSE(korvex::SameConversions("%d lines (line %d)", "有 %lld 行（第 %lld 行）"));
    EXPECT_FALSE(korvex::SameConversions("%lld lines", "有 %lld 行（第 %lld 行）"));
    // A number without a built-in text may take no arguments at all.
    korvex::InstallBuiltInResources();
    EXPECT_EQ(korvex::LoadFormatString(4000000000u), "");
}

}  // namespace
