// The signal pane, the database list and the plot window driven as a user
// drives them: clicks, keys, the mouse wheel, file dialogs answered by the
// test's user-interface services.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/resources/rules/BuiltInResources.h"
#include "app/signals/DlgDbcWarnings.h"
#include "app/signals/DlgSignalDatabases.h"
#include "app/signals/SignalDatabases.h"
#include "app/signals/SignalPane.h"
#include "app/signals/SignalPlotWindow.h"
#include "app/signals/rules/SignalIds.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/QtTestApplication.h"
#include "tests/support/TempFolder.h"

namespace {

using namespace korvex::signaldb;
using korvex::test::FakeUiServices;
using korvex::test::TempFolder;
using korvex::test::WriteBytes;

constexpr char kDbc[] = R"(
BO_ 256 Engine: 8 Ecu
 SG_ Speed : 0|16@1+ (0.5,0) [0|0] "rpm" Gw
 SG_ Gear : 16|4@1+ (1,0) [0|15] "" Gw
CM_ SG_ 256 Speed "Crankshaft speed";
VAL_ 256 Gear 0 "Neutral" 1 "First" 2 "Second" ;
)";

// Saves a picture of `widget` when KORVEX_SCREENSHOTS names a folder.
void Screenshot(QWidget& widget, const char* name) {
    if (const char* dir = std::getenv("KORVEX_SCREENSHOTS"))
        widget.grab().save(QString::fromUtf8(dir) + '/' + name);
}

_VCI_CAN_OBJ Frame(std::uint32_t id, std::vector<std::uint8_t> data, std::uint32_t stamp) {
    _VCI_CAN_OBJ f{};
    f.ID = id;
    f.DataLen = static_cast<std::uint8_t>(data.size());
    std::copy(data.begin(), data.end(), f.Data);
    f.TimeStamp = stamp;
    f.TimeFlag = 1;
    f.Reserved[1] = 0xFF;
    return f;
}

class SignalWindowsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        korvex::InstallBuiltInResources();
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdString(dir.path.string()));
        QCoreApplication::setOrganizationName("KorvexTest");
        QSettings().clear();
        WriteBytes(dir / "engine.dbc", kDbc);
    }

    // A recording of `n` frames 10 ms apart: Speed counts up, Gear steps
    // through its values every 100 frames; every fourth frame is of another
    // message.
    void Record(int n) {
        store.Reserve(n);
        for (int i = 0; i < n; ++i) {
            const auto v = static_cast<std::uint16_t>(i);
            store.Push(i % 4 == 3
                           ? Frame(0x300, {1, 2}, 100 * static_cast<std::uint32_t>(i))
                           : Frame(256,
                                   {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                    static_cast<std::uint8_t>(i / 100 % 3)},
                                   100 * static_cast<std::uint32_t>(i)));
        }
    }

    CSignalPlotWindow::Source PlotSource() {
        CSignalPlotWindow::Source source;
        source.frameStore = [this] { return &store; };
        source.origTimeList = [] { return std::vector<OrigTimeEntry>{}; };
        source.timeText = [](long long index, const _VCI_CAN_OBJ&, std::string& text) {
            text = "t" + std::to_string(index);
        };
        source.selectFrame = [this](int frame) { selected.push_back(frame); };
        return source;
    }

    TempFolder dir;
    FakeUiServices ui;
    CCycleBuffer<_VCI_CAN_OBJ> store;
    std::vector<int> selected;
};

