#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <cstdlib>
#include <memory>

#include "tests/support/TempFolder.h"

namespace korvex::test {

// One QApplication for a GoogleTest program of widget tests, created on the
// main thread before the first test, on the offscreen platform unless the
// caller chose another. Include this header in exactly one source file of
// the test program.
class QtApplicationEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "korvex-widget-test";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
        // Settings a window stores go to a test location, not the user's,
        // and one of this process's own: each test runs as its own process,
        // in parallel, and a shared store would mix their recent files.
        QStandardPaths::setTestModeEnabled(true);
        settings = std::make_unique<TempFolder>();
        const QString settingsPath = QString::fromStdString(settings->File("config"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsPath);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsPath);
    }
    void TearDown() override {
        app.reset();
        settings.reset();
    }

  private:
    std::unique_ptr<TempFolder> settings;
    std::unique_ptr<QApplication> app;
};

inline ::testing::Environment* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace korvex::test
