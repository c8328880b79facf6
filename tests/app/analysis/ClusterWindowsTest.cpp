#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "app/analysis/ClusterDataList.h"
#include "app/analysis/ClusterRecord.h"
#include "app/analysis/DlgClusterCfg.h"
#include "app/analysis/DlgOneBusStatus.h"
#include "app/analysis/HisCurve.h"
#include "app/framelist/KorvexList.h"
#include "app/resources/rules/BuiltInResources.h"
#include "core/KorvexGlobal.h"
#include "protolens/include/MessageWindow.h"
#include "protolens/include/protolens.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/QtTestApplication.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::test::FakeUiServices;
using korvex::test::TempFolder;

class CRecordingWindow final : public IMessageWindow {
  public:
    void PostMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) override {
        posted.push_back({msg, wParam, lParam});
    }
    struct Post {
        unsigned msg;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };
    std::vector<Post> posted;
};

// Saves a picture of `widget` when KORVEX_SCREENSHOTS names a folder.
void Screenshot(QWidget& widget, const char* name) {
    if (const char* dir = std::getenv("KORVEX_SCREENSHOTS"))
        widget.grab().save(QString::fromUtf8(dir) + '/' + name);
}

std::string Cell(QAbstractItemModel* model, int row, int column, int role = Qt::DisplayRole) {
    return model->data(model->index(row, column), role).toString().toStdString();
}

std::vector<std::string> Column0(const CClusterDataList& results) {
    std::vector<std::string> texts;
    for (int r = 0; r < results.model()->rowCount(); ++r)
        texts.push_back(Cell(results.model(), r, 0));
    return texts;
}

class ClusterWindowsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        korvex::InstallBuiltInResources();
        SetControlList(&list);
        std::int32_t language = 0;
        IOCtl(15, &language, sizeof language, 0, 0);
        SetControlList(nullptr);
        const std::vector<std::pair<std::uint32_t, std::uint8_t>> frames = {
            {0x100, 1}, {0x200, 0}, {0x100, 2}, {0x100, 1}};
        std::vector<_VCI_CAN_OBJ> records;
        for (const auto& [id, d0] : frames) {
            _VCI_CAN_OBJ f{};
            f.ID = id;
            f.DataLen = 1;
            f.Data[0] = d0;
            f.TimeFlag = 1;
            f.Reserved[1] = korvex::kNoClockIndex;
            records.push_back(f);
        }
        list.SetCapacity(static_cast<int>(records.size()));
        list.AddFrames(records.data(), static_cast<int>(records.size()), 1);
    }
    void TearDown() override { list.SetCapacity(0); }

    ClusterFrameList Source() {
        ClusterFrameList source;
        source.busy = [this] { return list.IsBusy() != 0; };
        source.captions = [this] {
            std::vector<std::string> captions;
            const QAbstractItemModel* model = list.CFlatTableView::model();
            for (int c = 0; c < model->columnCount(); ++c)
                captions.push_back(model->headerData(c, Qt::Horizontal).toString().toStdString());
            return captions;
        };
        source.frameStore = [this] { return &list.Record().frameStore; };
        source.cellContext = [this] { return list.CellContext().rowText; };
        return source;
    }

    void AddColumn(CDlgClusterCfg& dialog, int column) {
        dialog.ColumnList()->setCurrentIndex(column);
        QTest::mouseClick(dialog.AddButton(), Qt::LeftButton);
    }

    void DoubleClick(CClusterDataList& results, int row, int x = 40) {
        const QRect cell = results.visualRect(results.model()->index(row, 0));
        QTest::mouseDClick(results.viewport(), Qt::LeftButton, {},
                           QPoint(cell.left() + x, cell.center().y()));
    }

    TempFolder dir;
    FakeUiServices ui;
    CKorvexGlobal global;
    CKorvexList list{global};
};

