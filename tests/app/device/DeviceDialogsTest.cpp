#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFocusEvent>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

#include "app/device/BitTimingDlg.h"
#include "app/device/DeviceCommands.h"
#include "app/device/DlgConfig.h"
#include "app/device/DlgPreFrameSetting.h"
#include "app/device/DlgSure.h"
#include "tests/app/device/rules/DeviceSimFixture.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/QtTestApplication.h"
#include "xtp/XTPResourceXml.h"

namespace {

using namespace korvex::device;
using korvex::test::DeviceSimTest;
using korvex::test::FakeUiServices;
using korvex::test::RecorderImageContent;
namespace wire = korvex::test::wire;

std::unique_lock<std::mutex> FreeRecorder() {
    static std::mutex gate;
    return std::unique_lock<std::mutex>(gate);
}

// The program is ending while it waits: the lock is not held.
std::unique_lock<std::mutex> Quitting() {
    return {};
}

template <typename T>
T* Child(QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

void Click(QWidget& parent, const char* button) {
    QTest::mouseClick(Child<QPushButton>(parent, button), Qt::LeftButton);
}

// Saves a picture of the window when KORVEX_SHOTS names a folder, and checks
// that the window is at least as large as its layout needs.
void Look(QWidget& window, const char* name) {
    window.show();
    window.adjustSize();
    const QImage shot = window.grab().toImage();
    EXPECT_FALSE(shot.isNull());
    EXPECT_GE(window.width(), window.minimumSizeHint().width()) << name;
    if (const char* folder = std::getenv("KORVEX_SHOTS"))
        shot.save(QString(folder) + "/" + name + ".png");
}

class DialogsTest : public DeviceSimTest {
  protected:
    FakeUiServices ui;
};

TEST_F(DialogsTest, BitTimingListSelectsByClickAndDoubleClick) {
    CBitTimingDlg dialog;
    Look(dialog, "bittiming");
    auto* list = Child<QTableView>(dialog, "results");
    QAbstractItemModel* model = list->model();
    // Nothing cut off: every column fits its caption and the list shows them all.
    int columns = 0;
    for (int c = 0; c < 5; ++c) {
        EXPECT_GE(list->columnWidth(c), list->horizontalHeader()->sectionSizeHint(c)) << c;
        columns += list->columnWidth(c);
    }
    EXPECT_GE(list->viewport()->width(), columns);
    const std::vector<std::uint32_t> expected = CalculateBitTimings({});
    ASSERT_EQ(model->rowCount(), static_cast<int>(expected.size()));
    const auto at = std::find(expected.begin(), expected.end(), 0x001C0001u);
    ASSERT_NE(at, expected.end());
    const int row = static_cast<int>(at - expected.begin());
    EXPECT_EQ(model->data(model->index(row, 0)).toString(), "0x001C0001");
    EXPECT_EQ(model->data(model->index(row, 4), Qt::BackgroundRole).value<QColor>(),
              QColor(230, 255, 220));
    EXPECT_FALSE(model->data(model->index(0, 1), Qt::DecorationRole).isValid());
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), "采样点");

    list->scrollTo(model->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(model->index(row, 1)).center());
    EXPECT_EQ(dialog.SelectedValue(), 0x001C0001u);
    list->scrollToTop();
    const QPoint first = list->visualRect(model->index(0, 1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first);
    EXPECT_EQ(dialog.SelectedValue(), expected[0]);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.SelectedValue(), expected[0]);
}

