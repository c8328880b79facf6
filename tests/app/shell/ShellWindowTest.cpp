#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QToolBar>
#include <QUrl>
#include <fstream>

#include "app/device/DlgConfig.h"
#include "app/device/DlgPreFrameSetting.h"
#include "app/device/DlgSure.h"
#include "app/shell/CommandBars.h"
#include "app/shell/KorvexProDoc.h"
#include "app/shell/ProgressDlg.h"
#include "app/shell/rules/ShellIds.h"
#include "core/DataFileWriter.h"
#include "share/ControlIni.h"
#include "tests/app/shell/ShellTestSupport.h"
#include "tests/support/FrameFactory.h"
#include "tests/support/QtTestApplication.h"
#include "tests/support/RecordingSink.h"
#include "xtp/XTPUiServices.h"

namespace korvex::shell::test {
namespace {

constexpr char kNoDevice[] = "设备未连接";
constexpr char kOk[] = "操作成功!";
constexpr char kBusy[] = "记录仪正忙：正在上载报文。请等上载结束或取消上载后再试。";

class ShellWindowTest : public ShellFixture {};

void CopyShippedLanguages(const std::filesystem::path& settings);

TEST_F(ShellWindowTest, StartsWithOneDocumentAndWarnsOnceWithoutRecorder) {
    Start("");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kNoDevice);
    EXPECT_EQ(ui.messages[0].type & xtp_mb::kIconMask, 0u);

    ASSERT_EQ(shell->Documents().size(), 1u);
    EXPECT_EQ(shell->Documents()[0]->Title(), QString("Korvex0"));
    ASSERT_EQ(main->ChildFrames().size(), 1u);
    EXPECT_EQ(global->CurrentSinks().front(), static_cast<CDataShowBase*>(list));
    EXPECT_EQ(list->parentWidget(), &View());
    // Menu 129 with the language pop-up, as once a document is open.
    const QList<QAction*> menus = main->menuBar()->actions();
    ASSERT_FALSE(menus.isEmpty());
    EXPECT_EQ(menus.back()->text(), QString("Language"));
    EXPECT_EQ(menus.front()->text(), QString("文件(&F)"));

