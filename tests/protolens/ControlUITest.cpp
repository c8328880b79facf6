#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "tests/protolens/PluginFixture.h"
#include "tests/protolens/RecordingControlList.h"

namespace protolens::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

const std::vector<std::string> kColumnsChinese = {
    "InsertColumn(0,序号,60,0)",  "InsertColumn(1,时间标识,120,0)", "InsertColumn(2,别名,100,0)",
    "InsertColumn(3,帧ID,100,0)", "InsertColumn(4,格式,60,0)",      "InsertColumn(5,类型,60,0)",
    "InsertColumn(6,DLC,50,0)",   "InsertColumn(7,数据,180,0)",     "InsertColumn(8,备注,130,0)",
};

std::vector<std::string> FixedColours() {
    std::vector<std::string> calls = {"ClearColorRules", "SetBackColor(-1,EBEBEB)"};
    for (int i = 0; i < 9; ++i)
        calls.push_back("SetColumnTextColor(" + std::to_string(i) + ",0,B47804)");
    return calls;
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

using ControlListTest = PluginTest;

TEST_F(ControlListTest, SetControlListInsertsNineColumnsThenTheColourStep) {
    RecordingControlList list;
    SetControlList(&list);
    EXPECT_EQ(GetControlList(), &list);
    EXPECT_THAT(list.calls, ElementsAreArray(Concat(kColumnsChinese, FixedColours())));
}

TEST_F(ControlListTest, RowColourRulesFollowTheFixedColoursInStoredOrder) {
    // The stored back and column colours are kept but never applied.
    Channel().display.colBack = 0x123456;
    Channel().display.colFront.fill(0x00FF00);
    OBJKEY data = FieldKey(kKeyDataBytes, 2);
    data.bStart = 0;
    data.bEnd = 2;
    data.bDataArr[0] = 0xAA;
    data.pBuf = {1, 2};
    Channel().display.vecRowColor = {{IdKey(0x7FF, 0x100), 0x0000FF}, {data, 0xFF0000}};

    RecordingControlList list;
    SetControlList(&list);
    std::vector<std::string> expected = Concat(kColumnsChinese, FixedColours());
    expected.push_back("AddColorRule(3,0000FF)");
    expected.push_back("AddColorRule(7,FF0000)");
    EXPECT_THAT(list.calls, ElementsAreArray(expected));
    ASSERT_EQ(list.ruleKeys.size(), 2u);
    EXPECT_EQ(list.ruleKeys[0], IdKey(0x7FF, 0x100));
    EXPECT_EQ(list.ruleKeys[1], data);
}

TEST_F(ControlListTest, SecondSetControlListAddsNineMoreColumns) {
    RecordingControlList list;
    SetControlList(&list);
    SetControlList(&list);
    int inserted = 0;
    for (const std::string& c : list.calls) inserted += c.rfind("InsertColumn", 0) == 0;
    EXPECT_EQ(inserted, 18);
}

TEST_F(ControlListTest, LanguageChangeRecaptionsOnlyAndRereadsTheFrameWords) {
    RecordingControlList list;
    SetControlList(&list);
    list.calls.clear();

    InstallStrings({{5001, "No."},
                    {5003, "Time"},
                    {5004, "Frame ID"},
                    {5005, "Format"},
                    {5006, "Type"},
                    {5008, "Data"},
                    {5024, "Remote"},
                    {5021, "Standard"}});
    std::int32_t language = 1;
    EXPECT_EQ(IOCtl(15, &language, 4, 0, 0), 0);

    // DLC, alias and remark have no entry in the manager: built-in texts.
    EXPECT_THAT(list.calls, ElementsAre("SetColumnCaption(0,No.)", "SetColumnCaption(1,Time)",
                                        "SetColumnCaption(2,别名)", "SetColumnCaption(3,Frame ID)",
                                        "SetColumnCaption(4,Format)", "SetColumnCaption(5,Type)",
                                        "SetColumnCaption(6,DLC)", "SetColumnCaption(7,Data)",
                                        "SetColumnCaption(8,备注)"));

    const _VCI_CAN_OBJ remote = Frame(0x10, {}, true, false);
    char* text = nullptr;
    AnalyPartofCANFrame(&remote, &text, 4);
    EXPECT_STREQ(text, "Remote");
    AnalyPartofCANFrame(&remote, &text, 5);
    EXPECT_STREQ(text, "Standard");
    const _VCI_CAN_OBJ data = Frame(0x10, {1});
    AnalyPartofCANFrame(&data, &text, 4);
    EXPECT_STREQ(text, "数据帧");
}

TEST_F(ControlListTest, ResourceManagerCaptionOverridesTheBuiltInOne) {
    InstallStrings({{5009, "Alias"}});
    RecordingControlList list;
    SetControlList(&list);
    std::vector<std::string> expected = kColumnsChinese;
    expected[2] = "InsertColumn(2,Alias,100,0)";
    EXPECT_THAT(list.calls, ElementsAreArray(Concat(expected, FixedColours())));
}

TEST_F(ControlListTest, FrameWordsStayAsReadUntilTheNextLanguageChange) {
    InstallStrings({{5023, "Data"}});
    const _VCI_CAN_OBJ f = Frame(1, {1});
    char* text = nullptr;
    AnalyPartofCANFrame(&f, &text, 4);
    EXPECT_STREQ(text, "数据帧");
    IOCtl(15, &language_, 4, 0, 0);
    AnalyPartofCANFrame(&f, &text, 4);
    EXPECT_STREQ(text, "Data");
}

TEST_F(ControlListTest, LanguageChangeWithoutAListOnlyRereadsTheWords) {
    InstallStrings({{5022, "Extended"}});
    EXPECT_EQ(IOCtl(15, &language_, 4, 0, 0), 0);
    const _VCI_CAN_OBJ f = Frame(1, {}, false, true);
    char* text = nullptr;
    AnalyPartofCANFrame(&f, &text, 5);
    EXPECT_STREQ(text, "Extended");
}

TEST_F(ControlListTest, IoControlCodes) {
    RecordingControlList list;
    SetControlList(&list);
    list.calls.clear();

    std::uint8_t flag = 7;
    EXPECT_EQ(IOCtl(6, &flag, 1, 0, 0), 0);
    EXPECT_EQ(DataAnaly().TriggerFlag(false, 0), 7);
    EXPECT_EQ(IOCtl(6, nullptr, 1, 0, 0), 0);  // nothing to read: unchanged
    EXPECT_EQ(DataAnaly().TriggerFlag(false, 0), 7);

    std::uint8_t timeShowType = 1;
    _VCI_CAN_OBJ f = Frame(0x321, {1, 2, 3});
    const ChannelBlock before = Channel();
    for (int code : {35, 0, 16, 26, -1}) EXPECT_EQ(IOCtl(code, &timeShowType, 1, 0, 0), 0);
    EXPECT_EQ(IOCtl(17, &f, sizeof f, 0, 0), 0);
    EXPECT_EQ(IOCtl(17, &f, 8, 0, 0), 0);
    EXPECT_EQ(IOCtl(17, nullptr, sizeof f, 0, 0), 0);
    EXPECT_TRUE(list.calls.empty());
    EXPECT_EQ(Channel().send.single.items.size(), before.send.single.items.size());
    EXPECT_EQ(Channel().send.list.items.size(), before.send.list.items.size());
    EXPECT_EQ(timeShowType, 1);
    EXPECT_EQ(DataAnaly().TriggerFlag(false, 0), 7);
}

TEST_F(ControlListTest, SendEntryFromFrameTakesIdFlagsLengthAndData) {
    _VCI_CAN_OBJ f = Frame(0x18FF0001, {9, 8, 7, 6, 5}, false, true);
    f.TimeStamp = 1234;
    f.TimeFlag = 1;
    f.Reserved[0] = 0xFE;
    const tagSendUint e = CCANControlUI::SendEntryFromFrame(f);
    EXPECT_EQ(e.obj.ID, 0x18FF0001u);
    EXPECT_EQ(e.obj.ExternFlag, 1);
    EXPECT_EQ(e.obj.RemoteFlag, 0);
    EXPECT_EQ(e.obj.DataLen, 5);
    EXPECT_EQ(0, std::memcmp(e.obj.Data, f.Data, 8));
    EXPECT_EQ(e.obj.TimeStamp, 0u);
    EXPECT_EQ(e.obj.Reserved[0], 0);
    EXPECT_EQ(e.len, 1);
    EXPECT_EQ(e.iTimes, 1);
    EXPECT_TRUE(e.pFrames.empty());
}

TEST_F(ControlListTest, NamesMenusAndEmptyOperations) {
    char name[16];
    std::memset(name, 'x', sizeof name);
    GetName(name);
    EXPECT_EQ(0, std::memcmp(name, "-CAN-\0xxxx", 10));
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(GetModuleName(name), 0);
    EXPECT_EQ(0, std::memcmp(name, "ProtoLens\0xxxx", 14));

    CMenu* menu = reinterpret_cast<CMenu*>(&name);
    GetListMenu(&menu);
    EXPECT_EQ(menu, nullptr);
    EXPECT_EQ(GetCustomDataUI(), nullptr);
    EXPECT_TRUE(ControlUI().GetCommandTable().empty());

    RecordingControlList list;
    SetControlList(&list);
    list.calls.clear();
    OnListMenu(32771);
    OnUpdateListMenu(nullptr);
    OnListMouseMove();
    GetListMenuImage();
    GetOptionDlg();
    ArrangeFrames();
    EXPECT_TRUE(list.calls.empty());
}

}  // namespace
}  // namespace protolens::test
