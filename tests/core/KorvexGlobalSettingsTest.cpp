#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "core/KorvexGlobal.h"
#include "core/LanguageList.h"
#include "tests/support/TempFolder.h"
#include "tests/support/FrameFactory.h"

namespace {

using korvex::KvsetStatus;
using korvex::test::MakeFrame;
using korvex::test::ReadBytes;
using korvex::test::TempFolder;
using korvex::test::WriteBytes;

// A binary record as Windows writes it: two upper-case hexadecimal digits per
// byte, then two digits of the byte sum.
std::string ProfileStruct(const void* data, std::size_t size, bool lowerCase = false) {
    const char* digits = lowerCase ? "0123456789abcdef" : "0123456789ABCDEF";
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::string text;
    unsigned sum = 0;
    for (std::size_t i = 0; i < size; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
        sum += bytes[i];
    }
    text += digits[(sum >> 4) & 15];
    text += digits[sum & 15];
    return text;
}

// The keys of section "Main" in file order.
std::vector<std::string> KeysOf(const std::string& ini) {
    std::vector<std::string> keys;
    std::istringstream in(ini);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos) keys.push_back(line.substr(0, eq));
    }
    return keys;
}

std::string ValueOf(const std::string& ini, const std::string& key) {
    const std::size_t at = ini.find("\n" + key + "=");
    if (at == std::string::npos) return "<missing>";
    const std::size_t begin = at + key.size() + 2;
    return ini.substr(begin, ini.find('\r', begin) - begin);
}

CANSetting FreshSetting() {
    CANSetting s{};
    s.iReadMarker = 1;
    return s;
}

TEST(KorvexGlobalSettings, RecordOffsetsAreThoseOfTheFile) {
    EXPECT_EQ(sizeof(CANSetting), 2323u);
    EXPECT_EQ(offsetof(CANSetting, iReadMarker), 72u);
    EXPECT_EQ(offsetof(CANSetting, baseInfo), 76u);
    EXPECT_EQ(offsetof(CANSetting, filterInfo), 106u);
    EXPECT_EQ(offsetof(CANSetting, preFrames), 2179u);
}

TEST(KorvexGlobalSettings, MissingFileGivesDefaultsAndIsWrittenAtExit) {
    TempFolder dir;
    {
        CKorvexGlobal global(dir.path);
        EXPECT_EQ(global.iCurCANInd, 0);
        EXPECT_EQ(global.TimeShowType, 0);
        EXPECT_EQ(global.iRecordLength, 1);
        EXPECT_EQ(global.iListRefreshTm, 300);
        const CANSetting fresh = FreshSetting();
        EXPECT_EQ(std::memcmp(&global.CANSetting, &fresh, sizeof fresh), 0);
        EXPECT_TRUE(global.vecLanguage.empty());
    }
    const std::string ini = ReadBytes(dir / "DevCfg.ini");
    EXPECT_EQ(KeysOf(ini),
              (std::vector<std::string>{"iCurCANInd", "bCurSelProtocol", "iRecordLength",
                                        "iListRefreshTm", "CANSetting", "TimeShowType"}));
    EXPECT_EQ(ValueOf(ini, "iListRefreshTm"), "300");
    EXPECT_EQ(ValueOf(ini, "iRecordLength"), "1");
    EXPECT_EQ(ValueOf(ini, "bCurSelProtocol"), "0000000000");
    const CANSetting fresh = FreshSetting();
    EXPECT_EQ(ValueOf(ini, "CANSetting"), ProfileStruct(&fresh, sizeof fresh));
    EXPECT_EQ(ini.rfind("[Main]\r\n", 0), 0u);
    // Written whole through a temporary file that does not stay behind.
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir.path))
        files.push_back(e.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"DevCfg.ini", "softwareCfg.xml"}));
}

