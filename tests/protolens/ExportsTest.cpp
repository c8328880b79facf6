#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>
#include <string>

#include "core/frame/CanObj.h"
#include "share/ObjKey.h"

// The plug-in as a host loads it: libProtoLens.so, path given by the build.
namespace {

const std::set<std::string> kExports = {
    "AnalyCANFrame",   "AnalyPartofCANFrame",  "AnalyProtocolFrame",
    "ArrangeFrames",   "GetControlList",       "GetCustomDataUI",
    "GetListMenu",     "GetListMenuImage",     "GetModuleName",
    "GetName",         "GetOptionDlg",         "IOCtl",
    "IsCanShow",       "IsOBJKeyEqual",        "OnListMenu",
    "OnListMouseMove", "OnReceiveNewCANFrame", "OnUpdateListMenu",
    "SetControlList",  "SetMsgHwnd",
};

std::string RunCommand(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, pipe) != nullptr) out += buf;
    pclose(pipe);
    return out;
}

class ExportsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { handle_ = dlopen(PROTOLENS_LIBRARY, RTLD_NOW | RTLD_LOCAL); }
    static void TearDownTestSuite() {
        if (handle_ != nullptr) dlclose(handle_);
    }
    template <typename F>
    static F Get(const char* name) {
        return reinterpret_cast<F>(dlsym(handle_, name));
    }
    static void* handle_;
};

void* ExportsTest::handle_ = nullptr;

TEST_F(ExportsTest, DynamicSymbolsAreExactlyTheTwentyExports) {
    const std::string listing =
        RunCommand(std::string("nm -D --defined-only ") + PROTOLENS_LIBRARY + " 2>&1");
    std::set<std::string> names;
    std::istringstream lines(listing);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string address, type, name;
        fields >> address >> type >> name;
        names.insert(name.empty() ? line : name);
    }
    EXPECT_EQ(names, kExports) << listing;
}

TEST_F(ExportsTest, LoadsAndAnswersThroughItsExports) {
    ASSERT_NE(handle_, nullptr) << dlerror();
    for (const std::string& name : kExports) {
        EXPECT_NE(dlsym(handle_, name.c_str()), nullptr) << name;
    }

    // One empty function under three names.
    void* mouseMove = dlsym(handle_, "OnListMouseMove");
    EXPECT_EQ(dlsym(handle_, "GetListMenuImage"), mouseMove);
    EXPECT_EQ(dlsym(handle_, "GetOptionDlg"), mouseMove);

    char name[12];
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(Get<int (*)(char*)>("GetModuleName")(name), 0);
    EXPECT_EQ(0, std::memcmp(name, "ProtoLens\0xx", 12));
    std::memset(name, 'x', sizeof name);
    Get<void (*)(char*)>("GetName")(name);
    EXPECT_EQ(0, std::memcmp(name, "-CAN-\0xxxxxx", 12));

    std::int32_t language = 0;
    EXPECT_EQ(Get<int (*)(int, void*, int, int, int)>("IOCtl")(15, &language, 4, 0, 0), 0);
    _VCI_CAN_OBJ f{};
    f.ID = 0x123;
    f.DataLen = 2;
    f.Data[0] = 0xDE;
    f.Data[1] = 0xAD;
    char** texts = nullptr;
    int count = 0;
    EXPECT_EQ(Get<int (*)(const _VCI_CAN_OBJ*, char***, int*)>("AnalyCANFrame")(&f, &texts, &count),
              1);
    ASSERT_EQ(count, 5);
    EXPECT_STREQ(texts[0], "0x00000123");
    EXPECT_STREQ(texts[1], "数据帧");
    EXPECT_STREQ(texts[4], "DE AD ");

    OBJKEY key;
    key.icolInd = kKeyIdentifier;
    key.dwMask = 0x700;
    key.dwData = 0x100;
    const auto isEqual = Get<int (*)(const OBJKEY*, const _VCI_CAN_OBJ*)>("IsOBJKeyEqual");
    EXPECT_EQ(isEqual(&key, &f), 1);
    key.dwData = 0x200;
    EXPECT_EQ(isEqual(&key, &f), 0);
}

}  // namespace
