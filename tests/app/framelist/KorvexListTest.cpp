#include <sys/resource.h>

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QSignalSpy>
#include <QtTest>
#include <csignal>
#include <cstring>
#include <fstream>
#include <thread>

#include "app/framelist/rules/KorvexListCommands.h"
#include "core/DataFileReader.h"
#include "core/FrameRowText.h"
#include "core/frame/TimeText.h"
#include "tests/app/framelist/FrameListFixture.h"
#include "tests/support/FrameFactory.h"
#include "tests/support/TempFolder.h"

using korvex::test::ConnectToPlugin;
using korvex::test::FrameListFixture;
using korvex::test::MakeFrame;
using korvex::test::ReadBytes;
using korvex::test::TempFolder;
namespace fl = korvex::framelist;

namespace {

void AddFrames(CKorvexList& list, std::vector<_VCI_CAN_OBJ> frames, int received = 1) {
    list.AddFrames(frames.data(), static_cast<int>(frames.size()), received);
}

std::vector<_VCI_CAN_OBJ> SevenFrames() {
    std::vector<_VCI_CAN_OBJ> frames;
    for (std::uint32_t i = 0; i < 7; ++i) frames.push_back(MakeFrame(0x100 + i, 1000 * (i + 1)));
    return frames;
}

int CountLines(const std::string& text) {
    int lines = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", at + 2))
        ++lines;
    return lines;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, at - start));
        start = at + 2;
    }
    return lines;
}

// The copy line of a frame as the plug-in's texts make it: columns 0 to 3,
// then its five protocol texts.
std::string CopyLine(int row, const _VCI_CAN_OBJ& frame, const std::string& time) {
    std::string line = std::to_string(row) + "\t" + time + "\t\t";
    char* id = nullptr;
    AnalyPartofCANFrame(&frame, &id, 3);
    line += std::string(id) + "\t";
    char** texts = nullptr;
    int count = 0;
    AnalyCANFrame(&frame, &texts, &count);
    for (int i = 0; i < 5; ++i) line += std::string(texts[i]) + "\t";
    return line + "\r\n";
}

std::string RelativeTime(const _VCI_CAN_OBJ& frame) {
    std::string text;
    korvex::FormatRelativeTime(frame, text);
    return text;
}

QColor Rgb(COLORREF c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

}  // namespace

class KorvexListTest : public QObject {
    Q_OBJECT

  private slots:
    void capacityTenWithSevenFrames();
    void timeColumnFollowsTheDisplayMode();
    void aliasAndRemarkColumns();
    void colourRules();
    void timeCommandsRedrawOnlyOnChange();
    void contextMenuAndItsCommands();
    void copyOfSelectedRows();
    void exportChoosesTheFormByExactExtension();
    void realTimeSaveTogglesAndRestartsCount();
    void realTimeSaveReportsAFileThatCannotBeCreated();
    void realTimeSaveStopsOnAFullDisk();
    void realTimeSaveIsWrittenOutWhenTheListGoes();
    void selectionOperations();
    void loadedFileReachesTheRealTimeFile();
    void producerOnAnotherThreadIsPostedToTheWindow();
    void rowNumberColumnFitsTheCapacity();
};