TEST_F(ClusterWindowsTest, SettingsRunTheResultListAsAUserDoes) {
    CClusterDataList results;
    CRecordingWindow owner;
    results.SetOwner(&owner);
    int shown = 0;
    CDlgClusterCfg dialog(Source(), results, [&shown] { ++shown; });
    dialog.resize(220, 340);
    dialog.show();
    ASSERT_EQ(dialog.ColumnList()->count(), 9);
    EXPECT_EQ(dialog.ColumnList()->currentIndex(), 0);

    AddColumn(dialog, 7);
    AddColumn(dialog, 3);
    AddColumn(dialog, 7);
    EXPECT_EQ(dialog.ChosenColumns(), (std::vector<std::int32_t>{3, 7}));
    ASSERT_EQ(dialog.ConditionList()->count(), 2);
    EXPECT_EQ(dialog.ConditionList()->item(0)->text().toStdString(), "帧ID");
    Screenshot(dialog, "cluster_settings.png");

    QTest::mouseClick(dialog.RunButton(), Qt::LeftButton);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(Column0(results), (std::vector<std::string>{"0(2)", "1(1)", "2(1)"}));
    EXPECT_EQ(Cell(results.model(), 0, 3), "0x00000100");
    EXPECT_EQ(results.model()->headerData(3, Qt::Horizontal).toString().toStdString(), "帧ID");

    // Only the identifier: frame 2 differs in its data, so the group turns red.
    dialog.ConditionList()->setCurrentRow(1);
    QTest::mouseClick(dialog.DeleteButton(), Qt::LeftButton);
    QTest::mouseClick(dialog.RunButton(), Qt::LeftButton);
    EXPECT_EQ(Column0(results), (std::vector<std::string>{"0(3)", "1(1)"}));
    const QVariant fore = results.model()->data(results.model()->index(0, 4), Qt::ForegroundRole);
    const QVariant back = results.model()->data(results.model()->index(0, 4), Qt::BackgroundRole);
    EXPECT_EQ(fore.value<QBrush>().color(), QColor(255, 0, 0));
    EXPECT_EQ(back.value<QBrush>().color(), QColor(0, 211, 190));
    EXPECT_FALSE(results.model()->data(results.model()->index(1, 4), Qt::BackgroundRole).isValid());

    results.resize(700, 200);
    results.show();
    DoubleClick(results, 1);
    ASSERT_EQ(owner.posted.size(), 1u);
    EXPECT_EQ(owner.posted[0].msg, 0x4CDu);
    EXPECT_EQ(owner.posted[0].wParam, 1u);
    EXPECT_EQ(owner.posted[0].lParam, 0);

    DoubleClick(results, 0);
    EXPECT_EQ(Column0(results), (std::vector<std::string>{"0(3)", "2", "3", "1(1)"}));
    EXPECT_EQ(results.currentIndex().row(), 0);
    EXPECT_TRUE(results.isEnabled());
    Screenshot(results, "cluster_results.png");
    DoubleClick(results, 2);
    EXPECT_EQ(owner.posted.back().wParam, 3u);

    // A click in the tree indent folds the group again.
    const QRect head = results.visualRect(results.model()->index(0, 0));
    QTest::mouseClick(results.viewport(), Qt::LeftButton, {},
                      QPoint(head.left() + 3, head.center().y()));
    EXPECT_EQ(Column0(results), (std::vector<std::string>{"0(3)", "1(1)"}));
}

TEST_F(ClusterWindowsTest, ContextMenuExportsAndClears) {
    CClusterDataList results;
    results.TakeColumns(Source().captions(), std::vector<int>(9, 60));
    EXPECT_EQ(results.model()->columnCount(), 9);
    EXPECT_EQ(results.model()->rowCount(), 0);
    CDlgClusterCfg dialog(Source(), results, [] {});
    AddColumn(dialog, 3);
    dialog.Run();
    results.OnDoubleClick(0);
    EXPECT_EQ(Cell(results.model(), 1, 3), "0x00000100");  // the taken columns get their texts

    const auto path = dir / "cluster.txt";
    ui.fileAnswer = path.string();
    ui.menuAnswer = CClusterDataList::kCmdExport;
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    QCoreApplication::sendEvent(results.viewport(), &menu);
    ASSERT_EQ(ui.menus.size(), 1u);
    ASSERT_EQ(ui.menus[0].popup.popup.size(), 2u);
    EXPECT_EQ(ui.menus[0].popup.popup[0].text, "清空");
    EXPECT_EQ(ui.menus[0].popup.popup[1].text, "导出到文件");
    ASSERT_EQ(ui.fileDialogs.size(), 1u);
    EXPECT_EQ(ui.fileDialogs[0].request.filter, "Text File|*.txt||");
    EXPECT_EQ(ui.fileDialogs[0].request.defaultExt, "txt");
    const std::string text = korvex::test::ReadBytes(path);
    EXPECT_EQ(text.substr(0, text.find("\r\n")),
              "序号\t时间标识\t别名\t帧ID\t格式\t类型\tDLC\t数据\t备注\t");
    // Header, the head and its two members as shown.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 4);
    EXPECT_NE(text.find("\r\n0(3)\t"), std::string::npos);
    EXPECT_NE(text.find("\r\n2\t"), std::string::npos);

    ui.fileAnswer = (dir / "missing" / "x.txt").string();
    QCoreApplication::sendEvent(results.viewport(), &menu);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "无法创建文件\n" + ui.fileAnswer + "\nNo such file or directory");

    ui.menuAnswer = CClusterDataList::kCmdClear;
    QCoreApplication::sendEvent(results.viewport(), &menu);
    EXPECT_EQ(results.model()->rowCount(), 0);
}

