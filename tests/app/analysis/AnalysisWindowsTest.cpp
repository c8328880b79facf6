#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/analysis/CANFrameNameDlg.h"
#include "app/analysis/DlgFrameHandle.h"
#include "app/analysis/SearchListCtrl.h"
#include "app/framelist/KorvexList.h"
#include "app/resources/rules/BuiltInResources.h"
#include "app/services/WindowHandle.h"
#include "core/KorvexGlobal.h"
#include "protolens/include/MessageWindow.h"
#include "protolens/include/protolens.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/QtTestApplication.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::test::FakeUiServices;
using korvex::test::TempFolder;

struct Posted {
    unsigned msg;
    std::uintptr_t wParam;
    std::string text;  // for status texts: the text wParam pointed at
};

class CRecordingWindow final : public IMessageWindow {
  public:
    void PostMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t) override {
        posted.push_back(
            {msg, wParam, msg == 0x46A ? std::string(reinterpret_cast<const char*>(wParam)) : ""});
    }
    std::vector<Posted> posted;
};

// Saves a picture of `widget` when KORVEX_SCREENSHOTS names a folder.
void Screenshot(QWidget& widget, const char* name) {
    if (const char* dir = std::getenv("KORVEX_SCREENSHOTS"))
        widget.grab().save(QString::fromUtf8(dir) + '/' + name);
}

class AnalysisWindowsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        korvex::InstallBuiltInResources();
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdString(dir.path.string()));
        QCoreApplication::setOrganizationName("KorvexTest");
        QSettings().clear();
        // The plug-in gives the list its columns, as at start-up.
        SetControlList(&list);
        std::int32_t language = 0;
        IOCtl(15, &language, sizeof language, 0, 0);
        SetControlList(nullptr);
    }
    void TearDown() override { list.SetCapacity(0); }

    void Load(const std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>>& frames) {
        std::vector<_VCI_CAN_OBJ> records;
        for (const auto& [id, data] : frames) {
            _VCI_CAN_OBJ f{};
            f.ID = id;
            f.DataLen = static_cast<std::uint8_t>(data.size());
            f.Reserved[1] = korvex::kNoClockIndex;
            for (std::size_t i = 0; i < data.size(); ++i) f.Data[i] = data[i];
            records.push_back(f);
        }
        list.SetCapacity(static_cast<int>(records.size()));
        list.AddFrames(records.data(), static_cast<int>(records.size()), 1);
    }

    std::string ListCell(int row, int column) {
        return list.CFlatTableView::model()
            ->data(list.CFlatTableView::model()->index(row, column), Qt::DisplayRole)
            .toString()
            .toStdString();
    }

    TempFolder dir;
    FakeUiServices ui;
    CKorvexGlobal global;
    CKorvexList list{global};
};

AliasEntry Rule(std::uint32_t id, const char* name) {
    AliasEntry e;
    e.key.icolInd = kKeyIdentifier;
    e.key.dwData = id;
    e.key.dwMask = 0xFFFFFFFF;
    e.strName = name;
    return e;
}

void Choose(QComboBox* box, int field) {
    box->setCurrentIndex(box->findData(field));
}

TEST_F(AnalysisWindowsTest, AliasWindowAddsRenamesAndCancels) {
    global.Block(0).alias.vecAliasName = {Rule(7, "kept")};
    {
        korvex::CCANFrameNameDlg dlg(global, 0);
        EXPECT_EQ(dlg.windowTitle(), "-CAN- 别名设置");
        ASSERT_EQ(dlg.FieldBox()->count(), 5);
        EXPECT_EQ(dlg.FieldBox()->itemText(4), "数据(HEX)");
        // The first line is shown in the edit row.
        EXPECT_EQ(dlg.ValueEdit()->text(), "7");
        EXPECT_EQ(dlg.NameEdit()->text(), "kept");

        Choose(dlg.FieldBox(), kKeyIdentifier);
        dlg.ValueEdit()->setText("123");
        dlg.NameEdit()->setText("Engine");
        dlg.OnAdd();
        dlg.ValueEdit()->setText("0x123");
        dlg.NameEdit()->setText("Motor");
        dlg.OnAdd();
        ASSERT_EQ(dlg.List()->count(), 2);
        EXPECT_EQ(dlg.List()->item(0)->text(), "当帧ID为0x123时别名为Motor");
        EXPECT_EQ(dlg.List()->currentRow(), 0);

        Choose(dlg.FieldBox(), kKeyDataBytes);
        dlg.ValueEdit()->setText("** ** ** ** ** ** ** **");
        dlg.OnAdd();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, XTPLoadString(101));
        EXPECT_EQ(dlg.List()->count(), 2);

        Choose(dlg.FieldBox(), kKeyRemote);
        EXPECT_TRUE(dlg.ValueBox()->isVisibleTo(&dlg));
        EXPECT_FALSE(dlg.ValueEdit()->isVisibleTo(&dlg));
        EXPECT_EQ(dlg.ValueBox()->itemText(1), "远程帧");
        dlg.show();
        dlg.move(40, 30);
        Screenshot(dlg, "alias-window.png");
        dlg.reject();
    }
    ASSERT_EQ(global.Block(0).alias.vecAliasName.size(), 1u);
    EXPECT_EQ(global.Block(0).alias.vecAliasName[0].strName, "kept");
    int left = 0;
    int top = 0;
    ASSERT_TRUE(korvex::UnpackDialogPosition(global.Block(0).alias.dlgpos, left, top));
}

