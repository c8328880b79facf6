// The signal windows inside the running program: the databases added through
// the "信号数据库..." command, the pane following the frame list, the search
// results and the classification results, the plot window going to a frame,
// and every text relabelled when the language changes.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>

#include "app/analysis/ClusterDataList.h"
#include "app/analysis/DlgClusterCfg.h"
#include "app/analysis/DlgFrameHandle.h"
#include "app/analysis/SearchListCtrl.h"
#include "app/shell/CommandBars.h"
#include "app/shell/rules/ShellIds.h"
#include "app/signals/DlgSignalDatabases.h"
#include "app/signals/SignalDatabases.h"
#include "app/signals/SignalPane.h"
#include "app/signals/SignalPlotWindow.h"
#include "tests/app/shell/ShellTestSupport.h"
#include "tests/support/QtTestApplication.h"

namespace korvex::shell::test {
namespace {

using signaldb::CSignalPane;
using signaldb::CSignalPlotWindow;

constexpr char kDbc[] = R"(VERSION ""
BO_ 256 EngineData: 8 Ecu
 SG_ EngineSpeed : 0|16@1+ (0.25,0) [0|16383.75] "rpm" Dash
 SG_ Gear : 16|4@1+ (1,0) [0|15] "" Dash
 SG_ CoolantTemp : 31|8@0- (1,40) [-88|167] "°C" Dash
CM_ SG_ 256 EngineSpeed "Crankshaft speed";
VAL_ 256 Gear 0 "空档" 1 "一档" 2 "二档" 3 "三档" ;
BO_ 2364540158 EEC1: 8 Ecu
 SG_ ActualTorque : 16|8@1+ (1,-125) [-125|125] "%" Dash
BA_DEF_ BO_ "VFrameFormat" ENUM "StandardCAN","ExtendedCAN","reserved","J1939PG";
BA_ "VFrameFormat" BO_ 2364540158 3;
)";

void Screenshot(QWidget& widget, const char* name) {
    if (const char* dir = std::getenv("KORVEX_SCREENSHOTS"))
        widget.grab().save(QString::fromUtf8(dir) + '/' + name);
}

class ShellSignalsTest : public ShellFixture {
  protected:
    void SetUp() override {
        // The program's settings (QSettings) go to the test's folder.
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdString(folder.File("qsettings")));
        korvex::test::WriteBytes(folder / "car.dbc", kDbc);
    }

    // 600 frames 50 ms apart: engine data, every third an EEC1 of another
    // source address, every seventh an unknown one.
    void LoadFrames() {
        std::vector<_VCI_CAN_OBJ> frames;
        for (std::uint32_t i = 0; i < 600; ++i) {
            _VCI_CAN_OBJ f{};
            const auto rpm = static_cast<std::uint16_t>((800 + 20 * (i % 150)) * 4);
            if (i % 7 == 6) {
                f.ID = 0x555;
            } else if (i % 3 == 2) {
                f.ID = 0x0CF00400 | (i % 4);
                f.ExternFlag = 1;
            } else {
                f.ID = 0x100;
            }
            f.DataLen = 8;
            f.Data[0] = static_cast<std::uint8_t>(rpm);
            f.Data[1] = static_cast<std::uint8_t>(rpm >> 8);
            f.Data[2] = static_cast<std::uint8_t>(i / 150 % 4);
            f.Data[3] = static_cast<std::uint8_t>(50 + i / 10);
            f.TimeStamp = 500 * i;
            f.TimeFlag = 1;
            f.Reserved[1] = korvex::kNoClockIndex;
            frames.push_back(f);
        }
        list->SetCapacity(static_cast<int>(frames.size()));
        list->AddFrames(frames.data(), static_cast<int>(frames.size()), 1);
    }

    // "信号数据库..." with its dialog answered: Add... with the file chosen.
    void AddDatabaseThroughTheDialog() {
        ui.fileAnswer = folder.File("car.dbc");
        bool added = false;
        const auto answer = Every10ms([&added] {
            auto* dialog =
                qobject_cast<signaldb::CDlgSignalDatabases*>(QApplication::activeModalWidget());
            if (!dialog) return false;
            dialog->OnAdd();
            added = dialog->List()->count() == 1;
            dialog->accept();
            return true;
        });
        main->RunCommand(cmd::kSignalDatabases);
        ASSERT_TRUE(added);
    }

