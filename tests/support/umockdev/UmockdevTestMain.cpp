// The main of test programs that use the umockdev test bed. libusb must run
// on top of umockdev's preload library to see the bed's devices; started
// without it, the program starts itself again under umockdev-wrapper. The
// bed is made here, while the program has one thread: making it sets the
// environment, and a getenv on another thread at that moment may crash.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/support/umockdev/RecorderTestbed.h"

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
    // A child started by a test (as another user, say) works on its
    // parent's bed.
    if (std::getenv(korvex::test::kBedOfParent) == nullptr) korvex::test::Testbed();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
