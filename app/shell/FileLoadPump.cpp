#include "app/shell/FileLoadPump.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>

#include "core/KorvexGlobal.h"
#include "protolens/include/protolens.h"

namespace korvex::shell {
namespace {

constexpr auto kPumpInterval = std::chrono::milliseconds(100);

// The pump of the load being read, if any.
CFileLoadPump* current = nullptr;

}  // namespace

CFileLoadPump::CFileLoadPump(CKorvexGlobal& global, std::function<void(long long)> showCount)
    : global(global), showCount(std::move(showCount)) {
    if (current == nullptr) current = this;
    if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

CFileLoadPump::~CFileLoadPump() {
    if (current == this) current = nullptr;
}

bool CFileLoadPump::Busy() {
    return current != nullptr;
}

PassSplit CFileLoadPump::Split() {
    PassSplit split;
    split.cancel = &cancel;
    split.progress = [this](std::int64_t done, std::int64_t) { Pump(done); };
    return split;
}

void CFileLoadPump::Finish() {
    if (pumped && showCount) showCount(lastDone);
}

void CFileLoadPump::Pump(long long done) {
    lastDone = done;
    // The first rows show as soon as the first block is read; after that the
    // window is looked after a few times a second.
    const auto now = std::chrono::steady_clock::now();
    if (pumped && now - lastPumped < kPumpInterval) return;
    pumped = true;
    lastPumped = now;
    if (showCount) showCount(done);
    for (CDataShowBase* sink : global.CurrentSinks()) sink->Redraw();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

bool CFileLoadPump::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        cancel.store(true);
        return true;
    }
    if (event->type() == QEvent::Close || event->type() == QEvent::Quit) cancel.store(true);
    return QObject::eventFilter(watched, event);
}

}  // namespace korvex::shell