    CSignalPane* Pane() const {
        return qobject_cast<CSignalPane*>(main->ActiveChild()->Pane(pane::kSignals)->widget());
    }
    CSignalPlotWindow* Plot() const { return main->findChild<CSignalPlotWindow*>(); }
};

TEST_F(ShellSignalsTest, ThePaneFollowsTheListTheSearchAndTheClassification) {
    Start("empty");
    LoadFrames();
    CSignalPane* pane = Pane();
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(main->ActiveChild()->IsPaneOpen(pane::kSignals));
    AddDatabaseThroughTheDialog();
    EXPECT_TRUE(ui.messages.empty());

    list->SelectRow(2);  // an EEC1 from source address 2: matched by its group
    EXPECT_EQ(pane->MessageLabel()->text(), "EEC1");
    list->SelectRow(4);
    EXPECT_EQ(pane->MessageLabel()->text(), "EngineData");
    ASSERT_EQ(pane->Rows()->topLevelItemCount(), 3);
    EXPECT_EQ(pane->Rows()->topLevelItem(0)->text(1), "880");
    EXPECT_EQ(pane->Rows()->topLevelItem(1)->text(4), "空档");
    EXPECT_EQ(pane->Rows()->topLevelItem(2)->text(1), "90");
    main->resize(1200, 760);
    main->show();
    Screenshot(*main, "shell-signal-pane-zh.png");

    // A search for frame ID 555, then a click on its second hit (frame 13).
    auto* search =
        qobject_cast<korvex::CDlgFrameHandle*>(main->ActiveChild()->Pane(3072)->widget());
    auto* results =
        qobject_cast<korvex::CSearchListCtrl*>(main->ActiveChild()->Pane(3071)->widget());
    ASSERT_TRUE(search && results);
    search->ColumnBox()->setCurrentIndex(3);
    QTest::mouseClick(search->ConditionCheck(korvex::kLess), Qt::LeftButton);
    QTest::mouseClick(search->ConditionCheck(korvex::kGreater), Qt::LeftButton);
    QTest::mouseClick(search->ConditionCheck(korvex::kEqual), Qt::LeftButton);
    search->ConditionBox(korvex::kEqual)->setEditText("100");
    QTest::mouseClick(search->SearchButton(), Qt::LeftButton);
    ASSERT_GT(results->Model().rowCount(), 2);
    QTest::mouseClick(results->viewport(), Qt::LeftButton, {},
                      results->visualRect(results->Model().index(1, 3)).center());
    EXPECT_EQ(pane->MessageLabel()->text(), "EngineData");
    EXPECT_EQ(pane->Rows()->topLevelItem(0)->text(1), "820");  // frame 1

    // Classification by ID: the second group's head is the first EEC1.
    auto* classify = qobject_cast<CDlgClusterCfg*>(main->ActiveChild()->Pane(3074)->widget());
    auto* groups = qobject_cast<CClusterDataList*>(main->ActiveChild()->Pane(3073)->widget());
    ASSERT_TRUE(classify && groups);
    classify->ColumnList()->setCurrentIndex(3);
    QTest::mouseClick(classify->AddButton(), Qt::LeftButton);
    classify->Run();
    ASSERT_GE(groups->model()->rowCount(), 3);
    list->SelectRow(0);
    QTest::mouseClick(groups->viewport(), Qt::LeftButton, {},
                      groups->visualRect(groups->model()->index(1, 3)).center());
    EXPECT_EQ(pane->MessageLabel()->text(), "EEC1");

    // A search by a signal's value: the column gives way, greater and less
    // may be ticked but are not, and the gear's text finds gear two.
    ASSERT_GT(search->SignalBox()->findText("EngineData.Gear"), 0);
    search->SignalBox()->setEditText("EngineData.Gear");
    EXPECT_FALSE(search->ColumnBox()->isEnabled());
    EXPECT_EQ(search->ConditionCheck(korvex::kGreater)->text(), "大于");
    EXPECT_FALSE(search->ConditionCheck(korvex::kGreater)->isChecked());
    search->ConditionBox(korvex::kEqual)->setEditText("二档");
    search->RefreshCheck()->setChecked(true);
    QTest::mouseClick(search->SearchButton(), Qt::LeftButton);
    int gearTwo = 0;
    for (int i = 300; i < 450; ++i) gearTwo += i % 7 != 6 && i % 3 != 2;
    EXPECT_EQ(results->Model().rowCount(), gearTwo);
    search->resize(260, 420);
    Screenshot(*search, "search-by-signal-zh.png");
    search->SignalBox()->setEditText("");
    EXPECT_TRUE(search->ColumnBox()->isEnabled());
    EXPECT_EQ(search->ConditionCheck(korvex::kGreater)->text(), "大于 0x");

    // Removing the database leaves the pane saying so, and the search
    // offers no signal.
    const QString noDatabase = QString::fromStdString(XTPLoadString(47014));
    main->findChild<signaldb::CSignalDatabases*>()->Remove(0);
    EXPECT_EQ(pane->MessageLabel()->text(), noDatabase);
    EXPECT_EQ(search->SignalBox()->count(), 1);
}