TEST_F(AnalysisWindowsTest, AliasWindowOkReachesTheFrameList) {
    Load({{0x100, {1}}, {0x123, {2}}, {0x2F0, {0x00, 0xFF}}});
    korvex::CCANFrameNameDlg dlg(global, 0);
    Choose(dlg.FieldBox(), kKeyIdentifier);
    dlg.ValueEdit()->setText("123");
    dlg.NameEdit()->setText("Engine");
    dlg.OnAdd();
    Choose(dlg.FieldBox(), kKeyDataBytes);
    dlg.ValueEdit()->setText("** FF");
    dlg.NameEdit()->setText("Lamp");
    dlg.OnAdd();
    EXPECT_EQ(ListCell(1, 2), "");
    dlg.OnOk();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(ListCell(0, 2), "");
    EXPECT_EQ(ListCell(1, 2), "Engine");
    EXPECT_EQ(ListCell(2, 2), "Lamp");
}

TEST_F(AnalysisWindowsTest, AliasWindowDeletesAndLoadsByDoubleClick) {
    global.Block(0).alias.vecAliasName = {Rule(1, "a"), Rule(2, "b"), Rule(3, "c"), Rule(4, "d"),
                                          Rule(5, "e")};
    korvex::CCANFrameNameDlg dlg(global, 0);
    dlg.List()->clearSelection();
    for (int row : {1, 2, 3}) dlg.List()->item(row)->setSelected(true);
    dlg.OnDelete();
    ASSERT_EQ(dlg.List()->count(), 2);
    EXPECT_EQ(dlg.List()->item(1)->text(), "当帧ID为0x5时别名为e");
    EXPECT_EQ(dlg.List()->currentRow(), 0);
    ASSERT_EQ(dlg.List()->selectedItems().size(), 1);
    EXPECT_EQ(dlg.List()->selectedItems()[0], dlg.List()->item(0));

    dlg.List()->clearSelection();
    dlg.List()->item(1)->setSelected(true);
    dlg.OnListDoubleClick();
    EXPECT_EQ(dlg.ValueEdit()->text(), "5");
    EXPECT_EQ(dlg.NameEdit()->text(), "e");
    // Nothing stored before OK.
    EXPECT_EQ(global.Block(0).alias.vecAliasName.size(), 5u);
}

class SearchPaneTest : public AnalysisWindowsTest {
  protected:
    void SetUp() override {
        AnalysisWindowsTest::SetUp();
        Load({{0x012, {0x12, 0x34, 0x56}}, {0x7FF, {0xAB}}, {0x800, {}}, {0x100, {0x12}}});
        results = std::make_unique<korvex::CSearchListCtrl>(global, list);
        results->SetMessageWindow([this] { return &mainWindow; });
        results->SetFrameWindow(&frameWindow);
        pane = std::make_unique<korvex::CDlgFrameHandle>(global, list, *results,
                                                         [this] { ++resultsShown; });
    }
    void Tick(korvex::SearchCondition c, const char* text) {
        if (!pane->ConditionCheck(c)->isChecked())
            QTest::mouseClick(pane->ConditionCheck(c), Qt::LeftButton);
        pane->ConditionBox(c)->setEditText(text);
    }
    std::vector<std::int32_t> Hits() const {
        std::vector<std::int32_t> s;
        for (int k = 0; k < results->Model().rowCount(); ++k)
            s.push_back(results->Results().Source(k));
        return s;
    }
    std::string LastStatus() const {
        return mainWindow.posted.empty() ? "" : mainWindow.posted.back().text;
    }

