// Passes over many frames ask the plug-in for texts on every core at once:
// each thread's texts are its own and never change under another thread.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/protolens/PluginFixture.h"

namespace protolens::test {
namespace {

using ThreadTextsTest = PluginTest;

std::string PartText(const _VCI_CAN_OBJ& f, int column) {
    char* text = nullptr;
    AnalyPartofCANFrame(&f, &text, column);
    return text;
}

TEST_F(ThreadTextsTest, EachThreadReadsItsOwnTexts) {
    constexpr int kThreads = 4;
    constexpr std::uint32_t kFrames = 20000;
    // What one thread alone gets, column by column.
    std::vector<std::string> expected;
    for (std::uint32_t n = 0; n < kFrames; ++n) {
        const _VCI_CAN_OBJ f = Frame(n * 977u, {static_cast<std::uint8_t>(n)}, n % 3 == 0);
        for (int column = 3; column <= 7; ++column) expected.push_back(PartText(f, column));
    }
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (std::uint32_t n = 0; n < kFrames; ++n) {
                const _VCI_CAN_OBJ f = Frame(n * 977u, {static_cast<std::uint8_t>(n)}, n % 3 == 0);
                for (int column = 3; column <= 7; ++column) {
                    char* text = nullptr;
                    AnalyPartofCANFrame(&f, &text, column);
                    char** all = nullptr;
                    int count = 0;
                    AnalyCANFrame(&f, &all, &count);  // must not disturb the part text
                    if (expected[n * 5 + static_cast<std::uint32_t>(column - 3)] != text)
                        ++mismatches[static_cast<std::size_t>(t)];
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[static_cast<std::size_t>(t)], 0) << t;
}

}  // namespace
}  // namespace protolens::test
