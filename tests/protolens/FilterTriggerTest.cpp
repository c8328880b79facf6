#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "tests/protolens/PluginFixture.h"

namespace protolens::test {
namespace {

struct Posted {
    unsigned msg;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    friend bool operator==(const Posted&, const Posted&) = default;
};

class RecordingWindow : public IMessageWindow {
  public:
    std::vector<Posted> posted;
    void PostMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) override {
        posted.push_back({msg, wParam, lParam});
    }
};

using KeyMatchTest = PluginTest;

TEST_F(KeyMatchTest, MatchesThroughTheExport) {
    struct Case {
        OBJKEY key;
        _VCI_CAN_OBJ frame;
        int expected;
    };
    OBJKEY lengthOnly = FieldKey(kKeyDataBytes, 8);
    OBJKEY bytes = FieldKey(kKeyDataBytes, 4);
    bytes.bStart = 1;
    bytes.bEnd = 3;
    bytes.bDataArr[1] = 0xAA;
    bytes.bDataArr[2] = 0xBB;
    bytes.bDataArr[3] = 0xCC;  // outside the range: not compared
    const std::vector<Case> cases = {
        {IdKey(0x700, 0x100), Frame(0x100, {}), 1},
        {IdKey(0x700, 0x100), Frame(0x1FF, {}), 1},
        {IdKey(0x700, 0x100), Frame(0x200, {}), 0},
        {FieldKey(kKeyRemote, 1), Frame(1, {}, true), 1},
        {FieldKey(kKeyRemote, 1), Frame(1, {}), 0},
        {FieldKey(kKeyExtended, 1), Frame(1, {}, false, true), 1},
        {FieldKey(kKeyDataLength, 3), Frame(1, {1, 2}), 0},
        {lengthOnly, Frame(9, {1, 2, 3, 4, 5, 6, 7, 8}), 1},
        {lengthOnly, Frame(1, {1, 2, 3}), 0},
        {bytes, Frame(1, {0, 0xAA, 0xBB, 0}), 1},
        {bytes, Frame(1, {0, 0xAA, 0xBC, 0}), 0},
        {bytes, Frame(1, {0, 0xAA, 0xBB}), 0},  // length differs
        {FieldKey(8, 0), Frame(0, {}), 0},
        {FieldKey(2, 0), Frame(0, {}), 0},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(IsOBJKeyEqual(&cases[i].key, &cases[i].frame), cases[i].expected) << "case " << i;
    }
    const _VCI_CAN_OBJ f = Frame(1, {});
    EXPECT_EQ(IsOBJKeyEqual(nullptr, &f), 0);
    EXPECT_EQ(IsOBJKeyEqual(&cases[0].key, nullptr), 0);
}

using ShowFilterTest = PluginTest;

FilterRule Rule(OBJKEY key, std::uint32_t decision, std::vector<OBJKEY> extra = {}) {
    key.dwMask2 = decision;
    return {key, std::move(extra)};
}

TEST_F(ShowFilterTest, EmptyListShowsEverythingButSentFramesWhenSendingIsHidden) {
    const _VCI_CAN_OBJ f = Frame(0x10, {});
    // Never-loaded settings: bShowSend 0 hides transmitted frames.
    EXPECT_EQ(IsCanShow(&f, 0), 1);
    EXPECT_EQ(IsCanShow(&f, 1), 0);
    Channel().display.bShowSend = 1;
    EXPECT_EQ(IsCanShow(&f, 1), 1);
    EXPECT_EQ(IsCanShow(nullptr, 0), 0);
}

TEST_F(ShowFilterTest, SentFramesAreHiddenBeforeAnyRule) {
    Channel().display.vecFilterShow = {Rule(IdKey(0xFFFFFFFF, 0x10), 1)};
    const _VCI_CAN_OBJ f = Frame(0x10, {});
    EXPECT_EQ(IsCanShow(&f, 1), 0);
    EXPECT_EQ(IsCanShow(&f, 0), 1);
    EXPECT_EQ(IsCanShow(&f, 2), 1);  // only mode 1 marks a transmitted frame
}

TEST_F(ShowFilterTest, HideOnlyListsHideWhatTheyMatch) {
    Channel().display.vecFilterShow = {Rule(IdKey(0xFFFFFFFF, 0x10), 0),
                                       Rule(FieldKey(kKeyRemote, 1), 0)};
    const _VCI_CAN_OBJ hiddenById = Frame(0x10, {});
    const _VCI_CAN_OBJ hiddenRemote = Frame(0x20, {}, true);
    const _VCI_CAN_OBJ other = Frame(0x20, {});
    EXPECT_EQ(IsCanShow(&hiddenById, 0), 0);
    EXPECT_EQ(IsCanShow(&hiddenRemote, 0), 0);
    EXPECT_EQ(IsCanShow(&other, 0), 1);
}

TEST_F(ShowFilterTest, OneShowRuleShowsOnlyWhatItMatches) {
    Channel().display.vecFilterShow = {Rule(IdKey(0x700, 0x100), 1)};
    const _VCI_CAN_OBJ in = Frame(0x1AB, {});
    const _VCI_CAN_OBJ out = Frame(0x2AB, {});
    EXPECT_EQ(IsCanShow(&in, 0), 1);
    EXPECT_EQ(IsCanShow(&out, 0), 0);
}

TEST_F(ShowFilterTest, FirstMatchingRuleDecidesInListOrder) {
    // Hide 0x150 exactly, then show 0x100…0x1FF.
    Channel().display.vecFilterShow = {Rule(IdKey(0xFFFFFFFF, 0x150), 0),
                                       Rule(IdKey(0x700, 0x100), 1)};
    const _VCI_CAN_OBJ hidden = Frame(0x150, {});
    const _VCI_CAN_OBJ shown = Frame(0x151, {});
    const _VCI_CAN_OBJ unmatched = Frame(0x300, {});
    EXPECT_EQ(IsCanShow(&hidden, 0), 0);
    EXPECT_EQ(IsCanShow(&shown, 0), 1);
    EXPECT_EQ(IsCanShow(&unmatched, 0), 0);  // a show rule exists

    // Show first: the show rule wins for 0x150, and the hide rule after it
    // does not turn the list into a hide-only one.
    Channel().display.vecFilterShow = {Rule(IdKey(0x700, 0x100), 1),
                                       Rule(IdKey(0xFFFFFFFF, 0x150), 0)};
    EXPECT_EQ(IsCanShow(&hidden, 0), 1);
    EXPECT_EQ(IsCanShow(&unmatched, 0), 0);

    // The decision of a matching rule is handed back as it is stored.
    Channel().display.vecFilterShow = {Rule(IdKey(0xFFFFFFFF, 0x150), 5)};
    EXPECT_EQ(IsCanShow(&hidden, 0), 5);
}

TEST_F(ShowFilterTest, ExtraKeysMustAllMatch) {
    Channel().display.vecFilterShow = {
        Rule(IdKey(0x700, 0x100), 1, {FieldKey(kKeyExtended, 0), FieldKey(kKeyDataLength, 2)})};
    const _VCI_CAN_OBJ all = Frame(0x123, {1, 2});
    const _VCI_CAN_OBJ extended = Frame(0x123, {1, 2}, false, true);
    const _VCI_CAN_OBJ shortFrame = Frame(0x123, {1});
    EXPECT_EQ(IsCanShow(&all, 0), 1);
    EXPECT_EQ(IsCanShow(&extended, 0), 0);
    EXPECT_EQ(IsCanShow(&shortFrame, 0), 0);
}

class TriggerTest : public PluginTest {
  protected:
    void SetUp() override {
        PluginTest::SetUp();
        SetMsgHwnd(&window);
        Channel().trigger.bEnableTrigger = 1;
    }
    Trigger& Add(int kind, OBJKEY key, std::vector<OBJKEY> extra = {}) {
        Trigger t;
        t.m_TriggerType = kind;
        t.key = key;
        t.extraKeys = std::move(extra);
        Channel().trigger.vecTrigger.push_back(std::move(t));
        return Channel().trigger.vecTrigger.back();
    }
    std::uint8_t Fired() { return DataAnaly().TriggerFlag(false, 0); }