TEST_F(ClusterWindowsTest, TimeTextsFollowTheTimeModeOfTheMoment) {
    CClusterDataList results;
    CDlgClusterCfg dialog(Source(), results, [] {});
    AddColumn(dialog, 3);
    const auto exported = [&] {
        ui.fileAnswer = (dir / "cluster.txt").string();
        results.OnCommand(CClusterDataList::kCmdExport);
        const std::string text = korvex::test::ReadBytes(dir / "cluster.txt");
        const std::size_t line = text.find("\r\n") + 2;
        return text.substr(line, text.find("\r\n", line) - line);
    };
    // The frames have no clock index: clock time is empty, relative time is not.
    for (int run = 0; run < 2; ++run) {
        list.OnCommand(32790);  // the frame list's "相对时间"
        dialog.Run();
        EXPECT_EQ(Cell(results.model(), 0, 1), "00:00:00.000.0") << run;
        list.OnCommand(32789);  // "时钟时间"
        EXPECT_EQ(Cell(results.model(), 0, 1), "") << run;
        EXPECT_EQ(exported().substr(0, 6), "0(3)\t\t") << run;
        list.OnCommand(32790);
        EXPECT_EQ(exported().substr(0, 20), "0(3)\t00:00:00.000.0\t") << run;
    }
}

OrigTimeEntry Entry(int hour, std::uint32_t stamp, std::uint8_t bitRate) {
    OrigTimeEntry entry{};
    entry.date[2] = 3;
    entry.date[3] = 14;
    entry.hour = static_cast<std::uint8_t>(hour);
    entry.timeStamp = stamp;
    entry.bitRateIndex = bitRate;
    return entry;
}

class BusStatusWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        korvex::InstallBuiltInResources();
        global.origTimeList = {Entry(8, 0, 2), Entry(9, 0, 2)};
        // 1750 frames a second over 08:00:00 ... 08:00:01 and its last second.
        store.Reserve(4000);
        for (std::uint32_t i = 0; i < 3500; ++i) {
            _VCI_CAN_OBJ f{};
            f.TimeStamp = i * 20000 / 3500;
            f.Reserved[1] = 0;
            store.Push(f);
        }
        _VCI_CAN_OBJ last{};
        last.TimeStamp = 19999;
        store.Push(last);
    }

    FakeUiServices ui;
    CKorvexGlobal global;
    CCycleBuffer<_VCI_CAN_OBJ> store;
};

TEST_F(BusStatusWindowTest, SpansCurvesAndMessages) {
    CDlgOneBusStatus dialog(global, [this] { return &store; });
    dialog.OpenFromCommand();
    ASSERT_EQ(dialog.SpanList()->count(), 2);
    EXPECT_EQ(dialog.SpanList()->itemText(0).toStdString(),
              "03/14 08:00:00--03/14 08:00:01(count:3501)");
    EXPECT_EQ(dialog.SpanList()->itemText(1).toStdString(), "03/14 09:00:00(No Data)");
    EXPECT_EQ(dialog.StartEdit()->text().toStdString(), "08:00:00");
    EXPECT_EQ(dialog.EndEdit()->text().toStdString(), "08:00:01");
    EXPECT_FALSE(dialog.StartEdit()->isEnabled());
    EXPECT_EQ(dialog.PrecisionEdit()->text().toStdString(), "100");
    EXPECT_EQ(dialog.AverageFlowText()->text().toStdString(), "1750");
    EXPECT_EQ(dialog.AverageLoadText()->text().toStdString(), "50%");
    EXPECT_EQ(dialog.LoadBar()->value(), 50);
    EXPECT_EQ(dialog.FlowCurve()->YMax(), 180);
    EXPECT_EQ(dialog.Pages()->tabText(0).toStdString(), "流量");
    EXPECT_EQ(dialog.Pages()->tabText(1).toStdString(), "负载");
    EXPECT_TRUE(ui.messages.empty());
    dialog.resize(760, 460);
    Screenshot(dialog, "bus_status_flow.png");
    dialog.Pages()->setCurrentIndex(1);
    Screenshot(dialog, "bus_status_load.png");

    // Fine adjust lets the edits change; start = end is refused.
    QTest::mouseClick(dialog.FineAdjust(), Qt::LeftButton);
    EXPECT_TRUE(dialog.StartEdit()->isEnabled());
    dialog.EndEdit()->setText("08:00:00");
    QTest::mouseClick(dialog.UpdateButton(), Qt::LeftButton);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "设置范围不符合规则");
    EXPECT_EQ(global.strAnalyEnd, "08:00:01");

    // The empty span says so twice while fine adjust is ticked: the rule
    // unticks it, then the computation finds no frames.
    dialog.SpanList()->setCurrentIndex(1);
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[1].text, "该段区间没有数据");
    EXPECT_EQ(ui.messages[2].text, "该段区间没有数据");
    EXPECT_FALSE(dialog.FineAdjust()->isChecked());
    QTest::mouseClick(dialog.FineAdjust(), Qt::LeftButton);
    EXPECT_FALSE(dialog.FineAdjust()->isChecked());
    EXPECT_FALSE(dialog.StartEdit()->isEnabled());
    ASSERT_EQ(ui.messages.size(), 4u);
    EXPECT_EQ(ui.messages.back().text, "该段区间没有数据");

    // Reopened over data without clock records: no spans are left listed.
    global.origTimeList.clear();
    dialog.Open();
    EXPECT_EQ(dialog.SpanList()->count(), 0);
    EXPECT_EQ(ui.messages.size(), 4u);
}

