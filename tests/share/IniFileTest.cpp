#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "share/AtomicFile.h"
#include "share/ControlIni.h"
#include "share/IniFile.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::test::TempFolder;
using name_share::CControlIni;
using name_share::CIniFile;
using name_share::DecodeProfileStruct;
using name_share::EncodeProfileStruct;

TEST(ProfileStruct, EncodingAndAcceptance) {
    const char abacus[7] = "abacus";
    EXPECT_EQ(EncodeProfileStruct(abacus, 7), "616261637573006F");
    EXPECT_EQ(EncodeProfileStruct(abacus, 0), "00");
    const std::uint8_t high[2] = {0xFF, 0xFE};
    EXPECT_EQ(EncodeProfileStruct(high, 2), "FFFEFD");

    char out[7];
    std::memset(out, 'x', sizeof out);
    ASSERT_TRUE(DecodeProfileStruct("616261637573006F", out, 7));
    EXPECT_EQ(std::memcmp(out, abacus, 7), 0);
    std::uint8_t back[2] = {};
    EXPECT_TRUE(DecodeProfileStruct("fffefd", back, 2));  // lower case on reading
    EXPECT_EQ(back[0], 0xFF);
    EXPECT_EQ(back[1], 0xFE);

    // Refused texts leave the record as it was.
    const char* refused[] = {
        "616261637573006",     // one digit short
        "616261637573006F00",  // one byte long
        "6162616375730070",    // wrong checksum
        "61626163757300 F",    // not a digit
        "",
    };
    for (const char* text : refused) {
        std::memset(out, 'x', sizeof out);
        EXPECT_FALSE(DecodeProfileStruct(text, out, 7)) << text;
        EXPECT_EQ(std::string(out, 7), "xxxxxxx") << text;
    }
}

TEST(IniFile, ReadsAFileAsWindowsWritesIt) {
    CIniFile ini;
    ini.Parse(
        "\xEF\xBB\xBF[Main]\r\n"
        "ICurCanInd = 5\r\n"
        "  name =  \"quoted value\"  \r\n"
        "single='x'\r\n"
        "half=\"open\r\n"
        "dup=first\r\n"
        "DUP=second\r\n"
        "noequals\r\n"
        "\r\n"
        "[ other ]\r\n"
        "k=[not a section]\r\n"
        "[main]\r\n"
        "late=ignored in a second section of the same name\r\n");
    EXPECT_EQ(ini.Get("main", "iCurCANInd"), "5");
    EXPECT_EQ(ini.Get("MAIN", "name"), "quoted value");
    EXPECT_EQ(ini.Get("Main", "single"), "x");
    EXPECT_EQ(ini.Get("Main", "half"), "\"open");
    EXPECT_EQ(ini.Get("Main", "dup"), "first");
    EXPECT_EQ(ini.Get("Main", "noequals"), std::nullopt);
    EXPECT_EQ(ini.Get("Other", "K"), "[not a section]");
    EXPECT_EQ(ini.Get("Main", "late"), std::nullopt);
    EXPECT_EQ(ini.Get("Missing", "x"), std::nullopt);
}

TEST(IniFile, EditingKeepsEverythingElse) {
    CIniFile ini;
    ini.Parse(
        "\xEF\xBB\xBF; comment\n"
        "[Main]\n"
        "ICurCANInd=1\n"
        "Other = keep me \n"
        "\n"
        "[LANGUAGES]\n"
        "Count=0");
    ini.Set("main", "iCurCANInd", "2");
    ini.Set("MAIN", "iRecordLength", "3000");
    ini.Set("languages", "0", "9|1|en|english.xml|English");
    ini.Set("LAST", "Sel", "1");
    EXPECT_EQ(ini.Text(),
              "\xEF\xBB\xBF; comment\r\n"
              "[Main]\r\n"
              "ICurCANInd=2\r\n"
              "Other = keep me \r\n"
              "iRecordLength=3000\r\n"
              "\r\n"
              "[LANGUAGES]\r\n"
              "Count=0\r\n"
              "0=9|1|en|english.xml|English\r\n"
              "[LAST]\r\n"
              "Sel=1\r\n");

    // A line break in a value cannot smuggle a new key into the file.
    ini.Set("LAST", "Sel", "1\r\nInjected=1");
    CIniFile again;
    again.Parse(ini.Text());
    EXPECT_EQ(again.Get("LAST", "Injected"), std::nullopt);
}

