// The analysis panes and the bus status window inside the running program:
// a change of time mode or language and the bus status command, as a user
// gives them from the menus.
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "app/analysis/ClusterDataList.h"
#include "app/analysis/DlgClusterCfg.h"
#include "app/analysis/DlgFrameHandle.h"
#include "app/analysis/DlgOneBusStatus.h"
#include "app/analysis/SearchListCtrl.h"
#include "app/shell/rules/ShellIds.h"
#include "tests/app/shell/ShellTestSupport.h"
#include "tests/support/QtTestApplication.h"

namespace korvex::shell::test {
namespace {

// Counts the paint events a widget receives.
class CPaintCounter : public QObject {
  public:
    explicit CPaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// Saves a picture of `widget` when KORVEX_SCREENSHOTS names a folder.
void Screenshot(QWidget* widget, const char* name) {
    if (const char* dir = std::getenv("KORVEX_SCREENSHOTS"))
        widget->grab().save(QString::fromUtf8(dir) + '/' + name);
}

class ShellPanesTest : public ShellFixture {
  protected:
    // Frames 0x100, 0x200, 0x100 with relative time stamps 1, 2 and 3 s, in
    // the recording span of one clock record at 08:30:00.
    void LoadFrames() {
        OrigTimeEntry entry{};
        entry.date[2] = 5;
        entry.date[3] = 6;
        entry.hour = 8;
        entry.minute = 30;
        global->origTimeList = {entry};
        std::vector<_VCI_CAN_OBJ> frames;
        for (std::uint32_t i = 0; i < 3; ++i) {
            _VCI_CAN_OBJ f{};
            f.ID = i == 1 ? 0x200 : 0x100;
            f.TimeStamp = (i + 1) * 10000;
            f.TimeFlag = 1;
            f.Reserved[1] = 0;
            frames.push_back(f);
        }
        list->SetCapacity(static_cast<int>(frames.size()));
        list->AddFrames(frames.data(), static_cast<int>(frames.size()), 1);
    }
    template <typename T>
    T* PaneWidget(int pane) const {
        return qobject_cast<T*>(main->ActiveChild()->Pane(pane)->widget());
    }
    CDlgClusterCfg* ClusterPane() const { return PaneWidget<CDlgClusterCfg>(pane::kCluster); }
    CClusterDataList* ClusterResults() const {
        return PaneWidget<CClusterDataList>(pane::kClusterResult);
    }
    // Classifies by the identifier column, as a user does in the pane.
    void Classify() {
        list->OnCommand(cmd::kShowClusterPane);  // the frame list's "分类"
        CDlgClusterCfg* pane = ClusterPane();
        ASSERT_NE(pane, nullptr);
        pane->ColumnList()->setCurrentIndex(3);
        QTest::mouseClick(pane->AddButton(), Qt::LeftButton);
        QTest::mouseClick(pane->RunButton(), Qt::LeftButton);
        ASSERT_EQ(ClusterResults()->model()->rowCount(), 2);
    }
    std::string ResultCell(int row, int column) const {
        const QAbstractItemModel* model = ClusterResults()->model();
        return model->data(model->index(row, column)).toString().toStdString();
    }
    std::string FrameListCaption(int column) const {
        return list->CFlatTableView::model()
            ->headerData(column, Qt::Horizontal)
            .toString()
            .toStdString();
    }
};

TEST_F(ShellPanesTest, TimeModeCommandsRedrawTheResultListsInTheNewMode) {
    Start("empty");
    LoadFrames();
    Classify();
    CClusterDataList* results = ClusterResults();
    ASSERT_TRUE(results->isVisible());
    EXPECT_EQ(ResultCell(0, 1), "08:30:01.000.0");
    CPaintCounter painted(results->viewport());
    QTest::qWait(100);  // whatever showing the pane painted
    painted.paints = 0;
    main->RunCommand(cmd::kRelativeTime);
    QTRY_VERIFY_WITH_TIMEOUT(painted.paints > 0, 500);  // the repaint it asked for
    EXPECT_EQ(ResultCell(0, 1), "00:00:01.000.0");
    main->RunCommand(cmd::kClockTime);
    EXPECT_EQ(ResultCell(1, 1), "08:30:02.000.0");
}

TEST_F(ShellPanesTest, ALanguageSwitchRelabelsTheClassificationPanesAndTheFrameTotal) {
    std::filesystem::copy(KORVEX_LANGUAGE_SOURCE, folder.Path() / "language");
    Start("empty");
    LoadFrames();
    Classify();
    main->ActiveChild()->ShowPane(pane::kCluster);
    main->ShowFrameStatus("总帧数 ：3 (Time: 0.010 s)");
    const std::string chinese = FrameListCaption(3);
    // A font large enough for the plug-in's column widths to cut words off.
    QFont large = list->font();
    large.setPixelSize(24);
    list->setFont(large);
    for (std::uint32_t language : {1u, 0u, 1u}) {
        main->RunCommand(cmd::kLanguageFirst + language);
        QCoreApplication::processEvents();
        const std::string caption = FrameListCaption(3);
        EXPECT_EQ(caption == chinese, language == 0) << caption;
        EXPECT_EQ(main->PaneText(2).toStdString(),
                  std::string(language == 0 ? "总帧数" : "Total frames") + " ：3 (Time: 0.010 s)");
        CDlgClusterCfg* pane = ClusterPane();
        EXPECT_EQ(pane->ColumnList()->itemText(3).toStdString(), caption);
        EXPECT_EQ(pane->ColumnList()->currentIndex(), 3);
        EXPECT_EQ(pane->ConditionList()->item(0)->text().toStdString(), caption);
        EXPECT_EQ(ClusterResults()->model()->headerData(3, Qt::Horizontal).toString().toStdString(),
                  caption);
        EXPECT_EQ(ResultCell(0, 0), "0(2)");
        // The frame words of the format and type columns fit them, in the
        // frame list and in the classification results.
        const char* const words[2][4] = {{"数据帧", "远程帧", "标准帧", "扩展帧"},
                                         {"Data", "Remote", "Standard", "Extended"}};
        for (int w = 0; w < 4; ++w) {
            const char* word = words[language][w];
            const int needed = list->fontMetrics().horizontalAdvance(QString::fromUtf8(word));
            EXPECT_GE(list->horizontalHeader()->sectionSize(4 + w / 2), needed) << word;
            EXPECT_GE(ClusterResults()->columnWidth(4 + w / 2), needed) << word;
        }
        EXPECT_EQ(
            PaneWidget<CDlgFrameHandle>(pane::kSearch)->ColumnBox()->itemText(3).toStdString(),
            caption);
    }
    main->resize(1100, 700);
    Screenshot(main, "classification_panes_english.png");
}

TEST_F(ShellPanesTest, TheBusStatusCommandOpensTheWindowOverTheDataOfNow) {
    Start("empty");
    LoadFrames();
    main->RunCommand(cmd::kBusStatus);
    auto* window = qobject_cast<CDlgOneBusStatus*>(main->BusStatusWindow());
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->isVisible());
    ASSERT_EQ(window->SpanList()->count(), 1);
    QTest::mouseClick(window->FineAdjust(), Qt::LeftButton);
    window->StartEdit()->setText("08:30:02");
    QTest::mouseClick(window->UpdateButton(), Qt::LeftButton);

    // A restore from minimised keeps what the user set.
    window->showMinimized();
    window->showNormal();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->FineAdjust()->isChecked());
    EXPECT_EQ(window->StartEdit()->text().toStdString(), "08:30:02");

    // The command again, over an upload with a second span, while it is shown.
    OrigTimeEntry later = global->origTimeList.front();
    later.hour = 9;
    global->origTimeList.push_back(later);
    main->RunCommand(cmd::kBusStatus);
    EXPECT_EQ(window->SpanList()->count(), 2);
    EXPECT_FALSE(window->FineAdjust()->isChecked());
    EXPECT_EQ(window->StartEdit()->text().toStdString(), "08:30:00");
    EXPECT_TRUE(ui.messages.empty());
    window->hide();
}

}  // namespace
}  // namespace korvex::shell::test