TEST(HisCurveTest, ZoomAndPaintCostFollowPixels) {
    CHisCurve curve;
    curve.resize(400, 200);
    constexpr int kRecords = 1000000;
    curve.SetDataSource(
        [](int i, int& value, std::uint32_t& stamp) {
            if (i < 0 || i >= kRecords) return false;
            value = i % 100;
            stamp = static_cast<std::uint32_t>(i) * 10;
            return true;
        },
        [] { return kRecords; });
    curve.SetStepTime(8);
    curve.OnCommand(CHisCurve::kCmdZoomIn);
    EXPECT_EQ(curve.StepTime(), 5);
    curve.OnCommand(CHisCurve::kCmdZoomOut);
    EXPECT_EQ(curve.StepTime(), 10);
    // Fit: the whole 1,000-second recording in the plot, one record per
    // pixel, so the step is its span over the plot's width.
    curve.OnCommand(CHisCurve::kCmdFit);
    const int fitted = curve.StepTime();
    EXPECT_GE(fitted, 999999 / 400);
    EXPECT_LE(fitted, 999999 / 300);
    curve.show();
    QTest::mouseClick(&curve, Qt::RightButton, Qt::ControlModifier, QPoint(50, 50));
    EXPECT_EQ(curve.StepTime(), 2 * fitted);
    QTest::mouseClick(&curve, Qt::LeftButton, Qt::ControlModifier, QPoint(50, 50));
    EXPECT_EQ(curve.StepTime(), fitted);
    QTest::mouseClick(&curve, Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(curve.StepTime(), fitted);

    curve.grab();
    EXPECT_GT(curve.LastVertexCount(), 100);
    EXPECT_LE(curve.LastVertexCount(), curve.width() + 1);
}

TEST(HisCurveTest, ContextMenuAndKeysReachTheZoomCommands) {
    korvex::InstallBuiltInResources();
    FakeUiServices ui;
    CHisCurve curve;
    curve.resize(400, 200);
    curve.show();
    curve.SetStepTime(40);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(50, 50), QPoint(50, 50));
    struct MenuCase {
        std::uint32_t answer;
        int stepTime;
    };
    for (const MenuCase c : {MenuCase{CHisCurve::kCmdZoomIn, 20},
                             {CHisCurve::kCmdZoomOut, 40},
                             {CHisCurve::kCmdFit, 5},
                             {0, 5}}) {
        ui.menuAnswer = c.answer;
        QCoreApplication::sendEvent(&curve, &menu);
        EXPECT_EQ(curve.StepTime(), c.stepTime) << c.answer;
    }
    ASSERT_EQ(ui.menus.size(), 4u);
    const std::vector<XTPMenuItem>& items = ui.menus[0].popup.popup;
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].text, "放大\t+");
    EXPECT_EQ(items[1].text, "缩小\t-");
    EXPECT_EQ(items[2].text, "适合大小\t0");
    // Ctrl with the right button zooms out and brings no menu.
    QContextMenuEvent ctrl(QContextMenuEvent::Mouse, QPoint(50, 50), QPoint(50, 50),
                           Qt::ControlModifier);
    QCoreApplication::sendEvent(&curve, &ctrl);
    EXPECT_EQ(ui.menus.size(), 4u);

    curve.SetStepTime(40);
    struct KeyCase {
        Qt::Key key;
        int stepTime;
    };
    for (const KeyCase c : {KeyCase{Qt::Key_Plus, 20},
                            {Qt::Key_Equal, 10},
                            {Qt::Key_Minus, 20},
                            {Qt::Key_0, 5},
                            {Qt::Key_A, 5}}) {
        QTest::keyClick(&curve, c.key);
        EXPECT_EQ(curve.StepTime(), c.stepTime) << c.key;
    }
    // Zooming out for ever stops short of overflowing.
    for (int i = 0; i < 40; ++i) QTest::keyClick(&curve, Qt::Key_Minus);
    EXPECT_GT(curve.StepTime(), std::numeric_limits<int>::max() / 4);
    EXPECT_EQ(curve.focusPolicy(), Qt::StrongFocus);
}

}  // namespace
