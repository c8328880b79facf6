// The main of test programs that use the umockdev test bed. libusb must run
// on top of umockdev's preload library to see the bed's devices; started
// without it, the program starts itself again under umockdev-wrapper. The
// bed is made here, while the program has one thread: making it sets the
// environment, and a getenv on another thread at that moment may crash.

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/umockdev/RecorderTestbed.h"

int main(int argc, char** argv) {
    korvex::test::RestartUnderUmockdev(argc, argv);
    // A child started by a test (as another user, say) works on its
    // parent's bed.
    if (std::getenv(korvex::test::kBedOfParent) == nullptr) korvex::test::Testbed();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