void KorvexListTest::capacityTenWithSevenFrames() {
    FrameListFixture f;
    f.list.SetCapacity(10);
    AddFrames(f.list, SevenFrames());
    QCOMPARE(f.list.model()->rowCount(), 10);
    QCOMPARE(f.list.model()->columnCount(), 9);
    QCOMPARE(f.Cell(0, 0), QString("0"));
    QCOMPARE(f.Cell(6, 0), QString("6"));
    for (int row = 7; row < 10; ++row) {
        for (int column = 0; column < 9; ++column) {
            const QModelIndex index = f.list.model()->index(row, column);
            QVERIFY(!index.data(Qt::DisplayRole).isValid());
            QVERIFY(!index.data(Qt::BackgroundRole).isValid());
        }
    }
    // A transmitted run is marked in the caller's own array.
    std::vector<_VCI_CAN_OBJ> sent{MakeFrame(0x1, 1), MakeFrame(0x2, 2)};
    f.list.AddFrames(sent.data(), 2, 0);
    QCOMPARE(int{sent[0].SendType}, 0xFF);
    QCOMPARE(int{sent[1].SendType}, 0xFF);

    TempFolder dir;
    f.list.SetCapacity(10);
    AddFrames(f.list, SevenFrames());
    f.ui.fileAnswer = dir.File("seven.txt");
    f.list.ExportToFile();
    const std::string text = ReadBytes(dir / "seven.txt");
    QCOMPARE(CountLines(text), 8);
    QVERIFY(text.rfind("序号\t时间标识\t别名\t帧ID\t", 0) == 0);
    QCOMPARE(f.ui.fileDialogs.size(), std::size_t{1});
    QCOMPARE(f.ui.fileDialogs[0].request.filter, std::string(fl::kSaveFilter));
    QCOMPARE(f.ui.fileDialogs[0].request.defaultExt, std::string("txt||can"));
}

void KorvexListTest::timeColumnFollowsTheDisplayMode() {
    FrameListFixture f;
    OrigTimeEntry clock{};
    clock.hour = 8;
    clock.minute = 30;
    f.global.origTimeList = {clock};
    const _VCI_CAN_OBJ noClock = MakeFrame(0x10, 1234567, 0, 0, korvex::kNoClockIndex);
    const _VCI_CAN_OBJ withClock = MakeFrame(0x11, 1234567, 0, 0, 0);
    f.list.SetCapacity(4);
    AddFrames(f.list, {noClock, withClock});

    std::string clockText;
    korvex::FormatClockTime(withClock, 0, f.global.origTimeList, clockText);
    QVERIFY(!clockText.empty());
    f.global.TimeShowType = 0;
    QCOMPARE(f.Cell(0, 1), QString());
    QCOMPARE(f.Cell(1, 1), QString::fromStdString(clockText));
    f.global.TimeShowType = 1;
    QCOMPARE(f.Cell(0, 1), QString("00:02:03.456.7"));
    QCOMPARE(f.Cell(1, 1), QString("00:02:03.456.7"));
}

void KorvexListTest::aliasAndRemarkColumns() {
    FrameListFixture f;
    // Longer than the old 99-byte text buffer, in characters of three bytes:
    // shown whole.
    std::string longName;
    for (int i = 0; i < 40; ++i) longName += "引擎";
    OBJKEY key;
    key.icolInd = kKeyIdentifier;
    key.dwMask = 0xFFFFFFFF;
    key.dwData = 0x123;
    f.global.Block(0).alias.vecAliasName = {{key, longName}, {key, "second"}};
    f.list.SetCapacity(4);
    AddFrames(f.list, {MakeFrame(0x123, 10, 0, 227), MakeFrame(0x124, 10)});
    QCOMPARE(f.Cell(0, 2), QString::fromStdString(longName));
    QCOMPARE(f.Cell(1, 2), QString());
    QCOMPARE(f.Cell(0, 8), QString("CAN控制器消极错误\n"));
    QCOMPARE(f.Cell(1, 8), QString());
    char* id = nullptr;
    const _VCI_CAN_OBJ frame = MakeFrame(0x124, 10);
    AnalyPartofCANFrame(&frame, &id, 3);
    QCOMPARE(f.Cell(1, 3), QString(id));
}