    // The plug-in was told the language: it names a frame's format and type.
    _VCI_CAN_OBJ frame = korvex::test::MakeFrame(0x123, 10);
    list->AddFrames(&frame, 1, 1);
    QAbstractItemModel* model = list->CFlatTableView::model();
    EXPECT_FALSE(model->data(model->index(0, 5)).toString().isEmpty());
}

// The chosen language is in force before the start-up probe speaks.
TEST_F(ShellWindowTest, StartUpMessageIsInTheChosenLanguage) {
    CopyShippedLanguages(folder.Path());
    name_share::CControlIni list;
    list.iniPath = (folder / "language" / "config.ini").string();
    ASSERT_TRUE(list.WriteInt("LAST", "Sel", 1));
    Start("");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Device not connected");
    EXPECT_EQ(main->menuBar()->actions().front()->text(), QString("&File"));
}

TEST_F(ShellWindowTest, StartsSilentlyWithARecorder) {
    Start("empty");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ShellWindowTest, ToolbarHasTheStandardButtonsInOrderWithIcons) {
    Start("empty");
    QToolBar* toolbar = main->CommandBars().Toolbar();
    ASSERT_NE(toolbar, nullptr);
    std::vector<std::uint32_t> ids;
    for (QAction* action : toolbar->actions()) {
        ids.push_back(action->isSeparator() ? 0 : action->property("commandId").toUInt());
        if (!action->isSeparator()) {
            EXPECT_FALSE(action->icon().isNull()) << ids.back();
            EXPECT_FALSE(action->iconText().isEmpty()) << ids.back();
        }
    }
    EXPECT_EQ(ids, ToolbarButtons());
    EXPECT_EQ(main->CommandBars().Action(cmd::kUpload)->statusTip(), QString("上载设备里的报文"));
}

TEST_F(ShellWindowTest, RelativeTimeTwiceRedrawsOnceAndMovesTheCheckMark) {
    Start("empty");
    QSignalSpy redrawn(list, &CKorvexList::redrawn);
    main->RunCommand(cmd::kRelativeTime);
    main->RunCommand(cmd::kRelativeTime);
    QCoreApplication::processEvents();
    EXPECT_EQ(redrawn.count(), 1);
    EXPECT_EQ(global->TimeShowType, 1);
    main->CommandBars().UpdateAll();
    EXPECT_TRUE(main->CommandBars().Action(cmd::kRelativeTime)->isChecked());
    EXPECT_FALSE(main->CommandBars().Action(cmd::kClockTime)->isChecked());
}

TEST_F(ShellWindowTest, PaneCommandIsEnabledOnlyWhileItsPaneIsClosed) {
    Start("empty");
    struct Case {
        std::uint32_t command;
        int pane;
    };
    for (const Case c : {Case{cmd::kShowSearchPane, pane::kSearch},
                         Case{cmd::kShowSearchResultPane, pane::kSearchResult},
                         Case{cmd::kShowClusterPane, pane::kCluster},
                         Case{cmd::kShowClusterResultPane, pane::kClusterResult}}) {
        CChildFrame* child = main->ActiveChild();
        QDockWidget* dock = child->Pane(c.pane);
        ASSERT_NE(dock, nullptr);
        EXPECT_FALSE(main->CommandStateOf(c.command).enabled) << c.command;
        dock->close();
        EXPECT_TRUE(main->CommandStateOf(c.command).enabled) << c.command;
        main->RunCommand(c.command);
        EXPECT_TRUE(child->IsPaneOpen(c.pane));
        EXPECT_FALSE(main->CommandStateOf(c.command).enabled) << c.command;
    }
    EXPECT_EQ(main->ActiveChild()->Pane(pane::kSearch)->windowTitle(), QString("搜索"));
    EXPECT_EQ(main->ActiveChild()->Pane(pane::kClusterResult)->windowTitle(),
              QString("分类统计结果"));
}

TEST_F(ShellWindowTest, ChildFrameIgnoresClose) {
    Start("empty");
    CChildFrame* child = main->ActiveChild();
    EXPECT_FALSE(child->SubWindow()->close());
    EXPECT_EQ(main->ChildFrames().size(), 1u);
}

TEST_F(ShellWindowTest, DataFileImportShowsTheFrameTotalInPaneTwo) {
    Start("empty");
    CCycleBuffer<_VCI_CAN_OBJ> store;
    store.Reset(5);
    for (std::uint32_t i = 0; i < 5; ++i) store.Push(korvex::test::MakeFrame(i, i + 1));
    ui.fileAnswer = folder.File("five.can");
    ASSERT_TRUE(korvex::WriteSnapshotFile(ui.fileAnswer, {}, store));
    main->RunCommand(cmd::kImportData);
    EXPECT_EQ(main->PaneText(2), QString("总帧数 ：5"));
    EXPECT_EQ(StoredFrames(), 5);
    main->RunCommand(cmd::kClearList);
    EXPECT_EQ(main->PaneText(2), QString("总帧数 ：0"));
    EXPECT_EQ(StoredFrames(), 0);
}

// The File menu's recent files: its last items before Exit.
QList<QAction*> RecentActions(QMainWindow& window) {
    QList<QAction*> items;
    for (QAction* a : window.menuBar()->actions().front()->menu()->actions())
        if (a->objectName().startsWith("recentFile")) items << a;
    return items;
}

QStringList RecentItems(QMainWindow& window) {
    QStringList texts;
    for (QAction* a : RecentActions(window)) texts << a->text();
    return texts;
}

// Files dropped on the window open as the File menu's imports open them (a
// .can as 从文件导入数据, a candump log as 导入其他格式), and the File menu
// lists them, newest first, across runs; a file that went is taken off the
// list with a message when it is chosen.
TEST_F(ShellWindowTest, DroppedFilesOpenAndJoinTheRecentFiles) {
    QSettings().remove("RecentFiles");
    Start("empty");
    CCycleBuffer<_VCI_CAN_OBJ> store;
    store.Reset(5);
    for (std::uint32_t i = 0; i < 5; ++i) store.Push(korvex::test::MakeFrame(i, i + 1));
    const std::string data = folder.File("five.can");
    ASSERT_TRUE(korvex::WriteSnapshotFile(data, {}, store));
    const std::string log = folder.File("two & more.log");
    std::ofstream(log) << "(1700000000.000100) can0 123#0102\n(1700000000.000200) can0 124#03\n";

    const auto drop = [this](const std::vector<std::string>& paths) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const std::string& p : paths) urls << QUrl::fromLocalFile(QString::fromStdString(p));
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(main, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(main, &event);
        QCoreApplication::processEvents();
    };
    drop({data});
    EXPECT_EQ(StoredFrames(), 5);
    drop({log});
    EXPECT_EQ(StoredFrames(), 2);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(RecentItems(*main),
              (QStringList{QString::fromStdString("&1 " + folder.File("two && more.log")),
                           QString::fromStdString("&2 " + data)}));