    CRecordingWindow mainWindow;
    CRecordingWindow frameWindow;
    std::unique_ptr<korvex::CSearchListCtrl> results;
    std::unique_ptr<korvex::CDlgFrameHandle> pane;
    int resultsShown = 0;
};

TEST_F(SearchPaneTest, ColumnAndTickRules) {
    ASSERT_EQ(pane->ColumnBox()->count(), 9);
    EXPECT_EQ(pane->ColumnBox()->itemText(3), "帧ID");
    pane->ColumnBox()->setCurrentIndex(3);
    EXPECT_TRUE(pane->ConditionCheck(korvex::kGreater)->isChecked());
    EXPECT_TRUE(pane->ConditionBox(korvex::kLess)->isEnabled());
    pane->ColumnBox()->setCurrentIndex(7);
    EXPECT_FALSE(pane->ConditionCheck(korvex::kGreater)->isChecked());
    EXPECT_FALSE(pane->ConditionCheck(korvex::kGreater)->isEnabled());
    QTest::mouseClick(pane->ConditionCheck(korvex::kEqual), Qt::LeftButton);
    EXPECT_FALSE(pane->ConditionCheck(korvex::kContains)->isEnabled());
    QTest::mouseClick(pane->ConditionCheck(korvex::kEqual), Qt::LeftButton);
    EXPECT_TRUE(pane->ConditionCheck(korvex::kGreater)->isEnabled());
    EXPECT_TRUE(pane->ConditionCheck(korvex::kContains)->isEnabled());
    EXPECT_FALSE(pane->ConditionBox(korvex::kContains)->isEnabled());

    // Enter and Escape keep the pane and store the settings.
    pane->show();
    QTest::keyClick(pane.get(), Qt::Key_Escape);
    EXPECT_TRUE(pane->isVisible());
    EXPECT_EQ(QSettings().value("SearchItemValue/Type").toInt(), 7);
}

TEST_F(SearchPaneTest, EnterAndEscapeStoreTheSettingsWhereverTheFocusIs) {
    pane->show();
    QWidget* const targets[] = {pane.get(), pane->ColumnBox(),
                                pane->ConditionBox(korvex::kEqual)->lineEdit(), pane->LineBox(),
                                pane->SearchButton()};
    int column = 0;
    for (QWidget* target : targets) {
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            column = (column + 1) % pane->ColumnBox()->count();
            pane->ColumnBox()->setCurrentIndex(column);
            pane->LineBox()->setValue(100 + column);
            QTest::keyClick(target, key);
            EXPECT_TRUE(pane->isVisible());
            EXPECT_EQ(QSettings().value("SearchItemValue/Type").toInt(), column)
                << target->metaObject()->className() << " " << key;
            EXPECT_EQ(QSettings().value("SearchItemValue/Lines").toInt(), 100 + column);
        }
    }
    EXPECT_TRUE(ui.messages.empty());  // no search ran
}

TEST_F(SearchPaneTest, SearchesAppendReplaceAndReport) {
    pane->ColumnBox()->setCurrentIndex(7);
    Tick(korvex::kEqual, " 12 ");
    QTest::mouseClick(pane->SearchButton(), Qt::LeftButton);
    EXPECT_EQ(Hits(), (std::vector<std::int32_t>{0, 3}));
    EXPECT_EQ(resultsShown, 1);
    EXPECT_EQ(LastStatus(), "搜索到帧数 ：2");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(QSettings().value("SearchItemValue/Equal0").toString(), "12");

    // Unticking equal enables greater and less again; column 3 ticks them.
    QTest::mouseClick(pane->ConditionCheck(korvex::kEqual), Qt::LeftButton);
    pane->ColumnBox()->setCurrentIndex(3);
    QTest::mouseClick(pane->ConditionCheck(korvex::kLess), Qt::LeftButton);
    pane->ConditionBox(korvex::kGreater)->setEditText("7ff");
    QTest::mouseClick(pane->SearchButton(), Qt::LeftButton);
    EXPECT_EQ(Hits(), (std::vector<std::int32_t>{0, 3, 2}));
    EXPECT_EQ(LastStatus(), "搜索到帧数 ：3");

    QTest::mouseClick(pane->RefreshCheck(), Qt::LeftButton);
    pane->ConditionBox(korvex::kGreater)->setEditText("1000");
    QTest::mouseClick(pane->SearchButton(), Qt::LeftButton);
    EXPECT_EQ(Hits(), std::vector<std::int32_t>{});
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "找不到该项");
    EXPECT_EQ(LastStatus(), "搜索到帧数 ：0");

    QTest::mouseClick(pane->ConditionCheck(korvex::kGreater), Qt::LeftButton);
    QTest::mouseClick(pane->SearchButton(), Qt::LeftButton);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, "搜索字符不能为空");
}