void KorvexListTest::colourRules() {
    FrameListFixture f;
    const COLORREF columnColour = 0xB47804;
    OBJKEY wide;
    wide.icolInd = kKeyIdentifier;
    wide.dwMask = 0xF00;
    wide.dwData = 0x100;
    OBJKEY exact = wide;
    exact.dwMask = 0xFFFFFFFF;
    exact.pBuf = {1, 2, 3};
    f.list.AddColorRule(&wide, 0x0000FF);
    f.list.AddColorRule(&exact, 0x00FF00);
    OBJKEY outside;
    outside.icolInd = 9;  // the column count
    f.list.AddColorRule(&outside, 0xFF0000);
    QCOMPARE(f.list.Record().colorRules.size(), std::size_t{9});
    QCOMPARE(f.list.Record().colorRules[3].size(), std::size_t{2});
    f.list.SetColumnTextColor(9, 0, 0xFF0000);  // past the record's columns: ignored
    QCOMPARE(f.list.Record().columnColors.size(), std::size_t{9});

    // The record survives a new capacity, rules and all.
    f.list.SetCapacity(3);
    AddFrames(f.list, {MakeFrame(0x100, 1), MakeFrame(0x200, 1)});
    const auto colour = [&f](int row, int column, int role) {
        return f.list.model()->index(row, column).data(role).value<QBrush>().color();
    };
    QCOMPARE(colour(0, 3, Qt::ForegroundRole), Rgb(0x0000FF));
    QCOMPARE(colour(0, 4, Qt::ForegroundRole), Rgb(columnColour));
    QCOMPARE(colour(1, 3, Qt::ForegroundRole), Rgb(columnColour));
    QCOMPARE(colour(1, 3, Qt::BackgroundRole), Rgb(0xEBEBEB));

    f.list.ClearColorRules();
    QCOMPARE(colour(0, 3, Qt::ForegroundRole), Rgb(columnColour));
}

void KorvexListTest::timeCommandsRedrawOnlyOnChange() {
    FrameListFixture f;
    f.list.SetCapacity(2);
    const _VCI_CAN_OBJ frame = MakeFrame(0x1, 1234567, 0, 0, korvex::kNoClockIndex);
    AddFrames(f.list, {frame});
    QSignalSpy redrawn(&f.list, &CKorvexList::redrawn);
    f.global.TimeShowType = 0;
    f.list.OnCommand(fl::kCmdClockTime);
    QCOMPARE(redrawn.count(), 0);
    QCOMPARE(int{f.global.TimeShowType}, 0);
    f.list.OnCommand(fl::kCmdRelativeTime);
    QCOMPARE(redrawn.count(), 1);
    QCOMPARE(int{f.global.TimeShowType}, 1);
    QCOMPARE(f.Cell(0, 1), QString::fromStdString(RelativeTime(frame)));
    f.list.OnCommand(fl::kCmdRelativeTime);
    QCOMPARE(redrawn.count(), 1);
    f.list.OnCommand(fl::kCmdClockTime);
    QCOMPARE(redrawn.count(), 2);
    QCOMPARE(f.Cell(0, 1), QString());
}