TEST(KorvexGlobalSettings, WindowsWrittenFileIsReadWhole) {
    TempFolder dir;
    CANSetting s{};
    std::memset(s.head, 0xA5, sizeof s.head);
    s.iReadMarker = 77;  // overwritten by the file's own value
    s.baseInfo.dwTiming = 0x00060007;
    s.baseInfo.dwSendInterval = 0x20;
    s.baseInfo.bMode = 1;
    s.baseInfo.bCentury = 20;
    s.baseInfo.bSecond = 59;
    s.filterInfo.bEnable = 1;
    s.filterInfo.dwTableEnd = 4;
    s.filterInfo.bTable[0] = 0x56;
    s.filterInfo.bTable[2047] = 0x99;
    s.preFrames[0] = MakeFrame(0x123, 0);
    s.preFrames[5] = MakeFrame(0x1FFFFFFF, 7, 0xFF);
    const std::uint8_t protocol[4] = {1, 0, 0, 0};
    WriteBytes(dir / "DevCfg.ini",
               "\xEF\xBB\xBF[Main]\r\n"
               "iCurCANInd=0\r\n"
               "bCurSelProtocol=" +
                   ProfileStruct(protocol, 4) +
                   "\r\n"
                   "iRecordLength=5000\r\n"
                   "iListRefreshTm=250\r\n"
                   "CANSetting=" +
                   ProfileStruct(&s, sizeof s, true) +
                   "\r\n"
                   "TimeShowType=257\r\n");
    CKorvexGlobal global(dir.path);
    EXPECT_EQ(global.bCurSelProtocol[0], 1);
    EXPECT_EQ(global.iRecordLength, 1);  // the stored length is not used
    EXPECT_EQ(global.iListRefreshTm, 250);
    EXPECT_EQ(global.TimeShowType, 1);  // the low byte of 257
    EXPECT_EQ(std::memcmp(&global.CANSetting, &s, sizeof s), 0);
}

