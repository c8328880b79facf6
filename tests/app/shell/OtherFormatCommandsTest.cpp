// The File menu's import and export of other tools' formats, and a data file
// given on the command line, driven as a user would.
#include <QAction>
#include <QStringList>
#include <fstream>
#include <memory>

#include "app/resources/rules/BuiltInResources.h"
#include "app/shell/CommandBars.h"
#include "app/shell/OtherFormatCommands.h"
#include "app/shell/rules/ShellIds.h"
#include "core/DataFileReader.h"
#include "share/ControlIni.h"
#include "tests/app/shell/ShellTestSupport.h"
#include "tests/support/QtTestApplication.h"
#include "xtp/XTPFileFilter.h"
#include "xtp/XTPResourceManagerXMLEx.h"

namespace korvex::shell::test {
namespace {

class OtherFormatCommandsTest : public ShellFixture {
  protected:
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(folder.File(name), std::ios::binary) << text;
    }
};

constexpr char kLog[] =
    "(1700000000.000100) can0 123#0102\n"
    "(1700000000.000200) can0 1ABCDEF0#R3\n"
    "(1700000000.000300) can0 20000040#0000000000000000\n";

TEST_F(OtherFormatCommandsTest, TheFileMenuOffersBothCommandsBesideTheOriginalOnes) {
    Start("empty");
    for (const auto& [id, caption] : {std::pair{cmd::kImportOtherFormat, "导入其他格式..."},
                                      std::pair{cmd::kExportOtherFormat, "导出为其他格式..."}}) {
        QAction* action = main->CommandBars().Action(id);
        ASSERT_NE(action, nullptr) << id;
        EXPECT_EQ(action->text(), QString::fromUtf8(caption));
        EXPECT_TRUE(main->CommandStateOf(id).enabled) << id;
    }
    EXPECT_TRUE(main->CommandStateOf(cmd::kImportData).enabled);
}

TEST_F(OtherFormatCommandsTest, ImportReadsACandumpLogIntoTheListAndSaysWhatItSkipped) {
    Start("empty");
    Write("a.log", kLog);
    ui.fileAnswer = folder.File("a.log");
    main->RunCommand(cmd::kImportOtherFormat);
    EXPECT_EQ(StoredFrames(), 3);
    EXPECT_EQ(main->PaneText(2), QString("总帧数 ：3"));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(global->origTimeList.size(), 1u);

    Write("b.log", std::string(kLog) + "junk\n");
    ui.fileAnswer = folder.File("b.log");
    main->RunCommand(cmd::kImportOtherFormat);
    EXPECT_EQ(StoredFrames(), 3);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "有 1 行无法读取，已跳过（第一行是第 4 行）");

    // A file of no format read here changes nothing and says so once.
    Write("c.asc", "garbage\n\x01\x02\n");
    ui.fileAnswer = folder.File("c.asc");
    main->RunCommand(cmd::kImportOtherFormat);
    EXPECT_EQ(StoredFrames(), 3);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, "无法导入该文件：" + folder.File("c.asc") +
                                       " 不是这里能读取的格式的记录（candump, asc, csv, blf, trc, "
                                       "pcap, pcapng, can or stream）");
    EXPECT_EQ(ui.messages[1].caption, "错误");
}

// In the English program the refusal, its reason and its title are English.
TEST_F(OtherFormatCommandsTest, ARefusalIsInTheProgramsLanguage) {
    std::filesystem::copy(KORVEX_LANGUAGE_SOURCE, folder / "language");
    name_share::CControlIni list;
    list.iniPath = (folder / "language" / "config.ini").string();
    ASSERT_TRUE(list.WriteInt("LAST", "Sel", 1));
    Start("empty");
    Write("c.asc", "garbage\n\x01\x02\n");
    ui.fileAnswer = folder.File("c.asc");
    main->RunCommand(cmd::kImportOtherFormat);
    OpenFileArgument(*shell, *global,
                     {"KorvexPro", QString::fromStdString(folder.File("none.log"))});
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "Cannot import the file: " + folder.File("c.asc") +
                                       " is not a recording in a format read here (candump, asc, "
                                       "csv, blf, trc, pcap, pcapng, can or stream)");
    EXPECT_EQ(ui.messages[0].caption, "Error");
    EXPECT_EQ(ui.messages[1].text, "Cannot import the file: Cannot open " +
                                       folder.File("none.log") + ": No such file or directory");
}