TEST_F(DialogsTest, BitTimingOkWithoutAClickAndRecalculation) {
    CBitTimingDlg dialog;
    dialog.show();
    Child<QDoubleSpinBox>(dialog, "clock")->setValue(120.0);
    Child<QSpinBox>(dialog, "rate")->setValue(6000000);
    Child<QCheckBox>(dialog, "triple")->setChecked(true);
    Click(dialog, "calculate");
    const auto expected = CalculateBitTimings({120.0, 6000000, 0, true, true});
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(dialog.Rules().Results(), expected);
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.SelectedValue(), kNoTimingSelected);

    // 36 MHz and 250 kbit/s list the table's 0x001C0008 with its own icon.
    Child<QDoubleSpinBox>(dialog, "clock")->setValue(36.0);
    Child<QSpinBox>(dialog, "rate")->setValue(250000);
    Child<QCheckBox>(dialog, "triple")->setChecked(false);
    Click(dialog, "calculate");
    const auto& results = dialog.Rules().Results();
    const auto standard = std::find(results.begin(), results.end(), 0x001C0008u);
    ASSERT_NE(standard, results.end());
    QAbstractItemModel* model = Child<QTableView>(dialog, "results")->model();
    const QIcon mark =
        model->data(model->index(int(standard - results.begin()), 0), Qt::DecorationRole)
            .value<QIcon>();
    const QIcon plain = model->data(model->index(0, 0), Qt::DecorationRole).value<QIcon>();
    EXPECT_NE(mark.pixmap(22, 14).toImage(), plain.pixmap(22, 14).toImage());
    Child<QTableView>(dialog, "results")
        ->scrollTo(model->index(int(standard - results.begin()), 0),
                   QAbstractItemView::PositionAtCenter);
    Look(dialog, "bittiming_36mhz");
}

TEST_F(DialogsTest, BitTimingClockIsTypedToTheHertz) {
    CBitTimingDlg dialog;
    dialog.show();
    auto* clock = Child<QDoubleSpinBox>(dialog, "clock");
    clock->setFocus();
    clock->selectAll();
    QTest::keyClicks(clock, "14.7456");
    Click(dialog, "calculate");
    EXPECT_EQ(ClockHz(dialog.Rules().input.clockMHz), 14745600u);
    Look(dialog, "bittiming_14_7456mhz");
}

TEST_F(DialogsTest, ConfigDialogWritesTheTableRateAndReturnsItsRecords) {
    const std::string image = Attach({RecorderImageContent{}});
    CANSetting setting{};
    setting.baseInfo.dwSendInterval = 0x10;
    {
        CDlgConfig dialog(setting, FreeRecorder);
        Look(dialog, "config");
        auto* bitRate = Child<QComboBox>(dialog, "bitRate");
        bitRate->setCurrentIndex(3);
        emit bitRate->activated(3);
        EXPECT_EQ(Child<QLineEdit>(dialog, "customRegister")->text(), "001c0008");
        Child<QLineEdit>(dialog, "interval")->setText("1f4");
        Click(dialog, "config");
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, "操作成功");
        EXPECT_EQ(ui.messages[0].type, 0u);
        EXPECT_EQ(+RecorderBase().dwTiming, 0x001C0008u);
        EXPECT_EQ(+RecorderBase().dwSendInterval, 0x1F4u);

        Child<QLineEdit>(dialog, "interval")->setText("ten");
        Click(dialog, "config");
        EXPECT_EQ(ui.messages.back().text, "发送时间间隔不是十六进制数：ten");
        EXPECT_EQ(Sent(0, wire::kSetBaseInfo), 1u);
    }
    EXPECT_EQ(+setting.baseInfo.dwTiming, 0x001C0008u);
    EXPECT_EQ(+setting.baseInfo.dwSendInterval, 0x1F4u);
}

// A recorder at 250K whose custom register holds 0 shows as 250K, and
// writing back a changed mode leaves its rate registers as they were.
TEST_F(DialogsTest, ConfigDialogShowsTheRecorderRateAndWritesBackOnlyEdits) {
    RecorderImageContent image;
    const std::uint32_t timing = 0x001C0008;
    std::memcpy(image.baseInfo.data(), &timing, sizeof timing);
    Attach({image});
    CANSetting setting{};
    CDlgConfig dialog(setting, FreeRecorder);
    Click(dialog, "read");
    auto* bitRate = Child<QComboBox>(dialog, "bitRate");
    EXPECT_EQ(bitRate->currentText(), "250K");
    EXPECT_TRUE(bitRate->isEnabled());
    EXPECT_EQ(Child<QLineEdit>(dialog, "customRegister")->text(), "1c0008");
    Look(dialog, "config_250k");
    Child<QComboBox>(dialog, "mode")->setCurrentIndex(1);
    emit Child<QComboBox>(dialog, "mode")->activated(1);
    Click(dialog, "config");
    EXPECT_EQ(ui.messages.back().text, "操作成功");
    const BaseInfo written = RecorderBase();
    EXPECT_EQ(+written.dwTiming, timing);
    EXPECT_EQ(+written.dwCustomTiming, 0u);
    EXPECT_EQ(+written.bMode, 1);
}

