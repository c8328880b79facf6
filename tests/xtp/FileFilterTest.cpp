#include <gtest/gtest.h>

#include "xtp/XTPFileFilter.h"

namespace {

constexpr char kExportFilter[] = "Text File(*.txt)|*.txt|Korvex data file(*.can)|*.can||";

TEST(FileFilter, FiltersBecomeQtNameFilters) {
    const struct {
        const char* filter;
        const char* qt;
    } cases[] = {
        {kExportFilter, "Text File(*.txt);;Korvex data file(*.can)"},
        {"Text File|*.txt||", "Text File (*.txt)"},
        {"Data|*.can;*.bin|All files (*.*)|*.*||", "Data (*.can *.bin);;All files (*.*)"},
        {"", ""},
        {"No patterns||", ""},
        {"Unended|*.x", "Unended (*.x)"},
    };
    for (const auto& c : cases) EXPECT_EQ(QtNameFilters(c.filter), c.qt) << c.filter;
}

TEST(FileFilter, NameWithoutExtensionGetsTheChosenFiltersOne) {
    EXPECT_EQ(DefaultSuffix(kExportFilter, 0, "txt||can"), "txt");
    EXPECT_EQ(DefaultSuffix(kExportFilter, 1, "txt||can"), "can");
    EXPECT_EQ(DefaultSuffix(kExportFilter, 7, "txt||can"), "txt");
    EXPECT_EQ(DefaultSuffix("All|*.*||", 0, "txt"), "txt");
    EXPECT_EQ(DefaultSuffix("All|*||", 0, ""), "");

    const struct {
        const char* path;
        const char* result;
    } cases[] = {
        {"/tmp/a", "/tmp/a.txt"}, {"/tmp.d/a", "/tmp.d/a.txt"}, {"/tmp/a.CAN", "/tmp/a.CAN"},
        {"/tmp/a.", "/tmp/a."},   {"/tmp/", "/tmp/"},           {"a", "a.txt"},
    };
    for (const auto& c : cases) EXPECT_EQ(WithDefaultSuffix(c.path, "txt"), c.result) << c.path;
    EXPECT_EQ(WithDefaultSuffix("/tmp/a", ""), "/tmp/a");
}

}  // namespace