TEST(KorvexGlobalSettings, DamagedRecordsKeepTheirDefaults) {
    TempFolder dir;
    CANSetting s = FreshSetting();
    s.baseInfo.dwTiming = 0x1234;
    std::string badSum = ProfileStruct(&s, sizeof s);
    badSum.back() = badSum.back() == '0' ? '1' : '0';
    const std::uint8_t ten[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    for (const std::string& value :
         {ProfileStruct(ten, sizeof ten), badSum, ProfileStruct(&s, sizeof s).substr(2)}) {
        WriteBytes(dir / "DevCfg.ini",
                   "[Main]\r\nCANSetting=" + value + "\r\nbCurSelProtocol=0102\r\n");
        CKorvexGlobal global(dir.path);
        const CANSetting fresh = FreshSetting();
        EXPECT_EQ(std::memcmp(&global.CANSetting, &fresh, sizeof fresh), 0);
        EXPECT_EQ(global.bCurSelProtocol[0], 0);
    }
}

TEST(KorvexGlobalSettings, ExportThenImportRestoresTheFile) {
    TempFolder dir;
    CKorvexGlobal global(dir.path);
    global.TimeShowType = 1;
    global.CANSetting.baseInfo.dwTiming = 0x001C0011;
    global.CANSetting.preFrames[2] = MakeFrame(0x7FF, 1);
    ASSERT_EQ(global.ExportDeviceConfig(dir / "cfg.kvset"), KvsetStatus::kOk);
    const std::string saved = ReadBytes(dir / "DevCfg.ini");
    const std::string kvset = ReadBytes(dir / "cfg.kvset");
    EXPECT_EQ(kvset.substr(0, 16), std::string("\x01\x0B\0\0\0DevCfg.ini\0", 16));

    global.TimeShowType = 0;
    global.CANSetting.baseInfo.dwTiming = 0;
    global.SaveSettings();
    ASSERT_NE(ReadBytes(dir / "DevCfg.ini"), saved);

    const korvex::KvsetImportResult result = global.ImportDeviceConfig(dir / "cfg.kvset");
    EXPECT_EQ(result.status, KvsetStatus::kOk);
    EXPECT_EQ(result.entriesStored, 1);
    EXPECT_EQ(ReadBytes(dir / "DevCfg.ini"), saved);
    EXPECT_EQ(global.TimeShowType, 1);  // reloaded
    // Packed members: copied out before comparing.
    EXPECT_EQ(std::uint32_t{global.CANSetting.baseInfo.dwTiming}, 0x001C0011u);
    EXPECT_EQ(std::uint32_t{global.CANSetting.preFrames[2].ID}, 0x7FFu);
}

TEST(KorvexGlobalSettings, ImportReloadsEvenWhenNothingIsStored) {
    TempFolder dir;
    CKorvexGlobal global(dir.path);
    global.SaveSettings();
    global.TimeShowType = 1;  // not saved
    WriteBytes(dir / "zero.kvset", std::string(1, '\0'));
    EXPECT_EQ(global.ImportDeviceConfig(dir / "zero.kvset").status, KvsetStatus::kOk);
    EXPECT_EQ(global.TimeShowType, 0);

    // A refused entry writes nothing outside the folder and still reloads.
    global.TimeShowType = 1;
    const std::string name("../DevCfg.ini", 14);
    std::string evil = std::string(1, '\1');
    const std::uint32_t n = static_cast<std::uint32_t>(name.size());
    evil.append(reinterpret_cast<const char*>(&n), 4);
    evil += name;
    evil += std::string(8, '\0');
    WriteBytes(dir / "evil.kvset", evil);
    EXPECT_EQ(global.ImportDeviceConfig(dir / "evil.kvset").status, KvsetStatus::kBadName);
    EXPECT_FALSE(std::filesystem::exists(dir.path.parent_path() / "DevCfg.ini"));
    EXPECT_EQ(global.TimeShowType, 0);

    // An unreadable file changes nothing, not even the in-memory settings.
    global.TimeShowType = 1;
    EXPECT_EQ(global.ImportDeviceConfig(dir / "absent.kvset").status, KvsetStatus::kCannotOpen);
    EXPECT_EQ(global.TimeShowType, 1);
}

TEST(KorvexGlobalSettings, OnlyTheAliasGroupOfSoftwareCfgIsRewritten) {
    TempFolder dir;
    const std::string channelGroup =
        "<dlgcmd0>\n    <colBack value=\"123\"/>\n    <bShowType value=\"2\"/>\n</dlgcmd0>\n";
    WriteBytes(dir / "softwareCfg.xml",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + channelGroup +
                   "<dlgFrameName0 dlgpos=\"65539\">\n"
                   "    <vecAliasName strName=\"发动机\">\n"
                   "        <OBJKEY icolInd=\"3\" dwData=\"291\" dwMask=\"4294967295\" "
                   "dwMask2=\"0\" bDataArr=\"0000000000000000\" bStart=\"0\" bEnd=\"0\"/>\n"
                   "    </vecAliasName>\n"
                   "</dlgFrameName0>\n");
    {
        CKorvexGlobal global(dir.path);
        std::string alias;
        global.AliasText(MakeFrame(0x123, 1), alias);
        EXPECT_EQ(alias, "发动机");
        global.AliasText(MakeFrame(0x124, 1), alias);
        EXPECT_EQ(alias, "");
        AliasEntry second;
        second.key.icolInd = kKeyIdentifier;
        second.key.dwData = 0x124;
        second.key.dwMask = 0xFFFFFFFF;
        second.strName = "刹车";
        global.Block(0).alias.vecAliasName.push_back(second);
        global.Block(0).display.bShowType = 10;  // not the main program's to save
    }
    const std::string xml = ReadBytes(dir / "softwareCfg.xml");
    EXPECT_NE(xml.find(channelGroup), std::string::npos) << xml;
    EXPECT_NE(xml.find("strName=\"刹车\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("dlgpos=\"65539\""), std::string::npos) << xml;
    CKorvexGlobal again(dir.path);
    std::string alias;
    again.AliasText(MakeFrame(0x124, 1), alias);
    EXPECT_EQ(alias, "刹车");
}

TEST(KorvexGlobalSettings, WithoutAFolderNothingIsWritten) {
    TempFolder dir;
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path);
    {
        CKorvexGlobal global;
        global.TimeShowType = 1;
        EXPECT_EQ(global.iRecordLength, 1);
    }
    std::filesystem::current_path(before);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path));
}