TEST_F(DialogsTest, ConfigDialogFilterControlsClockAndDefault) {
    Attach({RecorderImageContent{}, RecorderImageContent{}});
    CANSetting setting{};
    CDlgConfig dialog(setting, FreeRecorder);
    dialog.show();
    auto* add = Child<QPushButton>(dialog, "add");
    auto* endId = Child<QLineEdit>(dialog, "endId");
    EXPECT_FALSE(add->isEnabled());
    Child<QCheckBox>(dialog, "filterEnable")->setChecked(true);
    EXPECT_TRUE(add->isEnabled());
    EXPECT_FALSE(endId->isEnabled());
    Child<QComboBox>(dialog, "filterFormat")->setCurrentIndex(1);
    EXPECT_TRUE(endId->isEnabled());
    Child<QLineEdit>(dialog, "startId")->setText("100");
    endId->setText("1ff");
    Click(dialog, "add");
    Click(dialog, "add");
    auto* rows = Child<QTableWidget>(dialog, "filterList");
    ASSERT_EQ(rows->rowCount(), 1);
    EXPECT_EQ(rows->item(0, 1)->text(), "标准帧组ID格式");
    EXPECT_EQ(rows->item(0, 3)->text(), "0x000001ff");
    EXPECT_TRUE(ui.messages.empty());
    Click(dialog, "delete");
    EXPECT_EQ(ui.messages.back().text, "没有选择删除条目");
    rows->selectRow(0);
    Click(dialog, "delete");
    EXPECT_EQ(rows->rowCount(), 0);

    auto* clock = Child<QLineEdit>(dialog, "clock");
    clock->setText("2026-12-31 23:59:59");
    dialog.OnTimer();
    EXPECT_EQ(clock->text(), "2027-01-01 00:00:00");
    QFocusEvent in(QEvent::FocusIn);
    QApplication::sendEvent(clock, &in);
    clock->setText("2026-05-05 05:05:0");
    dialog.OnTimer();
    EXPECT_EQ(clock->text(), "2026-05-05 05:05:0");
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(clock, &out);
    dialog.OnTimer();
    EXPECT_EQ(clock->text(), "2026-05-05 05:05:01");

    Child<QComboBox>(dialog, "device")->setCurrentIndex(1);
    ui.messageAnswer = xtp_mb::kIdNo;
    Click(dialog, "default");
    EXPECT_EQ(ui.messages.back().text, "确认恢复出厂默认配置?");
    EXPECT_EQ(ui.messages.back().type, xtp_mb::kYesNo);
    EXPECT_EQ(Sent(0, wire::kFactoryDefault), 0u);
    ui.messageAnswer = xtp_mb::kIdYes;
    Click(dialog, "default");
    EXPECT_EQ(ui.messages.back().text, "操作成功");
    EXPECT_EQ(Sent(0, wire::kFactoryDefault), 1u);
    EXPECT_EQ(Sent(1, wire::kFactoryDefault), 0u);
}

TEST_F(DialogsTest, DeviceActionsWaitForTheRecorder) {
    Attach({RecorderImageContent{}});
    CANSetting setting{};
    CDlgConfig dialog(setting, Quitting);
    Click(dialog, "read");
    Click(dialog, "config");
    CDlgPreFrameSetting presets(setting, Quitting);
    Click(presets, "write");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(Sent(0, wire::kGetBaseInfo), 0u);
    EXPECT_EQ(Sent(0, wire::kSetPreFrame), 0u);
}

