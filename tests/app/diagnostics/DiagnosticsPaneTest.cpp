// The Diagnostics pane driven as a user drives it, over generated diagnostic
// traffic: read, filter, double-click, follow the frame list, export; in the
// built-in language and in English.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "app/diagnostics/DiagnosticsPane.h"
#include "app/diagnostics/DiagnosticsTimeline.h"
#include "app/resources/rules/BuiltInResources.h"
#include "core/frame/TimeText.h"
#include "core/transport/TransportCsv.h"
#include "tests/support/DiagnosticTraffic.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/QtTestApplication.h"
#include "tests/support/TempFolder.h"
#include "xtp/XTPResourceXml.h"

namespace {

using namespace korvex::diagnostics;
using korvex::test::FakeUiServices;
using korvex::test::TempFolder;

// Saves a picture of the pane when KORVEX_SHOTS names a folder.
void Look(QWidget& widget, const char* name) {
    widget.resize(1100, 560);
    widget.show();
    // The layout settles before the picture is taken.
    QCoreApplication::processEvents();
    const QImage shot = widget.grab().toImage();
    EXPECT_FALSE(shot.isNull());
    if (const char* folder = std::getenv("KORVEX_SHOTS"))
        shot.save(QString(folder) + "/" + name + ".png");
}

class DiagnosticsPaneTest : public ::testing::Test {
  protected:
    void SetUp() override {
        korvex::InstallBuiltInResources();
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdString(dir.path.string()));
        traffic = korvex::test::DiagnosticScenario(episodes);
        store.Reset(static_cast<int>(traffic.frames.size()));
        store.PushRun(traffic.frames.data(), static_cast<int>(traffic.frames.size()));
        CDiagnosticsPane::Source source;
        source.frameStore = [this] { return &store; };
        source.timeText = [](std::int64_t, const _VCI_CAN_OBJ& f) { return Time(f); };
        source.selectFrames = [this](const std::vector<std::int64_t>& f) { selected = f; };
        source.spnName = &SpnName;
        pane = std::make_unique<CDiagnosticsPane>(std::move(source));
    }
    // The name a signal database gives an SPN.
    static std::string SpnName(std::uint32_t spn) {
        return spn == 110 ? std::string("Engine Coolant Temperature") : std::string();
    }
    static std::string Time(const _VCI_CAN_OBJ& f) {
        std::string text;
        korvex::FormatRelativeTime(f, text);
        return text;
    }
    void ReadAll() {
        QSignalSpy done(pane.get(), &CDiagnosticsPane::readFinished);
        pane->Read();
        ASSERT_TRUE(done.wait(10000));
    }
    int Rows() const { return pane->MessageTable()->model()->rowCount(); }

    TempFolder dir;
    FakeUiServices ui;
    korvex::test::CDiagnosticTraffic traffic;
    std::vector<korvex::test::ExpectedEpisode> episodes;
    CCycleBuffer<_VCI_CAN_OBJ> store;
    std::unique_ptr<CDiagnosticsPane> pane;
    std::vector<std::int64_t> selected;
};

TEST_F(DiagnosticsPaneTest, ListsFiltersAndSelectsWhatItRead) {
    ReadAll();
    ASSERT_EQ(Rows(), static_cast<int>(traffic.messages.size()));
    const int j1939 = static_cast<int>(std::count_if(
        traffic.messages.begin(), traffic.messages.end(),
        [](const korvex::test::ExpectedMessage& m) { return m.protocol == "J1939-TP"; }));
    pane->ProtocolBox()->setCurrentIndex(2);
    EXPECT_EQ(Rows(), j1939);
    pane->ProtocolBox()->setCurrentIndex(0);
    pane->AddressEdit()->setText("18db33");
    EXPECT_EQ(Rows(), 1);
    pane->AddressEdit()->clear();
    pane->TextEdit()->setText("requestoutofrange");
    ASSERT_EQ(Rows(), 1);
    // A fault code's name, as the Meaning column shows it, is found too.
    pane->TextEdit()->setText("coolant");
    EXPECT_GT(Rows(), 0);
    pane->TextEdit()->clear();
    // Typed a key at a time, each filter looks only at what the one before
    // showed; taken back, the wider filter shows all its rows again.
    pane->TextEdit()->setText("re");
    const int wide = Rows();
    pane->TextEdit()->clear();
    QTest::keyClicks(pane->TextEdit(), "REQUESTOUTOFRANGE");
    EXPECT_EQ(Rows(), 1);
    for (int k = 0; k < 15; ++k) QTest::keyClick(pane->TextEdit(), Qt::Key_Backspace);
    EXPECT_EQ(pane->TextEdit()->text(), "RE");
    EXPECT_EQ(Rows(), wide);
    EXPECT_GT(wide, 1);
    pane->ProtocolBox()->setCurrentIndex(2);
    EXPECT_EQ(Rows(),
              static_cast<int>(pane->Rows().Filter({ProtocolFilter::kJ1939, "", "re"}).size()));
    pane->ProtocolBox()->setCurrentIndex(0);
    pane->TextEdit()->clear();
    EXPECT_FALSE(
        FilterNarrows({ProtocolFilter::kAll, "", "re"}, {ProtocolFilter::kIsoTp, "", "re"}));
    EXPECT_FALSE(FilterNarrows({ProtocolFilter::kAll, "", "r"}, {ProtocolFilter::kAll, "", "re"}));
    EXPECT_TRUE(
        FilterNarrows({ProtocolFilter::kAll, "7E8", "Req"}, {ProtocolFilter::kAll, "e", "rE"}));

    // The 240-byte answer: its first frame, every consecutive frame and the
    // flow control between them, nothing of the periodic traffic.
    const auto big = std::find_if(traffic.messages.begin(), traffic.messages.end(),
                                  [](const auto& m) { return m.length == 240; });
    const int row = static_cast<int>(big - traffic.messages.begin());
    Look(*pane, "diagnostics_messages_zh");
    QTableView* table = pane->MessageTable();
    table->scrollTo(table->model()->index(row, 0));
    const QPoint at = table->visualRect(table->model()->index(row, 0)).center();
    // An item view takes a double-click on the item it was pressed on.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
    ASSERT_FALSE(selected.empty());
    EXPECT_EQ(selected.front(), big->first);
    EXPECT_EQ(selected.back(), big->last);
    EXPECT_EQ(selected.size(), 1u + 34u + 5u);  // FF, 34 CFs, flow control every 8
    for (const std::int64_t f : selected)
        EXPECT_NE(traffic.frames[static_cast<std::size_t>(f)].ID, traffic.frames.front().ID);

    // The frame list's current frame inside that message makes its row current.
    table->setCurrentIndex({});
    pane->ShowFrame(selected[5]);
    EXPECT_EQ(table->currentIndex().row(), row);
    pane->ShowFrame(0);  // a periodic frame is in no message

    // Fault codes: the episodes, and a double-click on a bar goes to its first report.
    ASSERT_EQ(pane->FaultTable()->rowCount(), static_cast<int>(episodes.size()));
    EXPECT_EQ(pane->FaultTable()->item(5, 1)->text(), "110");
    EXPECT_EQ(pane->FaultTable()->item(5, 9)->text(), "是");
    pane->Tabs()->setCurrentIndex(1);
    Look(*pane, "diagnostics_faults_zh");
    CDiagnosticsTimeline* timeline = pane->Timeline();
    QPoint bar;
    for (int x = 0; x < timeline->width() && bar.isNull(); ++x)
        for (int y = 0; y < timeline->height(); ++y)
            if (timeline->EpisodeAt({x, y}) == 5) {
                bar = {x + 1, y + 2};
                break;
            }
    ASSERT_FALSE(bar.isNull());
    selected.clear();
    QTest::mouseDClick(timeline, Qt::LeftButton, {}, bar);
    EXPECT_EQ(selected, std::vector<std::int64_t>{episodes[5].first});
    QTest::mouseMove(timeline, bar);
    EXPECT_TRUE(timeline->CursorText().contains("SPN 110 FMI 0"))
        << timeline->CursorText().toStdString();
}

