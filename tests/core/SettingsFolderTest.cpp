#include "core/SettingsFolder.h"

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

namespace {

using korvex::test::TempFolder;
using korvex::test::WriteBytes;

TEST(SettingsFolder, WritableProgramFolderIsUsed) {
    TempFolder program;
    TempFolder config;
    EXPECT_EQ(korvex::ChooseSettingsFolder(program.path, config.path.c_str(), "/nonexistent"),
              program.path);
    EXPECT_TRUE(korvex::IsWritableFolder(program.path));
    // The probe file does not stay behind.
    EXPECT_TRUE(std::filesystem::is_empty(program.path));
}

TEST(SettingsFolder, ReadOnlyProgramFolderFallsBackToTheUserConfig) {
    TempFolder scratch;
    // Not a folder at all, so no file can be made in it, whoever runs the test.
    WriteBytes(scratch / "plainfile", "x");
    const std::filesystem::path unwritable = scratch / "plainfile" / "bin";
    ASSERT_FALSE(korvex::IsWritableFolder(unwritable));

    const std::filesystem::path xdg = scratch / "xdg";
    const std::filesystem::path chosen =
        korvex::ChooseSettingsFolder(unwritable, xdg.c_str(), "/nonexistent");
    EXPECT_EQ(chosen, xdg / "Korvex");
    EXPECT_TRUE(std::filesystem::is_directory(chosen));

    const std::filesystem::path home = scratch / "home";
    for (const char* unusable : {static_cast<const char*>(nullptr), "", "relative/dir"}) {
        EXPECT_EQ(korvex::ChooseSettingsFolder(unwritable, unusable, home.c_str()),
                  home / ".config" / "Korvex")
            << (unusable ? unusable : "(unset)");
    }
    EXPECT_TRUE(std::filesystem::is_directory(home / ".config" / "Korvex"));
}

TEST(SettingsFolder, LanguageFilesOfAnInstallation) {
    EXPECT_EQ(korvex::InstalledLanguageFolder("/usr/local/bin"),
              std::filesystem::path("/usr/local/share/korvex/language"));
    EXPECT_FALSE(korvex::ProgramFolder().empty());
}

}  // namespace