    // Kept across runs; choosing one opens it.
    TearDown();
    Start("empty");
    ASSERT_EQ(RecentItems(*main).size(), 2);
    RecentActions(*main)[1]->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(StoredFrames(), 5);
    EXPECT_EQ(main->RecentFiles().front(), data);

    std::filesystem::remove(log);
    RecentActions(*main)[1]->trigger();
    QCoreApplication::processEvents();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "文件已不存在，已从最近文件中移除：\n" + log);
    EXPECT_EQ(main->RecentFiles(), std::vector<std::string>{data});
}

TEST_F(ShellWindowTest, MessagesFromAnotherThreadReachThePanesQueued) {
    Start("empty");
    std::thread poster([this] {
        main->PostMessage(msg::kStatusPane2, reinterpret_cast<std::uintptr_t>("two"), 0);
        main->PostMessage(msg::kStatusPane1, reinterpret_cast<std::uintptr_t>("one"), 0);
    });
    poster.join();
    EXPECT_TRUE(QTest::qWaitFor([this] { return main->PaneText(1) == "one"; }));
    EXPECT_EQ(main->PaneText(2), QString("two"));
}

TEST_F(ShellWindowTest, UploadShowsProgressAndFillsTheList) {
    Start(Image(996, true));
    // Long enough that a loaded machine still shows the dialog and a few
    // timer ticks before the last block arrives.
    DelayBlocks(250, 3);
    std::vector<int> positions;
    CProgressDlg& dialog = View().ProgressDialog();
    QObject::connect(dialog.Bar(), &QProgressBar::valueChanged,
                     [&positions](int value) { positions.push_back(value); });
    bool shown = false;
    const auto poll = Every10ms([&] { return shown = shown || dialog.isVisible(); });

    main->RunCommand(cmd::kUpload);

    EXPECT_TRUE(shown);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !ui.messages.empty(); }));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{kOk});
    EXPECT_EQ(ui.messages[0].type & xtp_mb::kIconMask, xtp_mb::kIconInformation);
    EXPECT_EQ(StoredFrames(), 996);
    EXPECT_TRUE(main->PaneText(2).startsWith("总帧数 ：996 (Time: "))
        << main->PaneText(2).toStdString();
    EXPECT_EQ(global->origTimeList.size(), 3u);
    EXPECT_EQ(std::count(positions.begin(), positions.end(), 200), 1);
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.back(), 200);
    EXPECT_TRUE(std::all_of(positions.begin(), positions.end() - 1, [](int p) { return p < 199; }));
    EXPECT_EQ(View().UploadState().loading.load(), 0);
}

TEST_F(ShellWindowTest, EmptyRecorderShowsNoDialogAndSetsCapacityOne) {
    Start("empty");
    korvex::test::RecordingSink second;
    global->CurrentSinks().push_back(&second);
    bool shown = false;
    const auto poll =
        Every10ms([&] { return shown = shown || View().ProgressDialog().isVisible(); });
    main->RunCommand(cmd::kUpload);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !ui.messages.empty(); }));
    EXPECT_FALSE(shown);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{kOk});
    EXPECT_EQ(second.capacity, 1);
    EXPECT_EQ(list->Record().frameStore.GetCapacity(), 1);
    EXPECT_TRUE(main->PaneText(2).startsWith("总帧数 ：0 (Time: "))
        << main->PaneText(2).toStdString();
    std::erase(global->CurrentSinks(), &second);
}

