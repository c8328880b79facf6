// The Bits view driven as a user drives it: a message chosen, a field
// clicked, hovered, dragged, flipped and made signed, the draft saved and
// used as a signal database.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <cstdlib>

#include "app/resources/rules/BuiltInResources.h"
#include "app/signals/BitGrid.h"
#include "app/signals/BitsWindow.h"
#include "app/signals/SignalDatabases.h"
#include "app/signals/SignalPlot.h"
#include "core/discover/DraftDbc.h"
#include "core/signals/DbcReader.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/KnownLayoutTraffic.h"
#include "tests/support/QtTestApplication.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TsanQtOptions.h"

namespace {

using namespace korvex::signaldb;
namespace discover = korvex::discover;
using korvex::test::FakeUiServices;
using korvex::test::TempFolder;

void Screenshot(QWidget& widget, const char* name) {
    if (const char* dir = std::getenv("KORVEX_SCREENSHOTS"))
        widget.grab().save(QString::fromUtf8(dir) + '/' + name);
}

class BitsWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        korvex::InstallBuiltInResources();
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdString(dir.path.string()));
        QCoreApplication::setOrganizationName("KorvexTest");
        QSettings().clear();
        korvex::test::CKnownTraffic traffic(3, 6);
        store.Reserve(6 * 600);
        std::uint32_t stamp = 0;
        for (_VCI_CAN_OBJ f : traffic.Frames(600)) {
            f.TimeStamp = stamp += 20;  // 2 ms apart
            f.Reserved[1] = 0xFF;
            store.Push(f);
        }
    }

    CBitsWindow::Source Source() {
        return {[this] { return &store; }, [] { return std::vector<OrigTimeEntry>{}; }};
    }

    TempFolder dir;
    FakeUiServices ui;
    CCycleBuffer<_VCI_CAN_OBJ> store;
};

// The index of the first multi-bit signal of `m`, or -1.
int FirstSignal(const discover::MessageDiscovery& m) {
    for (std::size_t i = 0; i < m.fields.size(); ++i)
        if (m.fields[i].kind == discover::FieldKind::kSignal && m.fields[i].bits.length > 2)
            return static_cast<int>(i);
    return -1;
}