void KorvexListTest::contextMenuAndItsCommands() {
    FrameListFixture f;
    f.list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.list));
    f.list.SetCapacity(10);
    AddFrames(f.list, SevenFrames());

    f.ui.menuAnswer = fl::kCmdClear;
    QTest::mouseClick(f.list.viewport(), Qt::RightButton, {}, QPoint(20, 5));
    QCOMPARE(f.ui.menus.size(), std::size_t{1});
    const XTPMenuItem& popup = f.ui.menus[0].popup;
    QCOMPARE(popup.text, std::string("rcrdlist"));
    QVERIFY(popup.popup.size() >= 5);  // the search pane's "搜索..." follows ours
    QCOMPARE(popup.popup[0].text, std::string("清空"));
    QCOMPARE(popup.popup[1].text, std::string("导出到文件"));
    QCOMPARE(popup.popup[2].text, std::string("时间显示"));
    QCOMPARE(popup.popup[2].popup[0].id, fl::kCmdClockTime);
    QVERIFY(popup.popup[2].popup[0].checked);
    QVERIFY(!popup.popup[2].popup[1].checked);
    QCOMPARE(popup.popup[3].text, std::string("实时保存"));
    QVERIFY(!popup.popup[3].checked);
    QCOMPARE(popup.popup[4].id, fl::kCmdSearch);
    QCOMPARE(f.ui.menus[0].owner, reinterpret_cast<CWnd*>(&f.list));

    // Clear: the store is empty and the main window hears the new total.
    QCOMPARE(f.list.Record().frameStore.GetCount(), 0);
    QCOMPARE(f.status.messages, std::vector<unsigned>{0x469});
    QCOMPARE(f.status.texts[0], std::string("总帧数 ：0"));

    // With saving on and relative time, the menu's check marks follow.
    TempFolder dir;
    f.ui.fileAnswer = dir.File("rt.txt");
    f.ui.menuAnswer = fl::kCmdRealTimeSave;
    f.global.TimeShowType = 1;
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(5, 5),
                          f.list.mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(&f.list, &key);
    QCOMPARE(f.list.IsRealTimeSaving(), 1);
    QCOMPARE(f.list.ListCommand(24), 1);
    QTest::mouseClick(f.list.viewport(), Qt::RightButton, {}, QPoint(20, 5));
    QCOMPARE(f.ui.menus.size(), std::size_t{3});
    const XTPMenuItem& again = f.ui.menus[2].popup;
    QVERIFY(!again.popup[2].popup[0].checked);
    QVERIFY(again.popup[2].popup[1].checked);
    QVERIFY(again.popup[3].checked);
    QCOMPARE(f.list.IsRealTimeSaving(), 0);

    f.ui.menuAnswer = fl::kCmdExport;
    f.ui.fileAnswer = dir.File("menu.txt");
    QTest::mouseClick(f.list.viewport(), Qt::RightButton, {}, QPoint(20, 5));
    QVERIFY(std::filesystem::exists(dir / "menu.txt"));

    // "位活动...": the Bits view of the identifier of the row clicked.
    AddFrames(f.list, SevenFrames());
    const QRect row2 = f.list.visualRect(f.list.CFlatTableView::model()->index(2, 1));
    QSignalSpy bits(&f.list, &CKorvexList::bitsRequested);
    f.ui.menuAnswer = fl::kCmdBits;
    QTest::mouseClick(f.list.viewport(), Qt::RightButton, {}, row2.center());
    QCOMPARE(bits.count(), 1);
    QCOMPARE(bits[0][0].value<std::uint32_t>(), 0x102u);
    QCOMPARE(bits[0][1].toBool(), false);
}

