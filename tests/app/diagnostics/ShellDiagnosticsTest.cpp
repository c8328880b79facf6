// The Diagnostics pane inside the running program: opened from the View
// menu's command, reading the frame list, selecting a message's frames there
// and following the list's current frame.
#include <QDockWidget>
#include <QItemSelectionModel>
#include <QSettings>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <cstdlib>

#include "app/diagnostics/DiagnosticsPane.h"
#include "app/shell/rules/ShellIds.h"
#include "tests/app/shell/ShellTestSupport.h"
#include "tests/support/DiagnosticTraffic.h"
#include "tests/support/QtTestApplication.h"

namespace korvex::shell::test {
namespace {

using diagnostics::CDiagnosticsPane;

class ShellDiagnosticsTest : public ShellFixture {
  protected:
    void SetUp() override {
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdString(folder.File("qsettings")));
    }
};

TEST_F(ShellDiagnosticsTest, SelectsAMessagesFramesAndFollowsTheList) {
    Start("empty");
    std::vector<korvex::test::ExpectedEpisode> episodes;
    korvex::test::CDiagnosticTraffic traffic = korvex::test::DiagnosticScenario(episodes);
    list->SetCapacity(static_cast<int>(traffic.frames.size()));
    list->AddFrames(traffic.frames.data(), static_cast<int>(traffic.frames.size()), 1);

    main->RunCommand(cmd::kShowDiagnosticsPane);
    EXPECT_TRUE(main->ActiveChild()->IsPaneOpen(pane::kDiagnostics));
    auto* pane =
        qobject_cast<CDiagnosticsPane*>(main->ActiveChild()->Pane(pane::kDiagnostics)->widget());
    ASSERT_NE(pane, nullptr);
    QSignalSpy done(pane, &CDiagnosticsPane::readFinished);
    pane->Read();
    ASSERT_TRUE(done.wait(10000));
    ASSERT_EQ(pane->MessageTable()->model()->rowCount(), static_cast<int>(traffic.messages.size()));

    // The J1939 RTS/CTS message: its RTS, CTSs, data packets and acknowledgement.
    const auto vi = std::find_if(traffic.messages.begin(), traffic.messages.end(),
                                 [](const auto& m) { return m.pgn == "65260"; });
    const int row = static_cast<int>(vi - traffic.messages.begin());
    QTableView* table = pane->MessageTable();
    table->scrollTo(table->model()->index(row, 0));
    const QPoint at = table->visualRect(table->model()->index(row, 0)).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
    const QModelIndexList rows = list->selectionModel()->selectedRows();
    std::vector<int> selected;
    for (const QModelIndex& index : rows) selected.push_back(index.row());
    std::sort(selected.begin(), selected.end());
    ASSERT_FALSE(selected.empty());
    EXPECT_EQ(selected.front(), vi->first);
    EXPECT_EQ(selected.size(), 1u + 2u + 3u);  // RTS, two CTS, three packets
    EXPECT_EQ(list->selectionModel()->currentIndex().row(), vi->first);

    // Another frame of the list made current: the pane shows its message.
    const auto big = std::find_if(traffic.messages.begin(), traffic.messages.end(),
                                  [](const auto& m) { return m.length == 4095; });
    list->SelectRow(static_cast<int>(big->last));
    EXPECT_EQ(table->currentIndex().row(), static_cast<int>(big - traffic.messages.begin()));
    if (const char* folder = std::getenv("KORVEX_SHOTS"))
        main->grab().save(QString(folder) + "/diagnostics_program_zh.png");
}

}  // namespace
}  // namespace korvex::shell::test