TEST(ControlIni, IntegersTextsAndRecordsThroughTheFile) {
    TempFolder dir;
    CControlIni ini;
    ini.iniPath = dir.File("DevCfg.ini");
    bool found = true;
    EXPECT_EQ(ini.ReadInt("Main", "iRecordLength", 3000, &found), 3000);
    EXPECT_FALSE(found);

    ASSERT_TRUE(ini.WriteInt("Main", "iCurCANInd", -7));
    ASSERT_TRUE(ini.WriteString("Main", "text", "abc"));
    const std::uint8_t record[4] = {1, 0, 0, 0};
    ASSERT_TRUE(ini.WriteStruct("Main", "bCurSelProtocol", record, sizeof record));
    std::string text;
    ASSERT_TRUE(name_share::ReadWholeFile(ini.iniPath, text));
    EXPECT_EQ(text, "[Main]\r\niCurCANInd=-7\r\ntext=abc\r\nbCurSelProtocol=0100000001\r\n");

    EXPECT_EQ(ini.ReadInt("MAIN", "ICURCANIND", 0, &found), -7);
    EXPECT_TRUE(found);
    EXPECT_EQ(ini.ReadString("main", "TEXT"), "abc");
    std::uint8_t back[4] = {9, 9, 9, 9};
    EXPECT_TRUE(ini.ReadStruct("Main", "bCurSelProtocol", back, sizeof back));
    EXPECT_EQ(back[0], 1);
    // Wrong length for the record: refused, the record keeps its value.
    std::uint8_t longer[5] = {9, 9, 9, 9, 9};
    EXPECT_FALSE(ini.ReadStruct("Main", "bCurSelProtocol", longer, sizeof longer));
    EXPECT_EQ(longer[0], 9);

    // "%d" reading: trailing text ends the number, no digits gives the default.
    ASSERT_TRUE(name_share::WriteFileAtomic(
        ini.iniPath, "[Main]\r\na=12abc\r\nb=abc\r\nc=\r\nd=  +4\r\ne=-\r\n"));
    EXPECT_EQ(ini.ReadInt("Main", "a", 0), 12);
    EXPECT_EQ(ini.ReadInt("Main", "b", 300, &found), 300);
    EXPECT_FALSE(found);
    EXPECT_EQ(ini.ReadInt("Main", "c", 300), 300);
    EXPECT_EQ(ini.ReadInt("Main", "d", 0), 4);
    EXPECT_EQ(ini.ReadInt("Main", "e", 1), 1);

    // No path: nothing is read or written.
    CControlIni none;
    EXPECT_FALSE(none.WriteInt("Main", "x", 1));
    EXPECT_EQ(none.ReadInt("Main", "x", 5), 5);
}

TEST(AtomicFile, ReplacesWholeOrNotAtAll) {
    TempFolder dir;
    const std::string path = dir.File("DevCfg.ini");
    ASSERT_TRUE(name_share::WriteFileAtomic(path, "one"));
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    ASSERT_TRUE(name_share::WriteFileAtomic(path, std::string("two\0three", 9)));
    std::string text;
    ASSERT_TRUE(name_share::ReadWholeFile(path, text));
    EXPECT_EQ(text, std::string("two\0three", 9));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // No temporary file is left behind.
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        ++files;
    }
    EXPECT_EQ(files, 1u);

    EXPECT_FALSE(name_share::WriteFileAtomic(dir.File("missing/x.ini"), "x"));
    EXPECT_FALSE(name_share::WriteFileAtomic("", "x"));
    EXPECT_FALSE(name_share::ReadWholeFile(dir.File("missing.ini"), text));
}

}  // namespace
