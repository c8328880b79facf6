#pragma once

// Include in exactly one source file of a Qt test program that runs under
// ThreadSanitizer, with KORVEX_TSAN_QT_SUPP naming the suppressions for Qt's
// uninstrumented libraries and event queue. Whoever runs the test, the
// sanitizer's runtime finds them through this visible function.

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KORVEX_TSAN 1
#endif
#endif
#if defined(__SANITIZE_THREAD__) || defined(KORVEX_TSAN)
extern "C" __attribute__((visibility("default"))) const char* __tsan_default_options() {
    return "suppressions=" KORVEX_TSAN_QT_SUPP;
}
#endif