// BLF and TRC files come in through the same command; what a read left out
// (damage at the end of a BLF file, long CAN FD frames) is said in one box.
TEST_F(OtherFormatCommandsTest, ImportReadsBlfAndTrcAndSaysWhatTheyLeftOut) {
    Start("empty");
    Write("a.log", kLog);
    ui.fileAnswer = folder.File("a.log");
    main->RunCommand(cmd::kImportOtherFormat);
    ASSERT_EQ(StoredFrames(), 3);
    for (const char* name : {"a.blf", "a.trc", "a.pcapng"}) {
        ui.fileAnswer = folder.File(name);
        main->RunCommand(cmd::kExportOtherFormat);
    }
    main->RunCommand(cmd::kClearList);
    for (const char* name : {"a.blf", "a.trc", "a.pcapng"}) {
        ui.fileAnswer = folder.File(name);
        main->RunCommand(cmd::kImportOtherFormat);
        EXPECT_EQ(StoredFrames(), 3) << name;
    }
    EXPECT_TRUE(ui.messages.empty());

    const std::string blf = korvex::test::ReadBytes(folder.Path() / "a.blf");
    Write("cut.blf", blf + "LOBJ");
    std::string bytes64;
    for (int i = 0; i < 64; ++i) bytes64 += i ? " 00" : "00";
    Write("fd.trc",
          ";$FILEVERSION=2.1\r\n;$COLUMNS=N,O,T,B,I,d,R,L,D\r\n"
          "      1         0.100 DT 1      0200 Rx -  1    01\r\n"
          "      2         0.200 FD 1      0201 Rx -  15   " +
              bytes64 +
              "\r\n"
              "      3         0.300 XX\r\n"
              "      4         0.400 FD 1      0202 Rx -  2    01 02\r\n");
    Write("empty.trc", "");
    ui.fileAnswer = folder.File("cut.blf");
    main->RunCommand(cmd::kImportOtherFormat);
    EXPECT_EQ(StoredFrames(), 3);
    ui.fileAnswer = folder.File("fd.trc");
    main->RunCommand(cmd::kImportOtherFormat);
    EXPECT_EQ(StoredFrames(), 2);
    ui.fileAnswer = folder.File("empty.trc");
    main->RunCommand(cmd::kImportOtherFormat);
    EXPECT_EQ(StoredFrames(), 2);
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[0].text, "已跳过 1 处损坏（偏移 " + std::to_string(blf.size()) +
                                       "），第一处：an object header cut short by the end of the "
                                       "file");
    EXPECT_EQ(ui.messages[1].text,
              "有 1 行无法读取，已跳过（第一行是第 5 行）\n1 个长于 8 字节的 CAN FD 帧已跳过\n"
              "1 个不超过 8 字节的 CAN FD 帧已按经典帧读入");
    EXPECT_EQ(ui.messages[2].text, "无法导入该文件：" + folder.File("empty.trc") + " 不含任何帧");
}

// The dialogs offer every format, and a name typed without an extension
// gets the one of the chosen filter.
TEST_F(OtherFormatCommandsTest, TheDialogsOfferEveryFormat) {
    Start("empty");
    ui.fileAnswer.clear();
    main->RunCommand(cmd::kImportOtherFormat);
    ASSERT_EQ(ui.fileDialogs.size(), 1u);
    const std::vector<XTPFileFilterEntry> read = ParseFileFilter(ui.fileDialogs[0].request.filter);
    ASSERT_EQ(read.size(), 9u);
    EXPECT_EQ(read[0].patterns, "*.log;*.asc;*.blf;*.trc;*.csv;*.pcap;*.pcapng;*.can");
    EXPECT_EQ(read[6].patterns, "*.pcap;*.pcapng");
    EXPECT_EQ(read[3].description, "BLF 文件(*.blf)");
    EXPECT_EQ(read[4].description, "TRC 文件(*.trc)");
    main->RunCommand(cmd::kExportOtherFormat);
    ASSERT_EQ(ui.fileDialogs.size(), 2u);
    const std::vector<XTPFileFilterEntry> written =
        ParseFileFilter(ui.fileDialogs[1].request.filter);
    ASSERT_EQ(written.size(), 6u);
    EXPECT_EQ(DefaultSuffix(ui.fileDialogs[1].request.filter, 2, "log"), "blf");
    EXPECT_EQ(DefaultSuffix(ui.fileDialogs[1].request.filter, 3, "log"), "trc");
    EXPECT_EQ(DefaultSuffix(ui.fileDialogs[1].request.filter, 5, "log"), "pcapng");
}