TEST_F(SearchPaneTest, ResultListTextsClearExportAndJump) {
    pane->ColumnBox()->setCurrentIndex(2);
    ASSERT_EQ(pane->ColumnBox()->currentIndex(), 2);
    pane->ColumnBox()->setCurrentIndex(3);
    Tick(korvex::kGreater, "0");
    Tick(korvex::kLess, "800");
    QTest::mouseClick(pane->SearchButton(), Qt::LeftButton);
    ASSERT_EQ(Hits(), (std::vector<std::int32_t>{0, 1, 3}));
    std::string text;
    ASSERT_TRUE(results->CellText(2, 0, text));
    EXPECT_EQ(text, "3");
    ASSERT_TRUE(results->CellText(2, 3, text));
    EXPECT_EQ(text, ListCell(3, 3));
    EXPECT_EQ(results->Model().headerData(7, Qt::Horizontal, Qt::DisplayRole).toString(), "数据");
    list.SetColumnCaption(7, "Data");
    EXPECT_EQ(results->Model().headerData(7, Qt::Horizontal, Qt::DisplayRole).toString(), "Data");
    EXPECT_EQ(results->Model().rowCount(), 3);
    list.SetColumnCaption(7, "数据");

    results->resize(700, 160);
    results->show();
    Screenshot(*results, "search-results.png");
    pane->resize(pane->sizeHint());
    Screenshot(*pane, "search-pane.png");

    ui.fileAnswer = (dir / "hits.txt").string();
    results->OnCommand(korvex::CSearchListCtrl::kCmdExport);
    const std::string exported = korvex::test::ReadBytes(dir / "hits.txt");
    EXPECT_EQ(exported.substr(0, exported.find("\r\n")),
              "序号\t时间标识\t别名\t帧ID\t格式\t类型\tDLC\t数据\t备注\t");
    EXPECT_NE(exported.find("\r\n3\t\t\t0x00000100\t"), std::string::npos) << exported;
    ui.fileAnswer = (dir / "missing" / "hits.txt").string();
    results->OnCommand(korvex::CSearchListCtrl::kCmdExport);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              XTPLoadString(3067) + "\n" + ui.fileAnswer + "\nNo such file or directory");
    ui.fileAnswer = "/dev/full";
    results->OnCommand(korvex::CSearchListCtrl::kCmdExport);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, XTPLoadString(20001) + "\n/dev/full\nNo space left on device");

    const QRect cell = results->visualRect(results->Model().index(2, 1));
    QTest::mouseDClick(results->viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_FALSE(frameWindow.posted.empty());
    EXPECT_EQ(frameWindow.posted.back().msg, 0x4CDu);
    EXPECT_EQ(frameWindow.posted.back().wParam, 3u);

    ui.menuAnswer = korvex::CSearchListCtrl::kCmdClear;
    QContextMenuEvent menu(QContextMenuEvent::Mouse, cell.center(),
                           results->viewport()->mapToGlobal(cell.center()));
    QCoreApplication::sendEvent(results->viewport(), &menu);
    ASSERT_FALSE(ui.menus.empty());
    EXPECT_EQ(ui.menus.back().popup.popup.size(), 2u);
    EXPECT_EQ(results->Model().rowCount(), 0);
    EXPECT_EQ(LastStatus(), "搜索到帧数 ：0");

    pane->LineBox()->setValue(2);
    QTest::mouseClick(pane->JumpButton(), Qt::LeftButton);
    EXPECT_EQ(list.currentIndex().row(), 2);
    EXPECT_EQ(QSettings().value("SearchItemValue/Lines").toInt(), 2);
}

TEST_F(AnalysisWindowsTest, FrameListMenuBringsTheSearchUp) {
    XTPMenu menu;
    ASSERT_TRUE(XTPResourceManager()->LoadMenu(135, menu));
    ASSERT_GE(menu.items.size(), 7u);
    bool listed = false;
    for (const XTPMenuItem& item : menu.items[5].popup)
        listed = listed || (item.id == 32824 && item.text == "搜索...");
    EXPECT_TRUE(listed);
    EXPECT_EQ(menu.items[6].popup.size(), 2u);

    QSignalSpy spy(&list, &CKorvexList::searchRequested);
    list.OnCommand(32824);
    EXPECT_EQ(spy.count(), 1);
}

}  // namespace