TEST_F(SignalWindowsTest, TheDatabaseListAddsRefusesReordersAndIsKept) {
    WriteBytes(dir / "bad.dbc", "BO_ 1 M: 8 A\n SG_ S : 0|8@1+ (1,0) [0|0] A\n");
    CSignalDatabases databases;
    QSignalSpy changed(&databases, &CSignalDatabases::changed);
    CDlgSignalDatabases dialog(databases);
    dialog.show();

    ui.fileAnswer = dir.File("engine.dbc");
    dialog.OnAdd();
    ASSERT_EQ(dialog.List()->count(), 1);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(QSettings().value(CSignalDatabases::kSettingsKey).toStringList(),
              QStringList{QString::fromStdString(dir.File("engine.dbc"))});

    ui.fileAnswer = dir.File("bad.dbc");
    dialog.StrictBox()->click();
    EXPECT_TRUE(QSettings().value(CSignalDatabases::kStrictKey).toBool());
    dialog.OnAdd();
    EXPECT_EQ(dialog.List()->count(), 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    const std::string skipped = dir.File("bad.dbc") + ":2: expected the unit in quotes, found 'A'";
    EXPECT_NE(ui.messages[0].text.find(skipped), std::string::npos) << ui.messages[0].text;
    EXPECT_EQ(dialog.findChild<CDlgDbcWarnings*>(), nullptr);

    // Lenient, the file is added and its skipped statement listed to copy.
    dialog.StrictBox()->click();
    dialog.OnAdd();
    ASSERT_EQ(dialog.List()->count(), 2);
    EXPECT_EQ(ui.messages.size(), 1u);
    auto* warnings = dialog.findChild<CDlgDbcWarnings*>();
    ASSERT_NE(warnings, nullptr);
    EXPECT_TRUE(warnings->isVisible());
    EXPECT_EQ(warnings->List()->toPlainText().toStdString(), skipped + "\n");
    warnings->OnCopy();
    EXPECT_EQ(ui.clipboard, skipped + "\n");
    Screenshot(*warnings, "signal-database-warnings.png");
    warnings->close();
    dialog.List()->setCurrentRow(1);
    dialog.OnRemove();
    ASSERT_EQ(dialog.List()->count(), 1);
    EXPECT_EQ(ui.fileDialogs.back().request.defaultExt, "dbc");

    WriteBytes(dir / "second.dbc", "BO_ 256 Rival: 8 Ecu\n");
    ui.fileAnswer = dir.File("second.dbc");
    dialog.OnAdd();
    EXPECT_EQ(databases.Decoder()->Find(Frame(256, {1}, 0))->message->name, "Engine");
    dialog.List()->setCurrentRow(1);
    dialog.OnMove(-1);
    EXPECT_EQ(databases.Decoder()->Find(Frame(256, {1}, 0))->message->name, "Rival");
    EXPECT_EQ(dialog.List()->currentRow(), 0);
    Screenshot(dialog, "signal-databases.png");

    // Start-up: a file that went away is dropped and reported once.
    std::filesystem::remove(dir / "engine.dbc");
    ui.messages.clear();
    CSignalDatabases again;
    again.Restore(nullptr);
    EXPECT_EQ(again.Set().Paths(), std::vector<std::string>{dir.File("second.dbc")});
    QTRY_COMPARE(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find(dir.File("engine.dbc")), std::string::npos);
    CSignalDatabases third;
    third.Restore(nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(ui.messages.size(), 1u);
}

// Another program changes the list while this one runs: a change here is
// written over the list as it stands then, not over the one read at start.
TEST_F(SignalWindowsTest, TheDatabaseListKeepsWhatAnotherProgramAdded) {
    WriteBytes(dir / "second.dbc", "BO_ 256 Rival: 8 Ecu\n");
    CSignalDatabases databases;
    databases.Restore(nullptr);
    databases.Add({QString::fromStdString(dir.File("engine.dbc"))}, nullptr);
    const QString file = QSettings().fileName();
    const std::string other = dir.File("other.dbc");
    std::ofstream(file.toStdString(), std::ios::trunc)
        << "[SignalDatabases]\nFiles=" << dir.File("engine.dbc") << ", " << other << "\n";
    databases.Add({QString::fromStdString(dir.File("second.dbc"))}, nullptr);
    QSettings settings;
    settings.sync();
    EXPECT_EQ(settings.value(CSignalDatabases::kSettingsKey).toStringList(),
              (QStringList{QString::fromStdString(dir.File("engine.dbc")),
                           QString::fromStdString(dir.File("second.dbc")),
                           QString::fromStdString(other)}));
}

TEST_F(SignalWindowsTest, ThePaneShowsTheSelectedFramesSignals) {
    CSignalDatabases databases;
    databases.Add({QString::fromStdString(dir.File("engine.dbc"))}, nullptr);
    CSignalPane pane;
    const QString noDatabase = pane.MessageLabel()->text();
    pane.SetDecoder(databases.Decoder());
    pane.ShowFrame(std::nullopt);
    EXPECT_NE(pane.MessageLabel()->text(), noDatabase);
    pane.ShowFrame(Frame(256, {0x10, 0x27, 0x02}, 0));
    EXPECT_EQ(pane.MessageLabel()->text(), "Engine");
    ASSERT_EQ(pane.Rows()->topLevelItemCount(), 2);
    const QTreeWidgetItem* speed = pane.Rows()->topLevelItem(0);
    EXPECT_EQ(QStringList({speed->text(0), speed->text(1), speed->text(2), speed->text(3)}),
              QStringList({"Speed", "5000", "rpm", "0x2710"}));
    EXPECT_EQ(speed->toolTip(1), "Crankshaft speed");
    EXPECT_EQ(pane.Rows()->topLevelItem(1)->text(4), "Second");
    pane.ShowFrame(Frame(0x300, {1}, 0));
    EXPECT_EQ(pane.Rows()->topLevelItemCount(), 0);
    pane.resize(420, 200);
    pane.ShowFrame(Frame(256, {0x10, 0x27, 0x02}, 0));
    Screenshot(pane, "signal-pane.png");
}

TEST_F(SignalWindowsTest, ThePlotDrawsZoomsReadsAndExports) {
    Record(4000);
    CSignalDatabases databases;
    databases.Add({QString::fromStdString(dir.File("engine.dbc"))}, nullptr);
    CSignalPlotWindow window(databases, PlotSource());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    // The filter narrows the tree; checking a signal computes its lane.
    QTest::keyClicks(window.Filter(), "gear");
    ASSERT_EQ(window.Tree()->topLevelItemCount(), 1);
    EXPECT_EQ(window.Tree()->topLevelItem(0)->childCount(), 1);
    window.Filter()->clear();
    ASSERT_TRUE(window.SetSignalChecked({0, 0}, true));
    ASSERT_TRUE(window.SetSignalChecked({0, 1}, true));
    CSignalPlot& plot = *window.Plot();
    QTRY_VERIFY(plot.Lanes().size() == 2 && plot.Lanes()[0].data && plot.Lanes()[1].data);
    EXPECT_FALSE(window.ProgressBar()->isVisible());
    EXPECT_EQ(plot.Lanes()[0].data->series.x.size(), 3000u);
    EXPECT_DOUBLE_EQ(plot.Viewport().Width(), 3999 * 0.01);

    // The wheel zooms about the pointer, a drag pans, 0 fits.
    const QPoint middle(plot.PlotLeft() + plot.PlotWidth(plot.width()) / 2, plot.height() / 3);
    const double before = plot.Viewport().Width();
    QWheelEvent wheel(middle, plot.mapToGlobal(middle), {}, QPoint(0, 240), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&plot, &wheel);
    EXPECT_NEAR(plot.Viewport().Width(), before * 0.64, 1e-9);
    const double from = plot.Viewport().From();
    QTest::mousePress(&plot, Qt::LeftButton, {}, middle);
    QTest::mouseMove(&plot, middle - QPoint(100, 0));
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, middle - QPoint(100, 0));
    EXPECT_GT(plot.Viewport().From(), from);
    QTest::keyClick(&plot, Qt::Key_0);
    EXPECT_DOUBLE_EQ(plot.Viewport().Width(), before);

    // The cursor reads every lane at the pointer: frame 2000 (20 s) carries
    // Speed 1000 and Gear 20 % 3 = 2.
    plot.SetCursorX(20.0);
    EXPECT_EQ(plot.CursorTexts(), (std::vector<QString>{"1000 rpm", "Second"}));
    QTest::mouseMove(&plot, middle);
    EXPECT_TRUE(plot.CursorX().has_value());

    // Shift-click sets a reference cursor; the cursor then measures from it:
    // 10 s on, Speed has risen by 500 rpm; Gear shows texts, no difference.
    const double x10 =
        plot.PlotLeft() + plot.Viewport().ToPixel(10.0, plot.PlotWidth(plot.width()));
    QTest::mouseClick(&plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(int(std::lround(x10)), 30));
    ASSERT_TRUE(plot.ReferenceX().has_value());
    EXPECT_NEAR(*plot.ReferenceX(), 10.0, plot.Viewport().Width() / plot.PlotWidth(plot.width()));
    plot.SetReferenceX(10.0);
    plot.SetCursorX(20.0);
    EXPECT_EQ(plot.DeltaTexts(), (std::vector<QString>{"Δ500 rpm", ""}));
    EXPECT_EQ(plot.DeltaTimeText(), QString("Δt 10.00 s"));
    QTest::keyClick(&plot, Qt::Key_Escape);
    EXPECT_FALSE(plot.ReferenceX().has_value());
    EXPECT_TRUE(plot.DeltaTimeText().isEmpty());
    QTest::keyClick(&plot, Qt::Key_M);
    EXPECT_EQ(plot.ReferenceX(), plot.CursorX());

    // A double-click chooses the nearest frame of the lane under it.
    const double x20 =
        plot.PlotLeft() + plot.Viewport().ToPixel(20.0, plot.PlotWidth(plot.width()));
    QTest::mouseDClick(&plot, Qt::LeftButton, {}, QPoint(int(std::lround(x20)), 30));
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_NEAR(selected[0], 2000, 8);
    plot.SetReferenceX(10.0);
    plot.SetCursorX(20.0);
    Screenshot(window, "signal-plot.png");

    // Exports: the view as PNG and SVG, the visible samples as CSV.
    EXPECT_TRUE(window.ExportImage(QString::fromStdString(dir.File("view.png"))));
    EXPECT_TRUE(window.ExportImage(QString::fromStdString(dir.File("view.svg"))));
    EXPECT_EQ(QImage(QString::fromStdString(dir.File("view.png"))).size(), plot.size());
    EXPECT_NE(korvex::test::ReadBytes(dir / "view.svg").find("<svg"), std::string::npos);
    plot.Viewport().ZoomAt(0.05, 0.0001 / plot.Viewport().Width() * 3);
    EXPECT_TRUE(window.ExportCsv(QString::fromStdString(dir.File("view.csv"))));
    const std::string csv = korvex::test::ReadBytes(dir / "view.csv");
    EXPECT_EQ(csv.substr(0, csv.find('\n')), "index,time,id,message,signal,raw,value,unit,text");
    EXPECT_NE(
        csv.find("\n5,t5,0x100,Engine,Speed,5,2.5,rpm,\n5,t5,0x100,Engine,Gear,0,0,,Neutral\n"),
        std::string::npos)
        << csv;
    EXPECT_FALSE(window.ExportCsv(QString::fromStdString(dir.File("no/such/dir.csv"))));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "无法创建文件\n" + dir.File("no/such/dir.csv") + "\nNo such file or directory");
    EXPECT_FALSE(window.ExportImage("/dev/full"));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, "写入文件失败\n/dev/full\nNo space left on device");

    // Unchecking removes the lane.
    window.SetSignalChecked({0, 0}, false);
    EXPECT_EQ(plot.Lanes().size(), 1u);
}

TEST_F(SignalWindowsTest, ComputingCanBeCancelledAndFollowsTheDatabases) {
    Record(2'000'000);
    CSignalDatabases databases;
    databases.Add({QString::fromStdString(dir.File("engine.dbc"))}, nullptr);
    CSignalPlotWindow window(databases, PlotSource());
    window.show();
    window.SetSignalChecked({0, 0}, true);
    ASSERT_TRUE(window.Job().Running());
    QTRY_VERIFY(window.ProgressBar()->isVisible());
    QTest::mouseClick(window.CancelButton(), Qt::LeftButton);
    QTRY_VERIFY(!window.Job().Running());
    EXPECT_EQ(window.Plot()->Lanes()[0].data, nullptr);
    EXPECT_FALSE(window.ProgressBar()->isVisible());

    // Removing the database empties the tree and the plot.
    databases.Remove(0);
    EXPECT_EQ(window.Tree()->topLevelItemCount(), 0);
    EXPECT_TRUE(window.Plot()->Lanes().empty());
}

}  // namespace