TEST_F(DiagnosticsPaneTest, ExportsWhatKorvexCliWrites) {
    ReadAll();
    // korvex-cli's writers over the same frames and time texts.
    korvex::transport::TransportReading reading;
    ASSERT_TRUE(korvex::transport::ReadTransport(
        store.View(), korvex::transport::CIsoTpPairs::Standard(), {}, reading));
    korvex::ExportRowContext context;
    context.timeShowType = 1;
    const auto written = [&](bool faults) {
        char* buffer = nullptr;
        std::size_t size = 0;
        std::FILE* out = open_memstream(&buffer, &size);
        if (faults)
            korvex::transport::WriteDtcCsv(out,
                                           korvex::transport::BuildDtcEpisodes(reading.dm1Reports),
                                           store.View(), context);
        else
            korvex::transport::WriteTransportCsv(out, reading.messages, store.View(), context,
                                                 &SpnName);
        std::fclose(out);
        std::string text(buffer, size);
        std::free(buffer);
        return text;
    };
    ui.fileAnswer = dir.File("messages.csv");
    QTest::mouseClick(pane->findChild<QPushButton*>("exportMessages"), Qt::LeftButton);
    EXPECT_EQ(korvex::test::ReadBytes(dir / "messages.csv"), written(false));
    ASSERT_TRUE(pane->ExportFaults(QString::fromStdString(dir.File("faults.csv"))));
    EXPECT_EQ(korvex::test::ReadBytes(dir / "faults.csv"), written(true));
    EXPECT_FALSE(pane->ExportFaults("/nonexistent/faults.csv"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("/nonexistent/faults.csv"), std::string::npos);
    // A pair that cannot be read is said, and nothing is read.
    pane->PairsEdit()->setText("7E0");
    pane->Read();
    EXPECT_NE(pane->Status()->text().indexOf("REQ:RESP"), -1);
    EXPECT_FALSE(pane->Reading());
}

TEST_F(DiagnosticsPaneTest, ShowsInEnglish) {
    std::ifstream in(std::string(KORVEX_SOURCE_DIR) + "/language/English.xml");
    const std::string xml{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    XTPResourceTable table = korvex::BuiltInResourceTable();
    std::string error;
    ASSERT_TRUE(ParseResourceXml(xml.data(), xml.size(), table, error)) << error;
    Look(*pane, "diagnostics_unread_zh");
    XTPSetResourceManager(std::make_unique<CXTPResourceManager>(std::move(table)));
    name_share::CBaseDlg::RelabelAll();
    ReadAll();
    EXPECT_EQ(pane->Tabs()->tabText(0), "Messages");
    EXPECT_EQ(pane->MessageTable()->model()->headerData(10, Qt::Horizontal), "Meaning");
    EXPECT_EQ(pane->FaultTable()->horizontalHeaderItem(9)->text(), "Active at end");
    EXPECT_EQ(pane->FaultTable()->item(5, 9)->text(), "yes");
    EXPECT_EQ(pane->MessageTable()->model()->index(0, 8).data().toString(), "complete");
    EXPECT_TRUE(
        pane->Status()->text().startsWith(QString::number(traffic.messages.size()) + " messages"));
    Look(*pane, "diagnostics_messages_en");
    pane->Tabs()->setCurrentIndex(1);
    Look(*pane, "diagnostics_faults_en");
    korvex::InstallBuiltInResources();
}

}  // namespace