    RecordingWindow window;
};

TEST_F(TriggerTest, KindZeroSetsTheFiredFlag) {
    Add(kTriggerSetFlag, IdKey(0xFFFFFFFF, 0x10));
    const _VCI_CAN_OBJ miss = Frame(0x11, {});
    EXPECT_EQ(OnReceiveNewCANFrame(&miss, 1), 1);
    EXPECT_EQ(Fired(), 0);
    const _VCI_CAN_OBJ frames[] = {Frame(0x11, {}), Frame(0x10, {})};
    EXPECT_EQ(OnReceiveNewCANFrame(frames, 2), 1);
    EXPECT_EQ(Fired(), 1);
    EXPECT_TRUE(window.posted.empty());

    // The host clears it through IOCtl 6.
    std::uint8_t zero = 0;
    IOCtl(6, &zero, 1, 0, 0);
    EXPECT_EQ(Fired(), 0);
}

TEST_F(TriggerTest, KindOnePostsTheSendListAndRestartsItsCycles) {
    Add(kTriggerSetFlag, IdKey(0xFFFFFFFF, 0x99));
    Trigger& send = Add(kTriggerSendEntry, FieldKey(kKeyRemote, 1));
    send.m_TriggerSend.m_dwCycles = 5;
    send.m_TriggerSend.items.resize(2);
    const _VCI_CAN_OBJ f = Frame(0x7, {}, true);
    EXPECT_EQ(OnReceiveNewCANFrame(&f, 1), 1);
    const Trigger& kept = Channel().trigger.vecTrigger[1];
    EXPECT_THAT(window.posted,
                ::testing::ElementsAre(
                    Posted{1129, reinterpret_cast<std::uintptr_t>(&kept.m_TriggerSend), 0}));
    EXPECT_EQ(kept.m_TriggerSend.m_dwCycles, 0);
    EXPECT_EQ(kept.m_TriggerSend.items.size(), 2u);
    EXPECT_EQ(Fired(), 0);
}

TEST_F(TriggerTest, KindTwoPostsChannelAndTriggerIndex) {
    Add(kTriggerSendFile, IdKey(0xFFFFFFFF, 0x1));
    Add(kTriggerSendFile, IdKey(0xFFFFFFFF, 0x2));
    const _VCI_CAN_OBJ f = Frame(0x2, {});
    OnReceiveNewCANFrame(&f, 1);
    EXPECT_THAT(window.posted, ::testing::ElementsAre(Posted{1131, 0, 1}));
}

TEST_F(TriggerTest, EveryTriggerIsTestedAgainstEveryFrame) {
    Add(kTriggerSendFile, IdKey(0x700, 0x100));
    Add(kTriggerSendFile, FieldKey(kKeyDataLength, 1));
    Add(kTriggerSendFile, IdKey(0x700, 0x100), {FieldKey(kKeyExtended, 1)});
    Add(7, IdKey(0, 0));  // an unknown kind does nothing
    const _VCI_CAN_OBJ frames[] = {Frame(0x101, {1}), Frame(0x300, {1}),
                                   Frame(0x102, {}, false, true)};
    OnReceiveNewCANFrame(frames, 3);
    EXPECT_THAT(window.posted,
                ::testing::ElementsAre(Posted{1131, 0, 0}, Posted{1131, 0, 1}, Posted{1131, 0, 1},
                                       Posted{1131, 0, 0}, Posted{1131, 0, 2}));
}

TEST_F(TriggerTest, SwitchOffEmptyListAndNoWindowFireNothing) {
    Add(kTriggerSetFlag, IdKey(0, 0));
    Add(kTriggerSendFile, IdKey(0, 0));
    const _VCI_CAN_OBJ f = Frame(1, {});

    Channel().trigger.bEnableTrigger = 0;
    OnReceiveNewCANFrame(&f, 1);
    EXPECT_EQ(Fired(), 0);
    EXPECT_TRUE(window.posted.empty());

    Channel().trigger.bEnableTrigger = 1;
    EXPECT_EQ(OnReceiveNewCANFrame(nullptr, 4), 1);
    EXPECT_EQ(OnReceiveNewCANFrame(&f, 0), 1);
    EXPECT_EQ(OnReceiveNewCANFrame(&f, -3), 1);
    EXPECT_EQ(Fired(), 0);
    EXPECT_TRUE(window.posted.empty());

    // Without a message window the flag still fires; the message goes nowhere.
    SetMsgHwnd(nullptr);
    OnReceiveNewCANFrame(&f, 1);
    EXPECT_EQ(Fired(), 1);
    EXPECT_TRUE(window.posted.empty());

    Channel().trigger.vecTrigger.clear();
    std::uint8_t zero = 0;
    IOCtl(6, &zero, 1, 0, 0);
    SetMsgHwnd(&window);
    OnReceiveNewCANFrame(&f, 1);
    EXPECT_EQ(Fired(), 0);
    EXPECT_TRUE(window.posted.empty());
}

}  // namespace
}  // namespace protolens::test
