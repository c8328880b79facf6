#include "app/shell/ChildFrame.h"

#include <QCloseEvent>
#include <QDockWidget>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QThread>
#include <atomic>

#include "app/shell/KorvexView.h"
#include "app/shell/rules/ShellIds.h"
#include "core/KorvexGlobal.h"
#include "xtp/XTPResourceManager.h"

namespace korvex::shell {
namespace {

std::atomic<bool> closeAllowed{false};

struct PaneLayout {
    int id;
    Qt::DockWidgetArea side;
    int width;
    int height;
    int tabOf;  // 0: a pane of its own
};

// Sizes in dialog-independent pixels, as the panes were first created.
constexpr PaneLayout kPanes[] = {
    {pane::kSearch, Qt::RightDockWidgetArea, 200, 120, 0},
    {pane::kCluster, Qt::RightDockWidgetArea, 200, 120, pane::kSearch},
    {pane::kSearchResult, Qt::BottomDockWidgetArea, 210, 140, 0},
    {pane::kClusterResult, Qt::BottomDockWidgetArea, 210, 140, pane::kSearchResult},
    // The signals of the selected frame, below the search pane.
    {pane::kSignals, Qt::RightDockWidgetArea, 260, 200, 0},
    // Transport messages and fault codes, beside the search results.
    {pane::kDiagnostics, Qt::BottomDockWidgetArea, 210, 140, pane::kSearchResult},
};

QWidget* TitleOnly(const QString& title) {
    auto* label = new QLabel(title);
    label->setAlignment(Qt::AlignCenter);
    label->setObjectName(QStringLiteral("paneTitle"));
    return label;
}

}  // namespace

CChildFrame::CChildFrame(CKorvexGlobal& global, CKorvexProDoc& document, QWidget* parent)
    : QMainWindow(parent, Qt::Widget), global(global), document(document) {
    setObjectName(QStringLiteral("KorvexChildFrame"));
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);
    view = new CKorvexView(global, document, *this, this);
    setCentralWidget(view);

    for (const PaneLayout& layout : kPanes) {
        auto* dock = new QDockWidget(this);
        dock->setObjectName(QStringLiteral("pane%1").arg(layout.id));
        dock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                          QDockWidget::DockWidgetFloatable);
        panes.emplace(layout.id, dock);
        if (layout.tabOf)
            tabifyDockWidget(panes.at(layout.tabOf), dock);
        else
            addDockWidget(layout.side, dock);
    }
    RelabelPanes();
    for (const PaneLayout& layout : kPanes) {
        if (layout.tabOf) continue;
        QDockWidget* dock = panes.at(layout.id);
        const Qt::Orientation along =
            layout.side == Qt::RightDockWidgetArea ? Qt::Horizontal : Qt::Vertical;
        resizeDocks({dock}, {along == Qt::Horizontal ? layout.width : layout.height}, along);
        dock->raise();
    }
}

CChildFrame::~CChildFrame() = default;

QDockWidget* CChildFrame::Pane(int paneId) const {
    const auto found = panes.find(paneId);
    return found == panes.end() ? nullptr : found->second;
}

bool CChildFrame::IsPaneOpen(int paneId) const {
    const QDockWidget* dock = Pane(paneId);
    return dock && dock->toggleViewAction()->isChecked();
}

void CChildFrame::ShowPane(int paneId) {
    QDockWidget* dock = Pane(paneId);
    if (!dock) return;
    AttachContent(paneId);
    dock->show();
    dock->raise();
}

void CChildFrame::SetPaneWidget(int paneId, QWidget* content) {
    QDockWidget* dock = Pane(paneId);
    if (!dock || !content) return;
    QWidget* old = dock->widget();
    dock->setWidget(content);
    if (old && old != content) old->deleteLater();
    attached[paneId] = true;
}

void CChildFrame::SetPaneFactory(int paneId, PaneFactory factory) {
    factories[paneId] = std::move(factory);
    attached[paneId] = false;
    if (IsPaneOpen(paneId)) AttachContent(paneId);
}

void CChildFrame::AttachContent(int paneId) {
    if (attached[paneId]) return;
    const auto factory = factories.find(paneId);
    if (factory == factories.end() || !factory->second) return;
    if (QWidget* content = factory->second(*this)) SetPaneWidget(paneId, content);
}

void CChildFrame::RelabelPanes() {
    for (const auto& [id, dock] : panes) {
        const QString title = QString::fromStdString(XTPLoadString(static_cast<std::uint32_t>(id)));
        dock->setWindowTitle(title);
        if (!attached[id]) {
            if (auto* label = qobject_cast<QLabel*>(dock->widget()))
                label->setText(title);
            else
                dock->setWidget(TitleOnly(title));
        }
    }
}

void CChildFrame::ActivateFrame() {
    RelabelPanes();
    if (subWindow && subWindow->mdiArea()) subWindow->mdiArea()->setActiveSubWindow(subWindow);
}

void CChildFrame::SetSubWindow(QMdiSubWindow* window) {
    subWindow = window;
    if (subWindow) subWindow->installEventFilter(this);
}

void CChildFrame::AllowClose(bool allow) {
    closeAllowed.store(allow);
}

bool CChildFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == subWindow && event->type() == QEvent::Close && !closeAllowed.load()) {
        event->ignore();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (closeAllowed.load())
        QMainWindow::closeEvent(event);
    else
        event->ignore();
}

void CChildFrame::PostMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t) {
    if (QThread::currentThread() == thread())
        HandleMessage(msg, wParam);
    else
        QMetaObject::invokeMethod(
            this, [this, msg, wParam] { HandleMessage(msg, wParam); }, Qt::QueuedConnection);
}

void CChildFrame::HandleMessage(unsigned msg, std::uintptr_t wParam) {
    if (msg != msg::kSelectFrame) return;
    std::vector<CDataShowBase*>& sinks = global.CurrentSinks();
    const std::size_t position = global.bCurSelProtocol[0];
    // A stored protocol index beyond the sinks must not select in a list
    // that does not exist.
    if (position >= sinks.size() || !sinks[position]) return;
    sinks[position]->SelectRow(static_cast<int>(wParam));
}

}  // namespace korvex::shell
