#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "app/resources/rules/BuiltInResources.h"
#include "core/EventTexts.h"
#include "core/FrameRowText.h"
#include "xtp/XTPResourceManagerXMLEx.h"

namespace {

constexpr char kEnglish[] =
    "<resource><string id=\"22004\" value=\"CAN controller: bus error\"/>"
    "<string id=\"22006\" value=\"No error\"/></resource>";

void InstallEnglish() {
    XTPSetResourceManager(std::make_unique<CXTPResourceManagerXMLEx>(
        kEnglish, sizeof kEnglish - 1, korvex::BuiltInResourceTable()));
    korvex::ReloadEventTexts();
}

void InstallBuiltIn() {
    korvex::InstallBuiltInResources();
    korvex::ReloadEventTexts();
}

TEST(EventTexts, RemarksFollowTheLanguageReadLast) {
    InstallEnglish();
    const struct {
        std::uint8_t code;
        const char* english;
        const char* chinese;
    } cases[] = {
        {0, "", ""},
        {229, "CAN controller: bus error\n", "CAN控制器总线错误\n"},
        {225, "CAN控制器内部FIFO溢出\n", "CAN控制器内部FIFO溢出\n"},  // not in the file
        {7, "\tNo error\n", "\t没有错误\n"},
        {231, "\tNo error\n", "\t没有错误\n"},
    };
    for (const auto& c : cases) EXPECT_STREQ(korvex::EventText(c.code), c.english) << int(c.code);
    const char* english = korvex::EventText(229);
    InstallBuiltIn();
    for (const auto& c : cases) EXPECT_STREQ(korvex::EventText(c.code), c.chinese) << int(c.code);
    // A text handed out before a switch stays readable, and a language used
    // again gives the same texts.
    EXPECT_STREQ(english, "CAN controller: bus error\n");
    InstallEnglish();
    EXPECT_EQ(korvex::EventText(229), english);
    InstallBuiltIn();
}

TEST(EventTexts, AnotherThreadReadsWhileTheLanguageChanges) {
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0};
    std::thread reader([&] {
        while (!stop.load()) {
            const std::string text = korvex::EventText(229);
            if (text != "CAN controller: bus error\n" && text != "CAN控制器总线错误\n") ++wrong;
        }
    });
    for (int i = 0; i < 200; ++i) i % 2 ? InstallBuiltIn() : InstallEnglish();
    stop = true;
    reader.join();
    EXPECT_EQ(wrong.load(), 0);
    InstallBuiltIn();
}

}  // namespace
