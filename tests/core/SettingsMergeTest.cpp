#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/KorvexGlobal.h"
#include "core/SettingsMerge.h"
#include "tests/support/FrameFactory.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::test::MakeFrame;
using korvex::test::ReadBytes;
using korvex::test::TempFolder;
using korvex::test::WriteBytes;
using List = std::vector<std::string>;

TEST(MergeChangedList, KeepsWhatEitherSideChanged) {
    const struct {
        const char* what;
        List base, ours, theirs, merged;
    } cases[] = {
        {"only there", {"a"}, {"a"}, {"a", "b"}, {"a", "b"}},
        {"only here", {"a"}, {"a", "c"}, {"a"}, {"a", "c"}},
        {"both added", {"a"}, {"a", "c"}, {"a", "b"}, {"a", "c", "b"}},
        {"removed there, added here", {"a", "b"}, {"a", "b", "c"}, {"a"}, {"a", "c"}},
        {"removed here, added there", {"a", "b"}, {"b"}, {"a", "b", "d"}, {"b", "d"}},
        {"moved here", {"a", "b"}, {"b", "a"}, {"a", "b", "d"}, {"b", "a", "d"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(korvex::MergeChangedList(c.base, c.ours, c.theirs), c.merged);
    }
    // Told apart by the first letter: a rule renamed both here and there is ours.
    const auto sameKey = [](const std::string& x, const std::string& y) { return x[0] == y[0]; };
    EXPECT_EQ(
        korvex::MergeChangedList<std::string>({"k1", "m1"}, {"k2", "m1"}, {"k3", "m2"}, sameKey),
        (List{"k2", "m2"}));
}

AliasEntry Alias(std::uint32_t id, const char* name) {
    AliasEntry entry;
    entry.key.icolInd = kKeyIdentifier;
    entry.key.dwData = id;
    entry.key.dwMask = 0xFFFFFFFF;
    entry.strName = name;
    return entry;
}

std::string AliasOf(CKorvexGlobal& global, std::uint32_t id) {
    std::string text;
    global.AliasText(MakeFrame(id, 1), text);
    return text;
}

// Another program (korvex-cli alias, or a second window of ours) writes the
// alias group whole, as it read it just before.
void AddAliasElsewhere(const std::filesystem::path& folder, const AliasEntry& entry) {
    CKorvexGlobal other;
    const std::string path = (folder / CKorvexGlobal::kSoftwareCfgName).string();
    other.LoadDocument(path);
    other.LoadAliasGroup(0);
    other.Block(0).alias.vecAliasName.push_back(entry);
    other.SaveAliasGroup(0);
    ASSERT_TRUE(other.SaveDocument(path));
}

// Two programs on one settings folder: each writes at exit only what it
// changed, over what the other left, so neither undoes the other.
TEST(KorvexGlobalSettings, TwoProgramsKeepEachOthersChanges) {
    TempFolder dir;
    std::filesystem::create_directories(dir / "language");
    WriteBytes(dir / "language" / "config.ini",
               "[LANGUAGES]\r\nCount=2\r\n0=4|2|zh|Chinese.xml|中文\r\n"
               "1=9|1|C|English.xml|English\r\n[LAST]\r\nSel=0\r\n");
    { CKorvexGlobal first(dir.path); }  // every file written once
    {
        auto first = std::make_unique<CKorvexGlobal>(dir.path);
        auto second = std::make_unique<CKorvexGlobal>(dir.path);
        first->iCurLanguage = 1;
        first->TimeShowType = 1;
        first->Block(0).alias.vecAliasName.push_back(Alias(0x100, "first"));
        AddAliasElsewhere(dir.path, Alias(0x123, "Engine"));
        first.reset();
        second->iListRefreshTm = 500;
        second->Block(0).alias.vecAliasName.push_back(Alias(0x200, "second"));
        second.reset();
    }
    const std::string ini = ReadBytes(dir / "DevCfg.ini");
    EXPECT_NE(ini.find("TimeShowType=1\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("iListRefreshTm=500\r\n"), std::string::npos) << ini;
    EXPECT_NE(ReadBytes(dir / "language" / "config.ini").find("[LAST]\r\nSel=1"),
              std::string::npos);
    CKorvexGlobal after(dir.path);
    EXPECT_EQ(AliasOf(after, 0x100), "first");
    EXPECT_EQ(AliasOf(after, 0x123), "Engine");
    EXPECT_EQ(AliasOf(after, 0x200), "second");
}

// A rule both programs changed keeps ours; one the other removed while we
// left it alone stays removed.
TEST(KorvexGlobalSettings, AliasChangedHereAndThereKeepsOurs) {
    TempFolder dir;
    {
        CKorvexGlobal first(dir.path);
        first.Block(0).alias.vecAliasName = {Alias(0x1, "one"), Alias(0x2, "two")};
    }
    {
        CKorvexGlobal ours(dir.path);
        {
            CKorvexGlobal other(dir.path);
            other.Block(0).alias.vecAliasName = {Alias(0x1, "theirs")};
        }
        ours.Block(0).alias.vecAliasName[0].strName = "ours";
    }
    CKorvexGlobal after(dir.path);
    EXPECT_EQ(AliasOf(after, 0x1), "ours");
    EXPECT_EQ(AliasOf(after, 0x2), "");
    EXPECT_EQ(after.Block(0).alias.vecAliasName.size(), 1u);
}

}  // namespace
