#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "share/AtomicFile.h"
#include "share/CANGlobal.h"
#include "share/KeyMatch.h"
#include "share/SettingsXml.h"
#include "tests/support/TempFolder.h"
#include "tests/support/FrameFactory.h"

namespace {

using korvex::test::TempFolder;

OBJKEY Key(int kind, std::uint32_t data, std::uint32_t mask = 0) {
    OBJKEY k;
    k.icolInd = kind;
    k.dwData = data;
    k.dwMask = mask;
    return k;
}

bool SameFrame(const _VCI_CAN_OBJ& a, const _VCI_CAN_OBJ& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void ExpectSameUnit(const tagSendUint& a, const tagSendUint& b) {
    EXPECT_TRUE(SameFrame(a.obj, b.obj));
    ASSERT_EQ(a.pFrames.size(), b.pFrames.size());
    for (std::size_t i = 0; i < a.pFrames.size(); ++i) {
        EXPECT_TRUE(SameFrame(a.pFrames[i], b.pFrames[i]));
    }
    EXPECT_EQ(a.len, b.len);
    EXPECT_EQ(a.bIncreaseID, b.bIncreaseID);
    EXPECT_EQ(a.bIncreaseData, b.bIncreaseData);
    EXPECT_EQ(a.Name(), b.Name());
    EXPECT_EQ(a.iInterval, b.iInterval);
    EXPECT_EQ(a.iTimes, b.iTimes);
}

void ExpectSameList(const SendList& a, const SendList& b) {
    EXPECT_EQ(a.m_dwCycles, b.m_dwCycles);
    ASSERT_EQ(a.items.size(), b.items.size());
    for (std::size_t i = 0; i < a.items.size(); ++i) ExpectSameUnit(a.items[i], b.items[i]);
}

// A loaded settings object over the document text, with no file behind it.
void LoadText(CCANGlobal& g, const std::string& text) {
    g.settingsPath.clear();
    g.LoadDocumentText(text);
    g.loaded = 1;
    g.LoadCANIndMap();
    g.LoadChannelGroup(0);
    g.LoadAliasGroup(0);
    g.LoadSendGroup(0);
    g.LoadTriggerGroup(0);
}

std::string SaveText(CCANGlobal& g) {
    g.SaveChannelGroup(0);
    g.SaveAliasGroup(0);
    g.SaveSendGroup(0);
    g.SaveTriggerGroup(0);
    g.SaveCANIndMap();
    return g.DocumentText();
}

// Content in every group, with the awkward values: keys with stored bytes,
// all four kinds of send list content, a kind-2 trigger, UTF-8 names.
void FillEverything(CCANGlobal& g) {
    ChannelBlock& b = g.Block(0);
    b.display.colBack = 0x00FF00;
    for (int i = 0; i < kColumnCount; ++i) b.display.colFront[i] = 0x10101u * i;
    OBJKEY data = Key(kKeyDataBytes, 4);
    data.bStart = 1;
    data.bEnd = 3;
    data.bDataArr[1] = 0xAA;
    data.bDataArr[2] = 0xBB;
    data.pBuf = {9, 8, 7, 6};
    b.display.vecRowColor = {{Key(kKeyIdentifier, 0x123, 0xFFFFFFFF), 0x0000FF}, {data, 0xFF0000}};
    b.display.vecFilterShow = {{Key(kKeyRemote, 1), {Key(kKeyExtended, 1), Key(kKeyDataLength, 8)}},
                               {Key(kKeyDataLength, 2), {}}};
    b.display.vecFilterShow[0].key.dwMask2 = 1;
    b.display.bShowType = 2;
    b.display.bShowSend = 0;
    b.alias.dlgpos = (120 << 16) | 45;
    b.alias.vecAliasName = {{Key(kKeyIdentifier, 0x7DF, 0xFFFFFFFF), "Engine \"<&>\""},
                            {data, "发动机"}};

    tagSendUint single;
    single.obj = korvex::test::MakeFrame(0x18FF1234, 0);
    single.obj.ExternFlag = 1;
    single.len = 1;
    single.iTimes = 1;
    single.iInterval = 10;
    single.SetName("one");
    tagSendUint many;
    many.pFrames = {korvex::test::FrameFromCounter(1), korvex::test::FrameFromCounter(2)};
    many.len = 2;
    many.bIncreaseID = 1;
    many.bIncreaseData = 1;
    many.iInterval = 100;
    many.iTimes = 5;
    b.send.dlgpos = 77;
    b.send.single = {3, {single}};
    b.send.list = {2, {single, many}};
    b.send.history = {{1, {many}}, {0, {}}};

    Trigger t1;
    t1.m_TriggerType = kTriggerSendEntry;
    t1.key = Key(kKeyIdentifier, 0x100, 0x700);
    t1.extraKeys = {Key(kKeyDataLength, 8)};
    t1.m_TriggerSend = {4, {single}};
    Trigger t2;
    t2.m_TriggerType = kTriggerSendFile;
    t2.key = data;
    t2.FileName = "/tmp/frames.can";
    t2.FileType = 2;
    b.trigger.dlgpos = 5;
    b.trigger.senddlgpos = -1;
    b.trigger.bEnableTrigger = 1;
    b.trigger.vecTrigger = {t1, t2};
    g.CANIndMap = 7;
}

TEST(SettingsXml, DefaultsApplyWhenGroupsAreAbsent) {
    CCANGlobal g;
    g.Block(0).display.vecRowColor.push_back({Key(3, 1), 5});
    g.Block(0).alias.dlgpos = 33;
    LoadText(g, "<dlgSend0 dlgpos=\"4\"/>");
    const ChannelSettings& s = g.Block(0).display;
    EXPECT_EQ(s.colBack, 0xFFFFFFu);
    for (const COLORREF c : s.colFront) EXPECT_EQ(c, 0u);
    EXPECT_EQ(s.bShowType, 16);
    EXPECT_EQ(s.bShowSend, 1);
    EXPECT_TRUE(s.vecRowColor.empty());
    EXPECT_TRUE(s.vecFilterShow.empty());
    EXPECT_EQ(g.CANIndMap, 0u);
    EXPECT_EQ(g.Block(0).alias.dlgpos, 33);  // no alias group: untouched
    EXPECT_EQ(g.Block(0).send.dlgpos, 4);

    // Without the element the number held stays; with it, it is replaced.
    g.CANIndMap = 9;
    LoadText(g, "<CANIndMap/>");
    EXPECT_EQ(g.CANIndMap, 9u);
    LoadText(g, "<CANIndMap 0=\"4\"/>");
    EXPECT_EQ(g.CANIndMap, 4u);

    // An alias group without a position gives -1.
    LoadText(g, "<dlgFrameName0/>");
    EXPECT_EQ(g.Block(0).alias.dlgpos, -1);

    // A missing or broken file: defaults, and loaded so that a save creates it.
    TempFolder dir;
    CCANGlobal h;
    h.settingsPath = dir.File("broken.xml");
    ASSERT_TRUE(name_share::WriteFileAtomic(h.settingsPath, "<dlgcmd0><colBack value=\"1\">"));
    h.Block(0).display.colBack = 5;
    h.bTriggerFired = 1;
    h.LoadSettings();
    EXPECT_EQ(h.loaded, 1);
    EXPECT_EQ(h.bTriggerFired, 0);
    EXPECT_EQ(h.Block(0).display.colBack, 0xFFFFFFu);
}

TEST(SettingsXml, KeyAttributesAreExact) {
    tinyxml2::XMLDocument doc;
    tinyxml2::XMLElement* e = doc.NewElement("OBJKEY");
    doc.InsertEndChild(e);
    OBJKEY k = Key(kKeyDataBytes, 3, 0xFFFFFFFF);
    k.dwMask2 = 1;
    k.bDataArr[0] = 0x12;
    k.bDataArr[1] = 0x34;
    k.bStart = 0;
    k.bEnd = 2;
    k.pBuf = {1, 2, 3};
    name_share::WriteOBJKEY(e, k);
    tinyxml2::XMLPrinter printer;
    doc.Print(&printer);
    EXPECT_STREQ(printer.CStr(),
                 "<OBJKEY icolInd=\"7\" dwData=\"3\" dwMask=\"4294967295\" dwMask2=\"1\" "
                 "bStart=\"0\" bEnd=\"2\" bDataArr=\"1234000000000000\" pBuf=\"010203\"/>\n");

    OBJKEY back;
    ASSERT_TRUE(name_share::ReadOBJKEY(e, back));
    EXPECT_EQ(back, k);
    EXPECT_EQ(back.pBuf, (std::vector<std::uint8_t>{1, 2, 3}));

    // Without a buffer there is no "pBuf"; a key written by a program that
    // stored the mask as a signed number reads the same.
    k.pBuf.clear();
    e->DeleteAttribute("pBuf");
    e->SetAttribute("dwMask", "-1");
    ASSERT_TRUE(name_share::ReadOBJKEY(e, back));
    EXPECT_EQ(back, k);
    EXPECT_FALSE(name_share::ReadOBJKEY(nullptr, back));
}

TEST(SettingsXml, SavingTwiceWritesTheSameDocument) {
    CCANGlobal g;
    // Hand-ordered children, unknown elements and attributes, a top-level
    // element of someone else.
    LoadText(g,
             "<mine keep=\"1\"/>\n"
             "<dlgcmd0><bShowSend value=\"0\" note=\"x\"/><colFront value=\"1\"/><extra/>"
             "<colBack value=\"255\"/>junk<colBack value=\"254\"/></dlgcmd0>\n"
             "<dlgTrigger0><bEnableTrigger value=\"1\"/><vecTrigger m_TriggerType=\"0\">"
             "<OBJKEY icolInd=\"3\"/></vecTrigger></dlgTrigger0>\n");
    FillEverything(g);
    const std::string first = SaveText(g);
    const std::string second = SaveText(g);
    EXPECT_EQ(first, second);
    EXPECT_NE(first.find("<mine keep=\"1\"/>"), std::string::npos);
    EXPECT_NE(first.find("<extra/>"), std::string::npos);
    EXPECT_NE(first.find("<bShowSend value=\"0\" note=\"x\"/>"), std::string::npos);
    // A repeated single value and stray text inside a group are not kept.
    EXPECT_EQ(first.find("<colBack"), first.rfind("<colBack"));
    EXPECT_EQ(first.find("junk"), std::string::npos);

    // Loading what was saved and saving again changes nothing either.
    CCANGlobal h;
    LoadText(h, first);
    EXPECT_EQ(SaveText(h), first);
}

TEST(SettingsXml, NeverLoadedObjectWritesNothing) {
    TempFolder dir;
    const std::string path = dir.File("protolens.xml");
    {
        CCANGlobal g;
        g.settingsPath = path;
        FillEverything(g);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    {
        CCANGlobal g;
        g.settingsPath = path;
        g.LoadSettings();
        FillEverything(g);
    }
    ASSERT_TRUE(std::filesystem::exists(path));
    CCANGlobal h;
    h.settingsPath = path;
    h.LoadSettings();
    EXPECT_EQ(h.CANIndMap, 7u);
    EXPECT_EQ(h.Block(0).alias.vecAliasName.size(), 2u);
}

TEST(SettingsXml, TheSettingsFileAndItsFolderAreCreatedOnSave) {
    EXPECT_EQ(CCANGlobal().settingsPath,
              name_share::CGenGlobal::ModuleDir() + "plugin_config/protolens.xml");

    TempFolder dir;
    const std::string path = dir.File("plugin_config/protolens.xml");
    {
        CCANGlobal g;
        g.settingsPath = path;
        g.LoadSettings();
        g.CANIndMap = 5;
    }
    CCANGlobal h;
    h.settingsPath = path;
    h.LoadSettings();
    EXPECT_EQ(h.CANIndMap, 5u);
}

TEST(SettingsXml, ColumnColoursBeyondNineAreIgnored) {
    std::string text = "<dlgcmd0>";
    for (int i = 1; i <= 11; ++i) text += "<colFront value=\"" + std::to_string(i) + "\"/>";
    text += "<colFront value=\"oops\"/></dlgcmd0>";
    CCANGlobal g;
    LoadText(g, text);
    for (int i = 0; i < kColumnCount; ++i) EXPECT_EQ(g.Block(0).display.colFront[i], i + 1u);
    const std::string saved = SaveText(g);
    std::size_t count = 0;
    for (std::size_t at = saved.find("<colFront "); at != std::string::npos;
         at = saved.find("<colFront ", at + 1)) {
        ++count;
    }
    EXPECT_EQ(count, 9u);

    // Fewer than nine, or values that are not numbers, leave the rest at 0.
    LoadText(g, "<dlgcmd0><colFront value=\"x\"/><colFront value=\"7\"/></dlgcmd0>");
    EXPECT_EQ(g.Block(0).display.colFront[0], 0u);
    EXPECT_EQ(g.Block(0).display.colFront[1], 7u);
    EXPECT_EQ(g.Block(0).display.colFront[2], 0u);
}

TEST(SettingsXml, ElementsWithoutAKey) {
    CCANGlobal g;
    LoadText(g,
             "<dlgcmd0>"
             "<vecRowColor colFront=\"1\"/>"
             "<vecRowColor colFront=\"2\"><OBJKEY icolInd=\"3\" dwData=\"5\"/></vecRowColor>"
             "<vecFilterShow><EXTRAKEY icolInd=\"4\"/></vecFilterShow>"
             "<vecFilterShow><OBJKEY icolInd=\"6\" dwMask2=\"1\"/><EXTRAKEY icolInd=\"4\"/>"
             "<EXTRAKEY icolInd=\"5\" dwData=\"1\"/></vecFilterShow>"
             "</dlgcmd0>"
             "<dlgFrameName0 dlgpos=\"9\"><vecAliasName strName=\"lost\"/>"
             "<vecAliasName strName=\"kept\"><OBJKEY icolInd=\"3\" dwData=\"291\"/></vecAliasName>"
             "</dlgFrameName0>"
             "<dlgTrigger0><vecTrigger m_TriggerType=\"1\"/></dlgTrigger0>");
    const ChannelBlock& b = g.Block(0);
    // A row colour rule is kept without its key: the empty key matches nothing.
    ASSERT_EQ(b.display.vecRowColor.size(), 2u);
    EXPECT_EQ(b.display.vecRowColor[0].color, 1u);
    EXPECT_EQ(b.display.vecRowColor[0].key, OBJKEY{});
    EXPECT_EQ(b.display.vecRowColor[1].color, 2u);
    EXPECT_EQ(b.display.vecRowColor[1].key.dwData, 5u);
    ASSERT_EQ(b.display.vecFilterShow.size(), 1u);
    EXPECT_EQ(b.display.vecFilterShow[0].key.icolInd, 6);
    ASSERT_EQ(b.display.vecFilterShow[0].extraKeys.size(), 2u);
    EXPECT_EQ(b.display.vecFilterShow[0].extraKeys[1].icolInd, 5);
    ASSERT_EQ(b.alias.vecAliasName.size(), 1u);
    EXPECT_EQ(b.alias.vecAliasName[0].strName, "kept");
    EXPECT_EQ(b.alias.vecAliasName[0].key.dwData, 0x123u);
    EXPECT_EQ(b.alias.dlgpos, 9);
    EXPECT_TRUE(b.trigger.vecTrigger.empty());
}

TEST(SettingsXml, EveryGroupRoundTripsThroughAFile) {
    TempFolder dir;
    const std::string path = dir.File("softwareCfg.xml");
    CCANGlobal g;
    g.settingsPath = path;
    g.LoadSettings();
    FillEverything(g);
    g.SaveSettings();

    CCANGlobal h;
    h.settingsPath = path;
    h.LoadSettings();
    const ChannelBlock& a = g.Block(0);
    const ChannelBlock& b = h.Block(0);
    EXPECT_EQ(h.CANIndMap, 7u);
    EXPECT_EQ(b.display.colBack, a.display.colBack);
    EXPECT_EQ(b.display.colFront, a.display.colFront);
    ASSERT_EQ(b.display.vecRowColor.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(b.display.vecRowColor[i].key, a.display.vecRowColor[i].key);
        EXPECT_EQ(b.display.vecRowColor[i].color, a.display.vecRowColor[i].color);
    }
    ASSERT_EQ(b.display.vecFilterShow.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(b.display.vecFilterShow[i].key, a.display.vecFilterShow[i].key);
        EXPECT_EQ(b.display.vecFilterShow[i].extraKeys, a.display.vecFilterShow[i].extraKeys);
    }
    EXPECT_EQ(b.display.bShowType, 2);
    EXPECT_EQ(b.display.bShowSend, 0);
    EXPECT_EQ(b.alias.dlgpos, a.alias.dlgpos);
    ASSERT_EQ(b.alias.vecAliasName.size(), 2u);
    EXPECT_EQ(b.alias.vecAliasName[0].strName, "Engine \"<&>\"");
    EXPECT_EQ(b.alias.vecAliasName[1].strName, "发动机");
    EXPECT_EQ(b.alias.vecAliasName[1].key.pBuf, (std::vector<std::uint8_t>{9, 8, 7, 6}));
    EXPECT_EQ(b.send.dlgpos, 77);
    ExpectSameList(b.send.single, a.send.single);
    ExpectSameList(b.send.list, a.send.list);
    ASSERT_EQ(b.send.history.size(), 2u);
    ExpectSameList(b.send.history[0], a.send.history[0]);
    ExpectSameList(b.send.history[1], a.send.history[1]);
    EXPECT_EQ(b.trigger.dlgpos, 5);
    EXPECT_EQ(b.trigger.senddlgpos, -1);
    EXPECT_EQ(b.trigger.bEnableTrigger, 1);
    ASSERT_EQ(b.trigger.vecTrigger.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const Trigger& x = a.trigger.vecTrigger[i];
        const Trigger& y = b.trigger.vecTrigger[i];
        EXPECT_EQ(y.m_TriggerType, x.m_TriggerType);
        EXPECT_EQ(y.key, x.key);
        EXPECT_EQ(y.extraKeys, x.extraKeys);
        ExpectSameList(y.m_TriggerSend, x.m_TriggerSend);
        EXPECT_EQ(y.FileName, x.FileName);
        EXPECT_EQ(y.FileType, x.FileType);
    }
}

TEST(SettingsXml, GroupsAreWrittenInTheirLayout) {
    CCANGlobal g;
    g.settingsPath.clear();
    g.loaded = 1;
    tagSendUint one;
    one.obj.ID = 0x123;
    one.obj.DataLen = 1;
    one.obj.Data[0] = 0xAB;
    one.len = 1;
    one.iTimes = 1;
    tagSendUint two;
    two.pFrames = {one.obj, one.obj};
    two.pFrames[1].ID = 0x456;
    two.len = 9;  // the frames present decide
    two.SetName("pair");
    g.Block(0).send.single = {1, {one}};
    g.Block(0).send.history = {{2, {two}}};
    g.Block(0).alias.vecAliasName = {{Key(kKeyExtended, 1), "ext"}};
    g.CANIndMap = 3;
    g.SaveAliasGroup(0);
    g.SaveSendGroup(0);
    g.SaveCANIndMap();
    // ID (little-endian), time stamp, four flag bytes, DataLen, 8 data bytes, 3 reserved.
    const std::string f1 =
        "23010000"
        "00000000"
        "00000000"
        "01"
        "AB00000000000000"
        "000000";
    const std::string f2 =
        "56040000"
        "00000000"
        "00000000"
        "01"
        "AB00000000000000"
        "000000";
    ASSERT_EQ(f1.size(), 48u);
    // A new document holds only the groups: no declaration, no root.
    EXPECT_EQ(g.DocumentText(),
              "<dlgFrameName0 dlgpos=\"0\">\n"
              "    <vecAliasName strName=\"ext\">\n"
              "        <OBJKEY icolInd=\"5\" dwData=\"1\" dwMask=\"0\" dwMask2=\"0\" "
              "bStart=\"0\" bEnd=\"0\" bDataArr=\"0000000000000000\"/>\n"
              "    </vecAliasName>\n"
              "</dlgFrameName0>\n"
              "\n"  // tinyxml2 separates top-level elements by a blank line
              "<dlgSend0 dlgpos=\"0\">\n"
              "    <SendSingle m_dwCycles=\"1\">\n"
              "        <tagSendUint iInterval=\"0\" iTimes=\"1\" len=\"1\" bIncreaseID=\"0\" "
              "bIncreaseData=\"0\" obj=\"" +
                  f1 +
                  "\"/>\n"
                  "    </SendSingle>\n"
                  "    <SendList m_dwCycles=\"0\"/>\n"
                  "    <SendHistory>\n"
                  "        <SendList m_dwCycles=\"2\">\n"
                  "            <tagSendUint iInterval=\"0\" iTimes=\"0\" len=\"2\" "
                  "bIncreaseID=\"0\" bIncreaseData=\"0\" szname=\"pair\">\n"
                  "                <obj val=\"" +
                  f1 +
                  "\"/>\n"
                  "                <obj val=\"" +
                  f2 +
                  "\"/>\n"
                  "            </tagSendUint>\n"
                  "        </SendList>\n"
                  "    </SendHistory>\n"
                  "</dlgSend0>\n"
                  "\n"
                  "<CANIndMap 0=\"3\"/>\n");

    // The attribute name "0" is not XML, yet it must read back.
    CCANGlobal h;
    LoadText(h, g.DocumentText());
    EXPECT_EQ(h.CANIndMap, 3u);
    ASSERT_EQ(h.Block(0).send.history.size(), 1u);
    EXPECT_EQ(h.Block(0).send.history[0].items[0].pFrames[1].ID, 0x456u);
}

TEST(SettingsXml, OnlyTheAliasGroupIsTouchedWhenOnlyItIsUsed) {
    const std::string original =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<dlgcmd0>\n    <colBack value=\"1\"/>\n</dlgcmd0>\n\n"
        "<dlgFrameName0 dlgpos=\"3\">\n    <vecAliasName strName=\"old\">\n"
        "        <OBJKEY icolInd=\"3\"/>\n    </vecAliasName>\n</dlgFrameName0>\n\n"
        "<CANIndMap 0=\"1\"/>\n";
    CCANGlobal g;
    g.LoadDocumentText(original);
    g.LoadAliasGroup(0);
    ASSERT_EQ(g.Block(0).alias.vecAliasName.size(), 1u);
    g.Block(0).alias.vecAliasName[0].strName = "new";
    g.SaveAliasGroup(0);
    std::string expected = original;
    expected.replace(expected.find("old"), 3, "new");
    const std::string bareKey = "<OBJKEY icolInd=\"3\"/>";
    expected.replace(expected.find(bareKey), bareKey.size(),
                     "<OBJKEY icolInd=\"3\" dwData=\"0\" dwMask=\"0\" dwMask2=\"0\" "
                     "bStart=\"0\" bEnd=\"0\" bDataArr=\"0000000000000000\"/>");
    EXPECT_EQ(g.DocumentText(), expected);
}

// Hand-edited or damaged values never lead to out-of-bounds use later.
TEST(SettingsXml, DamagedValuesAreClampedOrDropped) {
    const std::string longName(40, 'n');
    const std::string utf8Name =
        std::string(29, 'a') + "\xE5\x8F\x91\xE5\x8A\xA8";  // 29 + 2×3 bytes
    const std::string goodFrame(48, '1');
    CCANGlobal g;
    LoadText(g,
             "<dlgcmd0>"
             "<vecRowColor><OBJKEY icolInd=\"7\" dwData=\"8\" bStart=\"12\" bEnd=\"300\" "
             "bDataArr=\"0102030405060708090A\"/></vecRowColor>"
             "<vecRowColor><OBJKEY icolInd=\"7\" dwData=\"8\" bStart=\"5\" bEnd=\"3\" "
             "bDataArr=\"01ZZ\"/></vecRowColor>"
             "<vecRowColor><OBJKEY icolInd=\"7\" dwData=\"3\" pBuf=\"0102\"/></vecRowColor>"
             "<vecRowColor><OBJKEY icolInd=\"7\" dwData=\"2\" pBuf=\"01020304\"/></vecRowColor>"
             "<vecRowColor><OBJKEY dwData=\"3\" pBuf=\"01zz03\"/></vecRowColor>"
             "<vecRowColor><OBJKEY dwData=\"4000000000\" pBuf=\"0102\"/></vecRowColor>"
             "<vecRowColor><OBJKEY bStart=\"-1\" bEnd=\"-2\" bDataArr=\"\"/></vecRowColor>"
             "</dlgcmd0>"
             "<dlgSend0><SendList>"
             "<tagSendUint len=\"5\"><obj val=\"" +
                 goodFrame + "\"/><obj val=\"12\"/><obj/><obj val=\"" + goodFrame +
                 "\"/></tagSendUint>"
                 "<tagSendUint len=\"7\" obj=\"0102\" szname=\"" +
                 longName +
                 "\"/>"
                 "<tagSendUint len=\"-3\" szname=\"" +
                 utf8Name +
                 "\"/>"
                 "</SendList></dlgSend0>");
    const std::vector<ColorRule>& rules = g.Block(0).display.vecRowColor;
    ASSERT_EQ(rules.size(), 7u);
    EXPECT_EQ(rules[0].key.bStart, 8);
    EXPECT_EQ(rules[0].key.bEnd, 8);
    EXPECT_EQ(rules[0].key.bDataArr[7], 8);  // digits beyond eight bytes ignored
    EXPECT_EQ(rules[1].key.bStart, 3);
    EXPECT_EQ(rules[1].key.bEnd, 3);
    EXPECT_EQ(rules[1].key.bDataArr[0], 1);
    EXPECT_EQ(rules[1].key.bDataArr[1], 0);  // reading stops at the bad pair
    EXPECT_TRUE(rules[2].key.pBuf.empty());  // shorter than dwData: dropped
    EXPECT_EQ(rules[3].key.pBuf, (std::vector<std::uint8_t>{1, 2}));
    EXPECT_TRUE(rules[4].key.pBuf.empty());
    EXPECT_TRUE(rules[5].key.pBuf.empty());
    EXPECT_EQ(rules[6].key.bStart, 8);  // -1 and -2 are huge unsigned values
    EXPECT_EQ(rules[6].key.bEnd, 8);

    const std::vector<tagSendUint>& units = g.Block(0).send.list.items;
    ASSERT_EQ(units.size(), 3u);
    EXPECT_EQ(units[0].len, 2);
    EXPECT_EQ(units[0].pFrames.size(), 2u);
    EXPECT_EQ(units[0].pFrames[1].ID, 0x11111111u);
    EXPECT_EQ(units[1].len, 1);
    EXPECT_TRUE(units[1].pFrames.empty());
    EXPECT_EQ(units[1].obj.ID, 0u);  // a short "obj" is not a frame
    EXPECT_EQ(units[1].Name(), longName.substr(0, 31));
    EXPECT_EQ(units[1].szname[31], '\0');
    EXPECT_EQ(units[2].len, 0);
    EXPECT_EQ(units[2].Name(), std::string(29, 'a'));  // no half character

    // Everything loaded can be used and saved (ASan watches the accesses).
    _VCI_CAN_OBJ frame = korvex::test::MakeFrame(0x1, 0);
    for (const ColorRule& rule : rules) {
        std::string text;
        std::uint32_t caption = 0;
        name_share::IsOBJKeyEqual(rule.key, frame);
        name_share::KeyToText(rule.key, text, caption, false, false);
    }
    const std::string saved = SaveText(g);
    EXPECT_NE(saved.find("pBuf=\"0102\""), std::string::npos);
    EXPECT_NE(saved.find("bStart=\"8\" bEnd=\"8\""), std::string::npos);
}

}  // namespace
