// The File menu's import and export of other tools' formats, and a data file
// given on the command line, driven as a user would.
#include <QAction>
#include <QStringList>
#include <fstream>

#include "app/shell/CommandBars.h"
#include "app/shell/OtherFormatCommands.h"
#include "app/shell/rules/ShellIds.h"
#include "core/DataFileReader.h"
#include "tests/app/shell/ShellTestSupport.h"
#include "tests/support/QtTestApplication.h"

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

    // A file without one frame changes nothing and says why.
    Write("c.asc", "garbage\n\x01\x02\n");
    ui.fileAnswer = folder.File("c.asc");
    main->RunCommand(cmd::kImportOtherFormat);
    EXPECT_EQ(StoredFrames(), 3);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_NE(ui.messages[1].text.find("无法导入该文件："), std::string::npos);
    EXPECT_NE(ui.messages[1].text.find("no line could be read"), std::string::npos);
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
    for (const Case c : {Case{"out.log", "("}, Case{"out.asc", "date "}, Case{"out.csv", "序号,"},
                         Case{"out.dat", "("}}) {
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
    EXPECT_EQ(ui.messages[0].text, "无法写入该文件");
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
    EXPECT_NE(ui.messages[0].text.find("cannot open"), std::string::npos);
    EXPECT_EQ(StoredFrames(), 3);
}

}  // namespace
}  // namespace korvex::shell::test
