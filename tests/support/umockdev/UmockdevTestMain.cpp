// The main of test programs that use the umockdev test bed. libusb must run
// on top of umockdev's preload library to see the bed's devices; started
// without it, the program starts itself again under umockdev-wrapper.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload == nullptr || std::strstr(preload, "libumockdev-preload") == nullptr) {
        std::vector<char*> args{const_cast<char*>(KORVEX_UMOCKDEV_WRAPPER)};
        args.insert(args.end(), argv, argv + argc);
        args.push_back(nullptr);
        execv(KORVEX_UMOCKDEV_WRAPPER, args.data());
        std::perror(KORVEX_UMOCKDEV_WRAPPER);
        return 1;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