TEST_F(BitsWindowTest, ShowsEditsSavesAndUsesTheDraft) {
    CSignalDatabases databases;
    CBitsWindow window(databases, Source());
    window.resize(800, 760);
    window.ShowIdentifier(0x103, false);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // The analysis runs on a thread of its own; the identifier asked for is
    // shown once it is done.
    QTRY_VERIFY(!window.Analysing());
    ASSERT_EQ(window.Messages().size(), 6u);
    EXPECT_EQ(window.MessageBox()->count(), 6);
    const int shown = window.CurrentMessage();
    ASSERT_GE(shown, 0);
    EXPECT_EQ(window.Messages()[shown].key.id, 0x103u);
    EXPECT_EQ(window.MessageBox()->currentText(),
              QString("M_103  %1 字节  600 帧").arg(window.Messages()[shown].key.length));

    discover::MessageDiscovery m = window.Messages()[shown];
    const int field = FirstSignal(m);
    ASSERT_GE(field, 0);
    // A click on the field chooses it; its values come as the plot's lane.
    CBitGrid& grid = *window.Grid();
    const discover::BitField bits = m.fields[field].bits;
    const QPoint msbCell = grid.CellRect(discover::FieldMsbBit(bits)).center();
    QTest::mouseClick(&grid, Qt::LeftButton, {}, msbCell);
    EXPECT_EQ(grid.SelectedField(), field);
    EXPECT_TRUE(window.FieldText()->text().startsWith("S1："))
        << window.FieldText()->text().toStdString();
    QTRY_VERIFY(window.Plot()->Lanes().size() == 1 && window.Plot()->Lanes()[0].data);
    // A field's values are whole numbers, and its value axis says so.
    EXPECT_EQ(window.Plot()->Lanes()[0].format.type, ValueType::kInteger);
    EXPECT_EQ(window.Plot()->Lanes()[0].format.decimals, 0);
    EXPECT_EQ(window.Plot()->Lanes()[0].title, "S1");
    EXPECT_EQ(window.Plot()->Lanes()[0].data->series.values.size(), 600u);
    Screenshot(window, "bits-view.png");

    // Dragging the most significant bit one bit down shortens the field.
    int wordBits[64];
    discover::FieldWordBits(bits, wordBits);
    const QPoint below = grid.CellRect(wordBits[bits.length - 2]).center();
    QTest::mousePress(&grid, Qt::LeftButton, {}, msbCell);
    QTest::mouseMove(&grid, below);
    QTest::mouseRelease(&grid, Qt::LeftButton, {}, below);
    EXPECT_EQ(window.Messages()[shown].fields[field].bits.length, bits.length - 1);
    QTRY_VERIFY(!window.Plot()->Lanes().empty() && window.Plot()->Lanes()[0].data);
    EXPECT_LE(window.Messages()[shown].fields[field].maximum,
              (std::int64_t{1} << (bits.length - 1)) - 1);

    // Sign and byte order by hand.
    const bool wasSigned = window.Messages()[shown].fields[field].isSigned;
    window.SignedBox()->click();
    EXPECT_EQ(window.Messages()[shown].fields[field].isSigned, !wasSigned);
    const discover::BitField before = window.Messages()[shown].fields[field].bits;
    window.FlipButton()->click();
    const discover::BitField after = window.Messages()[shown].fields[field].bits;
    EXPECT_EQ(discover::FieldLsbBit(after), discover::FieldLsbBit(before));
    EXPECT_EQ(after.length, before.length);

    // The draft saved holds the edits; used as a database, the program
    // decodes with it, and using it again after an edit reads it again.
    ui.fileAnswer = dir.File("draft.dbc");
    window.OnUse();
    ASSERT_EQ(databases.Set().Entries().size(), 1u);
    const DbcMessage* message = databases.Set().Entries()[0].database->FindMessage(0x103, false);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->signalList[field].length, before.length);
    EXPECT_EQ(message->signalList[field].byteOrder, after.order);
    EXPECT_EQ(message->signalList[field].isSigned, !wasSigned);
    window.SignedBox()->click();
    window.OnUse();
    ASSERT_EQ(databases.Set().Entries().size(), 1u);
    EXPECT_EQ(databases.Set()
                  .Entries()[0]
                  .database->FindMessage(0x103, false)
                  ->signalList[field]
                  .isSigned,
              wasSigned);
    EXPECT_EQ(ui.fileDialogs.size(), 1u) << "asked where only the first time";
    EXPECT_TRUE(ui.messages.empty());

    EXPECT_FALSE(window.SaveDraft(QString::fromStdString(dir.File("no/such/dir.dbc"))));
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(BitsWindowTest, NamesWhatItCannotTell) {
    CCycleBuffer<_VCI_CAN_OBJ> few;
    few.Reserve(20);
    for (int i = 0; i < 20; ++i) {
        _VCI_CAN_OBJ f{};
        f.ID = 0x7;
        f.DataLen = 2;
        f.Data[0] = static_cast<std::uint8_t>(i);
        few.Push(f);
    }
    CSignalDatabases databases;
    CBitsWindow window(databases, {[&few] { return &few; }, {}});
    window.Analyse();
    QTRY_VERIFY(!window.Analysing());
    ASSERT_EQ(window.Messages().size(), 1u);
    EXPECT_EQ(window.FieldText()->text(), "帧数太少（20 帧），无法判断");
    EXPECT_FALSE(window.FlipButton()->isEnabled());

    CCycleBuffer<_VCI_CAN_OBJ> none;
    CBitsWindow empty(databases, {[&none] { return &none; }, {}});
    empty.Analyse();
    QTRY_VERIFY(!empty.Analysing());
    EXPECT_EQ(empty.CurrentMessage(), -1);
    EXPECT_EQ(empty.FieldText()->text(), "报文列表中没有数据帧");
}

// A new analysis cancels the one running, and a window closed while one
// runs waits for its thread; the last analysis is the one shown.
TEST_F(BitsWindowTest, AnalysesAgainWhileRunningAndClosesWhileRunning) {
    CSignalDatabases databases;
    {
        CBitsWindow window(databases, Source());
        window.Analyse();
        window.Analyse();
        window.ShowIdentifier(0x105, false);
        QTRY_VERIFY(!window.Analysing());
        ASSERT_EQ(window.Messages().size(), 6u);
        ASSERT_GE(window.CurrentMessage(), 0);
        EXPECT_EQ(window.Messages()[window.CurrentMessage()].key.id, 0x105u);
    }
    auto* closing = new CBitsWindow(databases, Source());
    closing->Analyse();
    EXPECT_TRUE(closing->Analysing());
    delete closing;
    QCoreApplication::processEvents();
}

}  // namespace