// A file of several channels: the user is asked which one to import, or
// all merged; dismissing the question imports nothing and says nothing.
TEST_F(OtherFormatCommandsTest, ImportAsksWhichChannelOfAFileOfSeveral) {
    Start("empty");
    Write("two.log",
          "(1700000000.000100) can0 123#01\n"
          "(1700000000.000200) can1 456#02\n"
          "(1700000000.000300) can0 124#03\n");
    ui.fileAnswer = folder.File("two.log");
    ui.menuAnswer = 0;
    main->RunCommand(cmd::kImportOtherFormat);
    EXPECT_EQ(StoredFrames(), 0);
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(ui.menus.size(), 1u);
    const std::vector<XTPMenuItem> items = ui.menus[0].popup.popup;
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].text, "合并全部 2 个通道导入（共 3 帧）");
    EXPECT_TRUE(items[1].IsSeparator());
    EXPECT_EQ(items[2].text, "只导入通道 1：can0（2 帧）");
    EXPECT_EQ(items[3].text, "只导入通道 2：can1（1 帧）");

    ui.menuAnswer = items[3].id;
    main->RunCommand(cmd::kImportOtherFormat);
    EXPECT_EQ(StoredFrames(), 1);
    ui.menuAnswer = items[0].id;
    main->RunCommand(cmd::kImportOtherFormat);
    EXPECT_EQ(StoredFrames(), 3);
    EXPECT_TRUE(ui.messages.empty());

    // A file of one channel is read without a question.
    Write("one.log", "(1700000000.000100) can0 123#01\n");
    ui.fileAnswer = folder.File("one.log");
    main->RunCommand(cmd::kImportOtherFormat);
    EXPECT_EQ(ui.menus.size(), 3u);
}

TEST_F(OtherFormatCommandsTest, ATranslationWithOtherConversionsIsNotUsedAsAFormat) {
    Start("empty");
    const std::string xml =
        "<resource><string id=\"26001\" value=\"%d cannot be imported\"/>"
        "<string id=\"26002\" value=\"%d lines skipped (the first is line %d)\"/></resource>";
    ASSERT_TRUE(XTPSetResourceManager(std::make_unique<CXTPResourceManagerXMLEx>(
        xml.data(), xml.size(), korvex::BuiltInResourceTable())));
    Write("b.log", std::string(kLog) + "junk\n");
    ui.fileAnswer = folder.File("b.log");
    main->RunCommand(cmd::kImportOtherFormat);
    Write("c.asc", "garbage\n");
    ui.fileAnswer = folder.File("c.asc");
    main->RunCommand(cmd::kImportOtherFormat);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "有 1 行无法读取，已跳过（第一行是第 4 行）");
    EXPECT_EQ(ui.messages[1].text.rfind("无法导入该文件：", 0), 0u) << ui.messages[1].text;
}

TEST_F(OtherFormatCommandsTest, ExportWritesTheListAsTheChosenNameSays) {
    Start("empty");
    Write("a.log", kLog);
    ui.fileAnswer = folder.File("a.log");
    main->RunCommand(cmd::kImportOtherFormat);
    ASSERT_EQ(StoredFrames(), 3);

    struct Case {
        const char* name;
        const char* start;
    };
    for (const Case c :
         {Case{"out.log", "("}, Case{"out.asc", "date "}, Case{"out.csv", "序号,"},
          Case{"out.blf", "LOGG"}, Case{"out.trc", ";$FILEVERSION=2.1"}, Case{"out.dat", "("}}) {
        ui.fileAnswer = folder.File(c.name);
        main->RunCommand(cmd::kExportOtherFormat);
        const std::string text = korvex::test::ReadBytes(folder.Path() / c.name);
        EXPECT_EQ(text.rfind(c.start, 0), 0u) << c.name << ": " << text.substr(0, 40);
    }
    // Local time both ways gives the log back as it was read.
    EXPECT_EQ(korvex::test::ReadBytes(folder.Path() / "out.log"), kLog);
    ui.fileAnswer = (folder.Path() / "missing" / "x.log").string();
    main->RunCommand(cmd::kExportOtherFormat);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "无法创建文件\n" + ui.fileAnswer + "\nNo such file or directory");
}

TEST_F(OtherFormatCommandsTest, AFileOnTheCommandLineOpensInTheList) {
    Start("empty");
    // 20 + 3 * 24 bytes fit only the real-time save layout.
    std::string stream("Quorvel CAN Data\0\0\0\0", 20);
    _VCI_CAN_OBJ f{};
    f.Reserved[1] = 0xFF;
    for (int i = 0; i < 3; ++i) stream.append(reinterpret_cast<const char*>(&f), sizeof f);
    Write("s.can", stream);
    OpenFileArgument(*shell, *global,
                     {"KorvexPro", "-style", QString::fromStdString(folder.File("s.can"))});
    EXPECT_EQ(StoredFrames(), 3);
    EXPECT_EQ(main->PaneText(2), QString("总帧数 ：3"));

    OpenFileArgument(*shell, *global,
                     {"KorvexPro", QString::fromStdString(folder.File("none.log"))});
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "无法导入该文件：无法打开 " + folder.File("none.log") +
                                       "：No such file or directory");
    EXPECT_EQ(StoredFrames(), 3);
}

}  // namespace
}  // namespace korvex::shell::test