TEST_F(DialogsTest, PresetDialogEditsInPlaceAndWrites) {
    Attach({RecorderImageContent{}});
    CANSetting setting{};
    {
        CDlgPreFrameSetting dialog(setting, FreeRecorder);
        Look(dialog, "presets");
        QTableWidget* list = dialog.List();
        EXPECT_EQ(list->item(3, 0)->text(), "3");
        EXPECT_EQ(list->item(3, 1)->text(), "0x00000000");
        EXPECT_FALSE(list->item(0, 0)->flags() & Qt::ItemIsEditable);

        list->item(0, 1)->setText("0x1234");
        list->setCurrentCell(0, 2);  // opens the format list over the cell
        auto* format = list->findChild<QComboBox*>();
        ASSERT_NE(format, nullptr);
        EXPECT_EQ(format->count(), 2);
        EXPECT_EQ(format->currentText(), "数据帧");
        format->setCurrentIndex(1);
        Click(dialog, "write");
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, "操作成功");
        EXPECT_EQ(list->item(0, 1)->text(), "0x00000234");
        EXPECT_EQ(list->item(0, 2)->text(), "远程帧");
        EXPECT_EQ(+dialog.Rules().frames[0].RemoteFlag, 1);

        const std::uint32_t writes = Sent(0, wire::kSetPreFrame);
        list->item(1, 5)->setText("1 zz");
        Click(dialog, "write");
        EXPECT_EQ(ui.messages.back().text, "数据不是十六进制字节：zz");
        EXPECT_EQ(Sent(0, wire::kSetPreFrame), writes);
        list->item(1, 5)->setText("");
        Click(dialog, "read");
        EXPECT_EQ(ui.messages.back().text, "操作成功");
        EXPECT_EQ(list->item(0, 1)->text(), "0x00000234");
    }
    EXPECT_EQ(+CPresetDialogRules(setting).frames[0].ID, 0x234u);
}

TEST_F(DialogsTest, ClearAsksFirstAndNoSendsNothing) {
    Attach({RecorderImageContent{}});
    const auto answer = [](const char* button) {
        QTimer::singleShot(0, [button] {
            auto* sure = qobject_cast<CDlgSure*>(QApplication::activeModalWidget());
            ASSERT_NE(sure, nullptr);
            QTest::mouseClick(sure->findChild<QPushButton*>(button), Qt::LeftButton);
        });
    };
    answer("no");
    RunClearRecorder(nullptr, FreeRecorder);
    EXPECT_EQ(Sent(0, wire::kClearFrames), 0u);
    EXPECT_TRUE(ui.messages.empty());

    answer("yes");
    RunClearRecorder(nullptr, FreeRecorder);
    EXPECT_EQ(Sent(0, wire::kClearFrames), 1u);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "操作成功!");

    PipeUsbSim_Configure("");
    answer("yes");
    RunClearRecorder(nullptr, FreeRecorder);
    EXPECT_EQ(ui.messages.back().text, "打开设备失败!");
    EXPECT_EQ(ui.messages.back().caption, "警告");
    EXPECT_EQ(ui.messages.back().type, xtp_mb::kIconWarning);

    CDlgSure sure;
    Look(sure, "sure");
}

TEST_F(DialogsTest, DialogsShowInEnglish) {
    std::ifstream in(std::string(KORVEX_SOURCE_DIR) + "/language/English.xml");
    const std::string xml{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    XTPResourceTable table = korvex::BuiltInResourceTable();
    std::string error;
    ASSERT_TRUE(ParseResourceXml(xml.data(), xml.size(), table, error)) << error;
    XTPSetResourceManager(std::make_unique<CXTPResourceManager>(std::move(table)));

    CANSetting setting{};
    CDlgConfig config(setting, FreeRecorder);
    EXPECT_EQ(config.windowTitle(), "Configuration");
    EXPECT_EQ(Child<QComboBox>(config, "mode")->itemText(0), "Listen-only mode");
    EXPECT_EQ(Child<QPushButton>(config, "calculator")->text(), "Bit-rate calculator");
    Look(config, "config_en");
    CBitTimingDlg timing;
    EXPECT_EQ(Child<QTableView>(timing, "results")->model()->headerData(3, Qt::Horizontal),
              "Actual rate");
    Look(timing, "bittiming_en");
    CDlgPreFrameSetting presets(setting, FreeRecorder);
    EXPECT_EQ(presets.List()->item(0, 2)->text(), "Data frame");
    Look(presets, "presets_en");
    CDlgSure sure;
    EXPECT_EQ(Child<QPushButton>(sure, "no")->text(), "No");
    Look(sure, "sure_en");
    korvex::InstallBuiltInResources();
}

}  // namespace
