#include "app/shell/DeviceWait.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>

#include <chrono>
#include <thread>

#include "app/shell/rules/DeviceGate.h"
#include "app/shell/rules/ShellIds.h"
#include "xtp/XTPResourceManager.h"

namespace korvex::shell {
namespace {

constexpr int kRetryMs = 20;

QStatusBar* MainStatusBar() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* main = qobject_cast<QMainWindow*>(widget);
            main && main->objectName() == QLatin1String("KorvexMainFrame"))
            return main->statusBar();
    return nullptr;
}

}  // namespace

std::unique_lock<std::mutex> WaitForDevice() {
    std::unique_lock<std::mutex> gate = CDeviceGate::TryEnter();
    if (gate.owns_lock()) return gate;

    bool quitting = false;
    const QMetaObject::Connection quit =
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, [&quitting] { quitting = true; });
    const QString waiting = QString::fromStdString(XTPLoadString(res::kStrWaitingForDevice));
    QApplication::setOverrideCursor(Qt::BusyCursor);
    while (!gate.owns_lock() && !quitting) {
        if (QStatusBar* bar = MainStatusBar()) bar->showMessage(waiting);
        QEventLoop wait;
        QTimer::singleShot(kRetryMs, &wait, &QEventLoop::quit);
        QElapsedTimer waited;
        waited.start();
        wait.exec();
        // A loop asked to quit returns at once; do not spin meanwhile.
        if (waited.elapsed() < kRetryMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(kRetryMs - waited.elapsed()));
        gate = CDeviceGate::TryEnter();
    }
    QApplication::restoreOverrideCursor();
    QObject::disconnect(quit);
    if (QStatusBar* bar = MainStatusBar(); bar && bar->currentMessage() == waiting)
        bar->clearMessage();
    return gate;
}

}  // namespace korvex::shell