TEST(LanguageList, EntriesAndTheChosenIndex) {
    TempFolder settings;
    TempFolder installed;
    const std::string list =
        "[LANGUAGES]\r\nCount=3\r\n"
        "0=4|2|zh_CN.UTF-8|Chinese.xml|简体中文\r\n"
        "1=9|1|en_US.UTF-8|English.xml|English\r\n"
        "[LAST]\r\nSel=1\r\n";
    WriteBytes(installed / "config.ini", list);
    {
        CKorvexGlobal global(settings.path, installed.path);
        ASSERT_EQ(global.vecLanguage.size(), 3u);  // entry 2 is missing: all empty
        EXPECT_EQ(global.vecLanguage[0].iPrimaryId, 4);
        EXPECT_EQ(global.vecLanguage[0].iSubId, 2);
        EXPECT_EQ(global.vecLanguage[0].strLocale, "zh_CN.UTF-8");
        EXPECT_EQ(global.vecLanguage[0].strFileName, "Chinese.xml");
        EXPECT_EQ(global.vecLanguage[0].strName, "简体中文");
        EXPECT_EQ(global.vecLanguage[1].strName, "English");
        EXPECT_EQ(global.vecLanguage[2].strFileName, "");
        EXPECT_EQ(global.iCurLanguage, 1);
        global.iCurLanguage = 0;
    }
    // The installation's list is left alone; the settings folder gets a copy
    // with the new index, which is read from then on.
    EXPECT_EQ(ReadBytes(installed / "config.ini"), list);
    CKorvexGlobal again(settings.path, installed.path);
    EXPECT_EQ(again.iCurLanguage, 0);
    EXPECT_EQ(again.vecLanguage.size(), 3u);
    EXPECT_TRUE(std::filesystem::exists(settings.path / "language" / "config.ini"));
}

TEST(LanguageList, EntryFieldsAreSplitAtBars) {
    const name_share::LanguageEntry full =
        korvex::ParseLanguageEntry("9|1|C|English.xml|English|x");
    EXPECT_EQ(full.iPrimaryId, 9);
    EXPECT_EQ(full.strName, "English");
    const name_share::LanguageEntry partial = korvex::ParseLanguageEntry("abc|7x|de_DE");
    EXPECT_EQ(partial.iPrimaryId, 0);
    EXPECT_EQ(partial.iSubId, 7);
    EXPECT_EQ(partial.strLocale, "de_DE");
    EXPECT_EQ(partial.strFileName, "");
    EXPECT_EQ(partial.strName, "");

    TempFolder dir;
    WriteBytes(dir / "config.ini",
               "[LANGUAGES]\r\nCount=100000\r\n0=1|2|l|f|" + std::string(200, 'n') + "\r\n");
    std::vector<name_share::LanguageEntry> list;
    std::int32_t current = -1;
    korvex::LoadLanguageList(dir / "config.ini", list, current);
    EXPECT_EQ(list.size(), 256u);                  // a damaged count is capped
    EXPECT_EQ(list[0].strName.size(), 100u - 8u);  // 100 characters are read
    EXPECT_EQ(current, 0);
    korvex::LoadLanguageList(dir / "none.ini", list, current);
    EXPECT_TRUE(list.empty());
}

}  // namespace

namespace {

TEST(LanguageList, ShippedListOffersChineseAndEnglish) {
    const std::filesystem::path folder = std::filesystem::path(KORVEX_SOURCE_DIR) / "language";
    std::vector<name_share::LanguageEntry> list;
    std::int32_t current = -1;
    korvex::LoadLanguageList(folder / "config.ini", list, current);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].strName, "简体中文");
    EXPECT_EQ(list[1].strName, "English");
    EXPECT_EQ(current, 0);
    // Chinese is the built-in resources: its file is deliberately not shipped.
    EXPECT_FALSE(std::filesystem::exists(folder / list[0].strFileName));
    tinyxml2::XMLDocument english;
    ASSERT_EQ(english.LoadFile((folder / list[1].strFileName).c_str()), tinyxml2::XML_SUCCESS);
    const tinyxml2::XMLElement* root = english.RootElement();
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->Name(), "resource");
    int strings = 0;
    for (const tinyxml2::XMLElement* e = root->FirstChildElement("string"); e;
         e = e->NextSiblingElement("string")) {
        EXPECT_GT(e->IntAttribute("id"), 0);
        EXPECT_NE(e->Attribute("value"), nullptr);
        ++strings;
    }
    EXPECT_GT(strings, 10);
}

}  // namespace