void KorvexListTest::copyOfSelectedRows() {
    FrameListFixture f;
    f.list.show();
    f.list.SetCapacity(10);
    const std::vector<_VCI_CAN_OBJ> frames = SevenFrames();
    AddFrames(f.list, frames);
    f.global.TimeShowType = 1;

    f.ui.clipboard = "old";
    f.list.clearSelection();
    f.list.CopySelectedRows();
    QCOMPARE(f.ui.clipboard, std::string());

    // Rows 2 and 1 in either order, and row 8 past the stored frames ends
    // the copy.
    QItemSelectionModel* selection = f.list.selectionModel();
    const auto select = [&](int row) {
        selection->select(f.list.model()->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };
    select(2);
    select(8);
    select(1);
    QCOMPARE(f.list.GetSelectedCount(), 3);
    f.list.setFocus();
    QTest::keyClick(&f.list, Qt::Key_C, Qt::ControlModifier);
    const std::string expected = CopyLine(1, frames[1], RelativeTime(frames[1])) +
                                 CopyLine(2, frames[2], RelativeTime(frames[2]));
    QCOMPARE(f.ui.clipboard, expected);
}

void KorvexListTest::exportChoosesTheFormByExactExtension() {
    FrameListFixture f;
    TempFolder dir;
    OrigTimeEntry clock{};
    clock.hour = 7;
    f.global.origTimeList = {clock};
    f.list.SetCapacity(10);
    const std::vector<_VCI_CAN_OBJ> frames = SevenFrames();
    AddFrames(f.list, frames);

    f.ui.fileAnswer = dir.File("data.can");
    f.list.ExportToFile();
    const std::string bytes = ReadBytes(dir / "data.can");
    QCOMPARE(bytes.size(), std::size_t{20 + 4 + 12 + 7 * 24});
    QCOMPARE(bytes.substr(0, 16), std::string("Quorvel CAN Data"));
    QCOMPARE(bytes[20], '\1');
    QCOMPARE(std::memcmp(bytes.data() + 36, frames.data(), 7 * 24), 0);

    f.ui.fileAnswer = dir.File("upper.CAN");
    f.list.ExportToFile();
    QVERIFY(ReadBytes(dir / "upper.CAN").rfind("序号\t", 0) == 0);

    // Cancel writes nothing; a file that cannot be created, or was created
    // but could not be written, is said once with its path and the reason.
    f.ui.fileAnswer.clear();
    f.list.ExportToFile();
    QVERIFY(f.ui.messages.empty());
    const std::string missing = dir.File("missing/x.txt");
    f.ui.fileAnswer = missing;
    f.list.ExportToFile();
    f.ui.fileAnswer = "/dev/full";
    f.list.ExportToFile();
    QCOMPARE(f.ui.messages.size(), std::size_t{2});
    QCOMPARE(f.ui.messages[0].caption, std::string("错误"));
    QCOMPARE(f.ui.messages[0].text,
             XTPLoadString(3067) + "\n" + missing + "\nNo such file or directory");
    QCOMPARE(f.ui.messages[1].text,
             XTPLoadString(fl::kStrCannotWriteFile) + "\n/dev/full\nNo space left on device");
}

void KorvexListTest::realTimeSaveTogglesAndRestartsCount() {
    FrameListFixture f;
    TempFolder dir;
    f.list.SetCapacity(100);

    // Cancel leaves saving off.
    f.list.ToggleRealTimeSave();
    QCOMPARE(f.list.IsRealTimeSaving(), 0);

    f.ui.fileAnswer = dir.File("first.txt");
    f.list.ToggleRealTimeSave();
    QCOMPARE(f.list.IsRealTimeSaving(), 1);
    AddFrames(f.list, {MakeFrame(0x1, 1), MakeFrame(0x2, 2)});
    AddFrames(f.list, {MakeFrame(0x3, 3)}, 0);
    QCOMPARE(f.list.RealTimeCount(), 3LL);
    f.list.ToggleRealTimeSave();
    QCOMPARE(f.list.IsRealTimeSaving(), 0);
    AddFrames(f.list, {MakeFrame(0x4, 4)});

    // The file holds what an export of the same frames holds.
    f.ui.fileAnswer = dir.File("export.txt");
    f.list.ExportToFile();
    const std::string saved = ReadBytes(dir / "first.txt");
    const std::vector<std::string> exported = Lines(ReadBytes(dir / "export.txt"));
    QCOMPARE(Lines(saved), std::vector<std::string>(exported.begin(), exported.begin() + 4));

    f.ui.fileAnswer = dir.File("second.CAN");
    f.list.ToggleRealTimeSave();
    AddFrames(f.list, {MakeFrame(0x5, 5), MakeFrame(0x6, 6)});
    QCOMPARE(f.list.RealTimeCount(), 2LL);
    f.list.ToggleRealTimeSave();
    const std::vector<std::string> second = Lines(ReadBytes(dir / "second.CAN"));
    QCOMPARE(second.size(), std::size_t{3});
    QVERIFY(second[1].rfind("0\t", 0) == 0);
    QVERIFY(second[2].rfind("1\t", 0) == 0);

    f.ui.fileAnswer = dir.File("third.can");
    f.list.ToggleRealTimeSave();
    const std::vector<_VCI_CAN_OBJ> frames{MakeFrame(0x7, 7), MakeFrame(0x8, 8)};
    AddFrames(f.list, frames);
    f.list.ToggleRealTimeSave();
    const std::string binary = ReadBytes(dir / "third.can");
    QCOMPARE(binary.size(), std::size_t{20 + 2 * 24});
    QCOMPARE(std::memcmp(binary.data() + 20, frames.data(), 2 * 24), 0);
}

void KorvexListTest::realTimeSaveReportsAFileThatCannotBeCreated() {
    FrameListFixture f;
    TempFolder dir;
    f.ui.fileAnswer = dir.File("missing/x.txt");
    f.list.ToggleRealTimeSave();
    QCOMPARE(f.list.IsRealTimeSaving(), 0);
    QCOMPARE(f.ui.messages.size(), std::size_t{1});
    QCOMPARE(f.ui.messages[0].caption, std::string("错误"));
    QCOMPARE(f.ui.messages[0].text,
             XTPLoadString(3067) + "\n" + f.ui.fileAnswer + "\nNo such file or directory");
    QCOMPARE(f.ui.messages[0].type & xtp_mb::kIconMask, xtp_mb::kIconError);
    QCOMPARE(f.ui.messages[0].owner, reinterpret_cast<CWnd*>(&f.list));
}

// The file system fills up (a file size limit stands in for it): the save
// stops and unticks, the file ends on its last whole record, and the user is
// told once which file and why.
void KorvexListTest::realTimeSaveStopsOnAFullDisk() {
    FrameListFixture f;
    TempFolder dir;
    f.list.SetCapacity(1000);
    f.ui.fileAnswer = dir.File("full.can");
    f.list.ToggleRealTimeSave();
    QCOMPARE(f.list.IsRealTimeSaving(), 1);
    std::vector<_VCI_CAN_OBJ> frames;
    for (std::uint32_t i = 0; i < 100; ++i) frames.push_back(MakeFrame(i, i));

    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 20 + 10 * 24 + 7;
    ::setrlimit(RLIMIT_FSIZE, &small);
    AddFrames(f.list, frames);
    AddFrames(f.list, frames);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(f.list.IsRealTimeSaving(), 0);
    QTRY_COMPARE(f.ui.messages.size(), std::size_t{1});
    QTest::qWait(50);
    QCOMPARE(f.ui.messages.size(), std::size_t{1});
    QCOMPARE(f.ui.messages[0].text, XTPLoadString(fl::kStrRealTimeSaveStopped) + "\n" +
                                        XTPLoadString(fl::kStrCannotWriteFile) + "\n" +
                                        f.ui.fileAnswer + "\nFile too large");
    const std::string bytes = ReadBytes(dir / "full.can");
    QCOMPARE(bytes.size(), std::size_t{20 + 10 * 24});
    QCOMPARE(std::memcmp(bytes.data() + 20, frames.data(), 10 * 24), 0);
    QCOMPARE(f.list.Record().frameStore.GetCount(), 200);
}

void KorvexListTest::realTimeSaveIsWrittenOutWhenTheListGoes() {
    TempFolder dir;
    CKorvexGlobal global;
    korvex::test::FakeUiServices ui;
    std::vector<_VCI_CAN_OBJ> frames;
    for (std::uint32_t i = 0; i < 5000; ++i) frames.push_back(MakeFrame(i, i));
    {
        CKorvexList list(global);
        list.SetCapacity(10);
        ui.fileAnswer = dir.File("kept.can");
        list.ToggleRealTimeSave();
        list.AddFrames(frames.data(), static_cast<int>(frames.size()), 1);
    }
    const std::string bytes = ReadBytes(dir / "kept.can");
    QCOMPARE(bytes.size(), std::size_t{20 + 5000 * 24});
    QCOMPARE(std::memcmp(bytes.data() + 20, frames.data(), 5000 * 24), 0);
}

void KorvexListTest::selectionOperations() {
    FrameListFixture f;
    f.list.show();
    f.list.SetCapacity(10);
    const std::vector<_VCI_CAN_OBJ> frames = SevenFrames();
    AddFrames(f.list, frames);

    QCOMPARE(f.list.SelectRow(5), 1);
    f.list.selectionModel()->select(
        QItemSelection(f.list.model()->index(6, 0), f.list.model()->index(8, 0)),
        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(f.list.GetSelectedCount(), 4);
    std::vector<_VCI_CAN_OBJ> out;
    f.list.GetSelectedFrames(out);
    QCOMPARE(out.size(), std::size_t{2});
    QCOMPARE(out[0].ID, frames[5].ID);
    QCOMPARE(out[1].ID, frames[6].ID);

    f.list.SelectRowAndShow(2);
    QCOMPARE(f.list.GetSelectedCount(), 1);
    f.list.SelectRowAndShow(10);
    QCOMPARE(f.list.GetSelectedCount(), 1);
    QCOMPARE(f.list.selectionModel()->selectedRows().front().row(), 2);

    QWidget parent;
    QCOMPARE(f.list.CreateList(3086, 0, 0, nullptr), 0);
    QCOMPARE(f.list.CreateList(3086, 0, 0, reinterpret_cast<CWnd*>(&parent)), 1);
    QCOMPARE(f.list.GetListParent(), reinterpret_cast<CWnd*>(&parent));
    QCOMPARE(f.list.SetListParent(nullptr), reinterpret_cast<CWnd*>(&parent));
    QCOMPARE(f.list.GetListParent(), nullptr);
}

void KorvexListTest::loadedFileReachesTheRealTimeFile() {
    FrameListFixture f;
    TempFolder dir;
    // Received and transmitted frames mixed, more than one run of the reader.
    std::string stream(korvex::kDataFileSignature, 16);
    stream.append(4, '\0');
    for (std::uint32_t i = 0; i < 10000; ++i) {
        const _VCI_CAN_OBJ frame = MakeFrame(i, i, i % 7 == 0 ? 0xFF : 0);
        stream.append(reinterpret_cast<const char*>(&frame), sizeof frame);
    }
    {
        std::ofstream out(dir / "in.can", std::ios::binary);
        out << stream;
    }
    f.ui.fileAnswer = dir.File("rt.can");
    f.list.ToggleRealTimeSave();
    QCOMPARE(korvex::ReadStreamFile(dir / "in.can", f.global), korvex::DataFileStatus::kOk);
    f.list.ToggleRealTimeSave();
    QCOMPARE(f.list.Record().frameStore.GetCount(), 10000);
    QCOMPARE(f.global.frameCountTx[0], std::uint64_t{1429});
    QVERIFY(ReadBytes(dir / "rt.can") == stream);
}

void KorvexListTest::producerOnAnotherThreadIsPostedToTheWindow() {
    FrameListFixture f;
    f.list.SetCapacity(3);
    QSignalSpy redrawn(&f.list, &CKorvexList::redrawn);
    std::thread producer([&f] {
        f.list.SetCapacity(5);
        _VCI_CAN_OBJ frame = MakeFrame(0x42, 1);
        f.list.AddFrames(&frame, 1, 1);
        f.list.Redraw();
    });
    producer.join();
    // Nothing of the window changed on the producer's thread.
    QCOMPARE(f.list.model()->rowCount(), 3);
    QCOMPARE(redrawn.count(), 0);
    QTRY_COMPARE(f.list.model()->rowCount(), 5);
    QTRY_COMPARE(redrawn.count(), 1);
    QCOMPARE(f.Cell(0, 0), QString("0"));
}

// The row-number column holds the widest number of the capacity without
// eliding it, goes back to the plug-in's width for a small capacity, and keeps
// a width the user chose.
void KorvexListTest::rowNumberColumnFitsTheCapacity() {
    // Without the fixture's model tester, which would visit every row.
    CKorvexGlobal global;
    CKorvexList list(global);
    ConnectToPlugin(global, list);
    QHeaderView* header = list.horizontalHeader();
    const int pluginWidth = header->sectionSize(0);
    const QFontMetrics metrics = list.fontMetrics();
    // The plug-in's width alone elides a hundred million rows' numbers.
    QVERIFY(pluginWidth < metrics.horizontalAdvance("99999999"));
    struct Case {
        int capacity;
        QString widest;
    };
    for (const Case& c :
         {Case{100'000'000, "99999999"}, Case{2'000'000'000, "1999999999"}, Case{10, "9"}}) {
        list.SetCapacity(c.capacity);
        QVERIFY2(header->sectionSize(0) >= metrics.horizontalAdvance(c.widest) + 4,
                 qPrintable(QString::number(c.capacity)));
        QVERIFY(header->sectionSize(0) >= pluginWidth);
    }
    QCOMPARE(header->sectionSize(0), pluginWidth);
    header->resizeSection(0, pluginWidth + 7);
    list.SetCapacity(100'000'000);
    QCOMPARE(header->sectionSize(0), pluginWidth + 7);
    SetControlList(nullptr);
}

QTEST_MAIN(KorvexListTest)
#include "KorvexListTest.moc"