TEST_F(ShellWindowTest, UnpluggedRecorderFailsToOpenWithoutDialog) {
    Start("");
    ui.messages.clear();
    bool shown = false;
    const auto poll =
        Every10ms([&] { return shown = shown || View().ProgressDialog().isVisible(); });
    main->RunCommand(cmd::kUpload);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !ui.messages.empty(); }));
    EXPECT_FALSE(shown);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"打开设备失败!"});
    EXPECT_EQ(ui.messages[0].type & xtp_mb::kIconMask, xtp_mb::kIconWarning);
    EXPECT_EQ(View().UploadState().loading.load(), 0);
}

TEST_F(ShellWindowTest, ClosingTheDialogKeepsTheBlocksReceivedSoFar) {
    Start(Image(4000, false));
    // Slow blocks: the worker is still in one when the second command comes.
    DelayBlocks(300, 10);
    CProgressDlg& dialog = View().ProgressDialog();
    const auto poll = Every10ms([&] {
        if (!dialog.isVisible() || LGP_GetCurLoadCount() < 800) return false;
        dialog.reject();
        return true;
    });
    main->RunCommand(cmd::kUpload);
    // Asked again at once, while the cancelled worker still ends its
    // exchange: no busy box stacks under the upload's own report.
    main->RunCommand(cmd::kUpload);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !ui.messages.empty(); }, 5000));
    QTest::qWait(100);
    const int stored = StoredFrames();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"上载已取消，保留了已收到的 " +
                                                       std::to_string(stored) + " 帧。"});
    EXPECT_GE(stored, 800);
    EXPECT_LT(stored, 4000);
    EXPECT_EQ(stored % 400, 0);
    EXPECT_TRUE(main->PaneText(2).startsWith(QString("总帧数 ：%1 (Time: ").arg(stored)));
}

// While an upload waits for the recorder's count the window stays usable.
// Each device action then says at once that the recorder is busy, and none
// reaches the recorder; the upload goes on.
TEST_F(ShellWindowTest, EveryDeviceActionDuringAnUploadSaysTheRecorderIsBusy) {
    Start(Image(4000, false));
    const PipeUsbSimFault lateCount{PIPEUSB_SIM_DELAY, 0, 0x17, 0, 1, 2500};
    ASSERT_EQ(PipeUsbSim_InjectFault(&lateCount), 1u);
    // The dialogs the actions open: Read in the two device dialogs, "是" to
    // clearing the recorder.
    const auto answer = Every10ms([] {
        QWidget* modal = QApplication::activeModalWidget();
        if (qobject_cast<device::CDlgConfig*>(modal) ||
            qobject_cast<device::CDlgPreFrameSetting*>(modal)) {
            QTest::mouseClick(modal->findChild<QPushButton*>("read"), Qt::LeftButton);
            static_cast<QDialog*>(modal)->reject();
        } else if (qobject_cast<device::CDlgSure*>(modal)) {
            QTest::mouseClick(modal->findChild<QPushButton*>("yes"), Qt::LeftButton);
        }
        return false;
    });
    std::vector<std::string> during;
    bool stillCounting = false;
    const auto actions = Every10ms([&] {
        // The worker has the recorder and waits for the count.
        if (PipeUsbSim_ExchangeCount(0, 0x1A) != 1) return false;
        for (std::uint32_t id :
             {cmd::kUpload, cmd::kDeviceConfig, cmd::kPresetFrames, cmd::kClearDevice})
            main->RunCommand(id);
        during = MessageTexts();
        stillCounting = View().UploadState().loading.load() == 1 && LGP_GetAllLoadCount() == 0;
        return true;
    });
    main->RunCommand(cmd::kUpload);

    EXPECT_EQ(during, std::vector<std::string>(4, kBusy));
    EXPECT_TRUE(stillCounting);
    EXPECT_TRUE(QTest::qWaitFor([this] { return ui.messages.size() == 5; }, 10000));
    EXPECT_EQ(ui.messages.back().text, kOk);
    EXPECT_EQ(StoredFrames(), 4000);
    for (std::uint8_t command : {0x14, 0x15, 0x18})
        EXPECT_EQ(PipeUsbSim_ExchangeCount(0, command), 0u) << int{command};
}

