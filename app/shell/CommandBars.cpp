#include "app/shell/CommandBars.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>

#include "app/shell/rules/ShellIds.h"
#include "core/LanguageMenu.h"
#include "xtp/XTPResourceManager.h"

namespace korvex::shell {
namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// Accelerators 128, the framework's standard set. The framework's edit, save
// and print commands have no handler in this program; their keys stay
// reserved on the window so that they do nothing.
constexpr int kIdleUpdateMs = 250;
constexpr std::uint32_t kIdEditUndo = 57643;
constexpr std::uint32_t kIdEditCut = 57635;
constexpr std::uint32_t kIdEditPaste = 57637;
constexpr std::uint32_t kIdFileSave = 57603;
constexpr std::uint32_t kIdFilePrint = 57607;
constexpr std::uint32_t kIdNextPane = 57680;
constexpr std::uint32_t kIdPrevPane = 57681;

}  // namespace

const std::vector<std::uint32_t>& ToolbarButtons() {
    static const std::vector<std::uint32_t> buttons{cmd::kDeviceConfig, 0,
                                                    cmd::kPresetFrames, 0,
                                                    cmd::kUpload,       0,
                                                    cmd::kClearDevice,  0,
                                                    cmd::kAliasNames,   0,
                                                    cmd::kClearList,    0,
                                                    cmd::kExportData,   cmd::kImportData,
                                                    cmd::kBusStatus,    cmd::kSignalPlot};
    return buttons;
}

CCommandBars::CCommandBars(QMainWindow& window, std::function<void(std::uint32_t)> route,
                           std::function<CommandState(const ShellCommand&)> update)
    : QObject(&window), window(window), route(std::move(route)), update(std::move(update)) {
    // The shortcuts of accelerators 128 live on the window, so they work
    // whichever menu is shown.
    Action(cmd::kNew)->setShortcut(QKeySequence::New);
    Action(cmd::kOpen)->setShortcut(QKeySequence::Open);
    const std::pair<std::uint32_t, QList<QKeySequence>> reserved[] = {
        {kIdFileSave, {QKeySequence(Qt::CTRL | Qt::Key_S)}},
        {kIdFilePrint, {QKeySequence(Qt::CTRL | Qt::Key_P)}},
        {kIdEditUndo,
         {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)}},
        {kIdEditCut,
         {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)}},
        {kIdEditPaste,
         {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)}},
        {kIdNextPane, {QKeySequence(Qt::Key_F6)}},
        {kIdPrevPane, {QKeySequence(Qt::SHIFT | Qt::Key_F6)}},
    };
    for (const auto& [id, keys] : reserved) {
        auto* action = new QAction(&window);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setProperty("commandId", id);
        window.addAction(action);
    }
    // Buttons follow their rules while the window is idle, as menus do when
    // they open.
    auto* idle = new QTimer(this);
    connect(idle, &QTimer::timeout, this, &CCommandBars::UpdateAll);
    idle->start(kIdleUpdateMs);
    // Ctrl+C and Ctrl+Ins stay with the frame list (copy rows), which takes
    // them when it has the focus.
}

QAction* CCommandBars::Action(std::uint32_t id) {
    auto found = actions.find(id);
    if (found != actions.end()) return found->second;
    auto* action = new QAction(&window);
    action->setProperty("commandId", id);
    const std::optional<ShellCommand> command = FindShellCommand(id);
    if (command && (command->rule == UpdateRule::kCheckedClockTime ||
                    command->rule == UpdateRule::kCheckedRelativeTime ||
                    command->rule == UpdateRule::kCheckedLanguage))
        action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this, id] {
        UpdateAll();
        QAction* self = Action(id);
        if (self->isEnabled()) route(id);
        UpdateAll();
    });
    Relabel(id, *action);
    // On the window as well, so its shortcut works whichever menu is shown.
    window.addAction(action);
    actions.emplace(id, action);
    return action;
}

void CCommandBars::Relabel(std::uint32_t id, QAction& action) {
    const CommandText text = SplitCommandString(XTPLoadString(id));
    action.setStatusTip(Text(text.tip));
    action.setToolTip(Text(text.shortName.empty() ? text.tip : text.shortName));
    action.setIconText(Text(text.shortName));
}

void CCommandBars::RelabelActions() {
    for (const auto& [id, action] : actions) Relabel(id, *action);
    if (toolbar) toolbar->setWindowTitle(Text(XTPLoadString(res::kStrToolbarTitle)));
}

void CCommandBars::AddItems(QMenu& menu, const std::vector<XTPMenuItem>& items) {
    for (const XTPMenuItem& item : items) {
        if (item.IsPopup()) {
            QMenu* sub = menu.addMenu(Text(item.text));
            AddItems(*sub, item.popup);
        } else if (item.IsSeparator()) {
            menu.addSeparator();
        } else {
            QAction* action = Action(item.id);
            // The menu text carries its own mnemonic and shortcut text.
            action->setText(Text(item.text));
            menu.addAction(action);
        }
    }
}

void CCommandBars::BuildMenuBar(std::uint32_t menuId,
                                const std::vector<name_share::LanguageEntry>* languages,
                                int currentLanguage) {
    XTPMenu menu;
    XTPResourceManager()->LoadMenu(menuId, menu);
    if (languages) AppendLanguageMenu(menu, *languages, currentLanguage);
    QMenuBar* bar = window.menuBar();
    // The bar owns the pop-ups it made; clearing only takes their actions
    // off. They go once control is back in the event loop, since the rebuild
    // may run from a command of one of them.
    for (QAction* action : bar->actions())
        if (QMenu* popup = action->menu()) popup->deleteLater();
    bar->clear();
    languageMenu = nullptr;
    for (const XTPMenuItem& item : menu.items) {
        if (item.IsSeparator()) continue;
        if (!item.IsPopup()) {
            QAction* action = Action(item.id);
            action->setText(Text(item.text));
            bar->addAction(action);
            continue;
        }
        QMenu* popup = bar->addMenu(Text(item.text));
        AddItems(*popup, item.popup);
        connect(popup, &QMenu::aboutToShow, this, &CCommandBars::UpdateAll);
        if (languages && &item == &menu.items.back()) languageMenu = popup;
    }
    UpdateAll();
}

void CCommandBars::BuildToolbar() {
    if (!toolbar) {
        toolbar = window.addToolBar(QString());
        toolbar->setObjectName(QStringLiteral("Standard"));
        toolbar->setIconSize(QSize(48, 48));
        toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    }
    toolbar->clear();
    for (std::uint32_t id : ToolbarButtons()) {
        if (id == 0) {
            toolbar->addSeparator();
            continue;
        }
        QAction* action = Action(id);
        action->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(id)));
        toolbar->addAction(action);
    }
    RelabelActions();
}

void CCommandBars::UpdateAll() {
    for (const auto& [id, action] : actions) {
        const std::optional<ShellCommand> command = FindShellCommand(id);
        if (!command) continue;
        const CommandState state = update(*command);
        action->setEnabled(state.enabled);
        if (action->isCheckable()) action->setChecked(state.checked);
    }
}

}  // namespace korvex::shell
