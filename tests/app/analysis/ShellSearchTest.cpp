#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QPushButton>
#include <QTest>

#include "app/analysis/CANFrameNameDlg.h"
#include "app/analysis/DlgFrameHandle.h"
#include "app/analysis/SearchListCtrl.h"
#include "tests/app/shell/ShellTestSupport.h"
#include "tests/support/QtTestApplication.h"

namespace korvex::shell::test {
namespace {

class ShellSearchTest : public ShellFixture {
  protected:
    void LoadFrames() {
        std::vector<_VCI_CAN_OBJ> frames;
        for (std::uint32_t i = 0; i < 50; ++i) {
            _VCI_CAN_OBJ f{};
            f.ID = i % 5 == 0 ? 0x123 : 0x200 + i;
            f.DataLen = 1;
            f.Data[0] = static_cast<std::uint8_t>(i);
            f.Reserved[1] = korvex::kNoClockIndex;
            frames.push_back(f);
        }
        list->SetCapacity(static_cast<int>(frames.size()));
        list->AddFrames(frames.data(), static_cast<int>(frames.size()), 1);
    }
    korvex::CDlgFrameHandle* Pane() const {
        return qobject_cast<korvex::CDlgFrameHandle*>(main->ActiveChild()->Pane(3072)->widget());
    }
    korvex::CSearchListCtrl* Results() const {
        return qobject_cast<korvex::CSearchListCtrl*>(main->ActiveChild()->Pane(3071)->widget());
    }
};

TEST_F(ShellSearchTest, PanesSearchTheFrameListAndGoToAHit) {
    Start("empty");
    LoadFrames();
    korvex::CDlgFrameHandle* pane = Pane();
    korvex::CSearchListCtrl* results = Results();
    ASSERT_NE(pane, nullptr);
    ASSERT_NE(results, nullptr);

    // "搜索..." of the frame list brings the closed search pane back.
    main->ActiveChild()->Pane(3072)->close();
    list->OnCommand(32824);
    EXPECT_TRUE(main->ActiveChild()->IsPaneOpen(3072));

    pane->ColumnBox()->setCurrentIndex(3);
    QTest::mouseClick(pane->ConditionCheck(korvex::kLess), Qt::LeftButton);
    QTest::mouseClick(pane->ConditionCheck(korvex::kGreater), Qt::LeftButton);
    QTest::mouseClick(pane->ConditionCheck(korvex::kEqual), Qt::LeftButton);
    pane->ConditionBox(korvex::kEqual)->setEditText("123");
    QTest::mouseClick(pane->SearchButton(), Qt::LeftButton);
    ASSERT_EQ(results->Model().rowCount(), 10);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(main->ActiveChild()->IsPaneOpen(3071));
    QCoreApplication::processEvents();
    EXPECT_EQ(main->PaneText(1), QString("搜索到帧数 ：10"));

    const QRect cell = results->visualRect(results->Model().index(3, 3));
    QTest::mouseDClick(results->viewport(), Qt::LeftButton, {}, cell.center());
    QCoreApplication::processEvents();
    EXPECT_EQ(list->currentIndex().row(), 15);
}

TEST_F(ShellSearchTest, AliasCommandOpensTheAliasWindow) {
    Start("empty");
    ASSERT_TRUE(View().HasCommand(korvex::CCANFrameNameDlg::kCommand));
    QString title;
    const auto closer = Every10ms([&title] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return false;
        title = modal->windowTitle();
        modal->close();
        return true;
    });
    View().OnCommand(korvex::CCANFrameNameDlg::kCommand);
    EXPECT_EQ(title, QString("-CAN- 别名设置"));
}

}  // namespace
}  // namespace korvex::shell::test