// The menu bar is rebuilt on every language switch and new document; the
// pop-up menus of the old one go with it.
TEST_F(ShellWindowTest, MenuBarRebuildsDeleteTheOldPopups) {
    CopyShippedLanguages(folder.Path());
    Start("empty");
    QMenuBar* bar = main->menuBar();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const auto menusBefore = bar->findChildren<QMenu*>(Qt::FindDirectChildrenOnly).size();
    std::vector<QPointer<QMenu>> first;
    for (QAction* action : bar->actions())
        if (action->menu()) first.emplace_back(action->menu());
    ASSERT_FALSE(first.empty());
    for (std::uint32_t id : {cmd::kLanguageFirst + 1, cmd::kLanguageFirst, cmd::kNew}) {
        main->RunCommand(id);
        QCoreApplication::processEvents();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (const QPointer<QMenu>& menu : first) EXPECT_TRUE(menu.isNull());
    const auto popups = bar->findChildren<QMenu*>(Qt::FindDirectChildrenOnly);
    EXPECT_EQ(popups.size(), menusBefore);
}

TEST_F(ShellWindowTest, DeviceConfigExportFailureShowsString114) {
    Start("empty");
    ui.messages.clear();
    ui.fileAnswer = (folder.Path() / "missing" / "x.kvset").string();
    main->RunCommand(cmd::kExportDeviceConfig);
    EXPECT_EQ(MessageTexts(),
              std::vector<std::string>{"保存配置失败\n无法创建文件\n" + ui.fileAnswer +
                                       "\nNo such file or directory"});
    ui.messages.clear();
    ui.fileAnswer = "/dev/full";
    main->RunCommand(cmd::kExportDeviceConfig);
    EXPECT_EQ(
        MessageTexts(),
        std::vector<std::string>{"保存配置失败\n写入文件失败\n/dev/full\nNo space left on device"});
    ui.messages.clear();
    ui.fileAnswer = folder.File("saved.kvset");
    main->RunCommand(cmd::kExportDeviceConfig);
    EXPECT_TRUE(ui.messages.empty());
    global->iListRefreshTm = 77;
    main->RunCommand(cmd::kImportDeviceConfig);
    EXPECT_EQ(global->iListRefreshTm, CKorvexGlobal::kDefaultListRefreshTm);
}

TEST_F(ShellWindowTest, ChildFrameSelectsTheFrameTheReportAsksFor) {
    Start("empty");
    list->SetCapacity(10);
    for (std::uint32_t i = 0; i < 10; ++i) {
        _VCI_CAN_OBJ frame = korvex::test::MakeFrame(i, i + 1);
        list->AddFrames(&frame, 1, 1);
    }
    CChildFrame* child = main->ActiveChild();
    child->PostMessage(msg::kSelectFrame, 7, 0);
    EXPECT_EQ(list->selectionModel()->currentIndex().row(), 7);
    // A protocol index past the sinks selects nothing rather than a stray list.
    global->bCurSelProtocol[0] = 5;
    child->PostMessage(msg::kSelectFrame, 2, 0);
    EXPECT_EQ(list->selectionModel()->currentIndex().row(), 7);
}

TEST_F(ShellWindowTest, BusStatusIsEnabledOnceItsWindowExists) {
    Start("empty");
    // The program installs its bus status window at start-up.
    QWidget* installed = main->BusStatusWindow();
    ASSERT_NE(installed, nullptr);
    EXPECT_TRUE(main->CommandStateOf(cmd::kBusStatus).enabled);
    main->RunCommand(cmd::kBusStatus);
    EXPECT_TRUE(installed->isVisible());
    installed->hide();
    main->SetBusStatusWindow(nullptr);
    EXPECT_FALSE(main->CommandStateOf(cmd::kBusStatus).enabled);
    QWidget busStatus;
    main->SetBusStatusWindow(&busStatus);
    EXPECT_TRUE(main->CommandStateOf(cmd::kBusStatus).enabled);
    main->RunCommand(cmd::kBusStatus);
    EXPECT_TRUE(busStatus.isVisible());
    main->SetBusStatusWindow(installed);
}

TEST_F(ShellWindowTest, OpenReadsAStreamFileIntoASecondDocument) {
    Start("empty");
    std::string bytes;
    korvex::AppendSignatureBlock(bytes);
    for (std::uint32_t i = 0; i < 3; ++i) {
        const _VCI_CAN_OBJ frame = korvex::test::MakeFrame(i, i + 1);
        bytes.append(reinterpret_cast<const char*>(&frame), sizeof frame);
    }
    ui.fileAnswer = folder.File("stream.can");
    std::ofstream(ui.fileAnswer, std::ios::binary) << bytes;
    main->RunCommand(cmd::kOpen);
    ASSERT_EQ(shell->Documents().size(), 2u);
    EXPECT_EQ(shell->Documents()[1]->Title(), QString("stream.can"));
    EXPECT_EQ(StoredFrames(), 3);
    EXPECT_EQ(main->PaneText(2), QString("总帧数 ：3"));
    // A file that is no data file opens no document.
    std::ofstream(ui.fileAnswer, std::ios::binary | std::ios::trunc) << "not a data file";
    main->RunCommand(cmd::kOpen);
    EXPECT_EQ(shell->Documents().size(), 2u);
}

// The shipped language list and files, in the test's settings folder.
void CopyShippedLanguages(const std::filesystem::path& settings) {
    std::filesystem::copy(KORVEX_LANGUAGE_SOURCE, settings / "language");
}

TEST_F(ShellWindowTest, LanguageItemRebuildsMenusToolbarPanesAndListCaptions) {
    CopyShippedLanguages(folder.Path());
    Start("empty");
    const QString chineseCaption =
        list->CFlatTableView::model()->headerData(3, Qt::Horizontal).toString();
    for (int round = 0; round < 2; ++round) {
        main->RunCommand(cmd::kLanguageFirst + 1);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(global->iCurLanguage, 1);
    const QList<QAction*> menus = main->menuBar()->actions();
    EXPECT_EQ(menus.front()->text(), QString("&File"));
    EXPECT_EQ(std::count_if(menus.begin(), menus.end(),
                            [](QAction* a) { return a->text() == "Language"; }),
              1);
    main->CommandBars().UpdateAll();
    EXPECT_TRUE(main->CommandBars().Action(cmd::kLanguageFirst + 1)->isChecked());
    EXPECT_FALSE(main->CommandBars().Action(cmd::kLanguageFirst)->isChecked());
    EXPECT_EQ(main->CommandBars().Action(cmd::kUpload)->iconText(), QString("Upload frames"));
    EXPECT_EQ(main->ActiveChild()->Pane(pane::kSearch)->windowTitle(), QString("Search"));
    const QString englishCaption =
        list->CFlatTableView::model()->headerData(3, Qt::Horizontal).toString();
    EXPECT_NE(englishCaption, chineseCaption);
    EXPECT_FALSE(englishCaption.isEmpty());
    // An index beyond the list changes nothing.
    EXPECT_FALSE(shell->ApplyLanguageIndex(2));
    EXPECT_EQ(global->iCurLanguage, 1);
}

// Qt's own texts (message box buttons, file dialogs) follow the language.
TEST_F(ShellWindowTest, QtOwnTextsFollowTheLanguage) {
    CopyShippedLanguages(folder.Path());
    Start("empty");
    const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    EXPECT_EQ(cancel(), QString("取消"));
    main->RunCommand(cmd::kLanguageFirst + 1);
    EXPECT_EQ(cancel(), QString("Cancel"));
    main->RunCommand(cmd::kLanguageFirst);
    EXPECT_EQ(cancel(), QString("取消"));
}

}  // namespace
}  // namespace korvex::shell::test