TEST_F(ShellSignalsTest, ThePlotGoesToAFrameAndEveryTextFollowsTheLanguage) {
    std::filesystem::copy(KORVEX_LANGUAGE_SOURCE, folder.Path() / "language");
    Start("empty");
    LoadFrames();
    AddDatabaseThroughTheDialog();
    EXPECT_TRUE(main->CommandStateOf(cmd::kSignalPlot).enabled);
    main->RunCommand(cmd::kSignalPlot);
    CSignalPlotWindow* plot = Plot();
    ASSERT_NE(plot, nullptr);
    EXPECT_TRUE(plot->isVisible());
    ASSERT_TRUE(plot->SetSignalChecked({0, 0}, true));
    ASSERT_TRUE(plot->SetSignalChecked({0, 1}, true));
    ASSERT_TRUE(plot->SetSignalChecked({1, 0}, true));
    signaldb::CSignalPlot& lanes = *plot->Plot();
    QTRY_VERIFY(lanes.Lanes().size() == 3 && lanes.Lanes()[0].data && lanes.Lanes()[2].data);
    plot->resize(1100, 640);
    lanes.SetCursorX(12.0);
    Screenshot(*plot, "shell-signal-plot-zh.png");

    // A double-click on the first lane at 10 s selects frame 200 in the list.
    const double x =
        lanes.PlotLeft() + lanes.Viewport().ToPixel(10.0, lanes.PlotWidth(lanes.width()));
    QTest::mouseDClick(&lanes, Qt::LeftButton, {}, QPoint(int(std::lround(x)), 40));
    QCoreApplication::processEvents();
    EXPECT_NEAR(list->currentIndex().row(), 200, 3);
    EXPECT_EQ(Pane()->MessageLabel()->text(), "EngineData");

    // Closing the pane enables "信号"; choosing it shows the pane again.
    main->ActiveChild()->Pane(pane::kSignals)->close();
    EXPECT_TRUE(main->CommandStateOf(cmd::kShowSignalPane).enabled);
    main->RunCommand(cmd::kShowSignalPane);
    EXPECT_TRUE(main->ActiveChild()->IsPaneOpen(pane::kSignals));

    main->RunCommand(cmd::kLanguageFirst + 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(main->ActiveChild()->Pane(pane::kSignals)->windowTitle(), "Signals");
    EXPECT_EQ(Pane()->Rows()->headerItem()->text(1), "Value");
    EXPECT_EQ(plot->windowTitle(), "Signal plot");
    EXPECT_EQ(main->CommandBars().Action(cmd::kSignalPlot)->iconText(), "Signal plot");
    EXPECT_EQ(main->CommandBars().Action(cmd::kSignalDatabases)->text(), "Signal databases...");
    // The search pane's signal field relabels too, captions included.
    auto* search =
        qobject_cast<korvex::CDlgFrameHandle*>(main->ActiveChild()->Pane(3072)->widget());
    ASSERT_NE(search, nullptr);
    search->SignalBox()->setEditText("EngineData.EngineSpeed");
    EXPECT_EQ(search->ConditionCheck(korvex::kLess)->text(), "Less");
    main->resize(1200, 760);
    main->show();
    Screenshot(*main, "shell-signal-pane-en.png");
    Screenshot(*plot, "shell-signal-plot-en.png");
    search->resize(260, 420);
    Screenshot(*search, "search-by-signal-en.png");
}

}  // namespace
}  // namespace korvex::shell::test
