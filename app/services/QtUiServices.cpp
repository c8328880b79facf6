#include "app/services/QtUiServices.h"

#include <QClipboard>
#include <QCursor>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QUrl>

#include "app/services/WindowHandle.h"
#include "xtp/XTPFileFilter.h"

namespace korvex {
namespace {

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::Icon IconOf(std::uint32_t type) {
    switch (type & xtp_mb::kIconMask) {
        case xtp_mb::kIconError:
            return QMessageBox::Critical;
        case xtp_mb::kIconQuestion:
            return QMessageBox::Question;
        case xtp_mb::kIconWarning:
            return QMessageBox::Warning;
        case xtp_mb::kIconInformation:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// Fills `menu` with the items of a menu resource; each command's id rides on
// its action.
void AddItems(QMenu& menu, const std::vector<XTPMenuItem>& items) {
    for (const XTPMenuItem& item : items) {
        if (item.IsPopup()) {
            AddItems(*menu.addMenu(Text(item.text)), item.popup);
        } else if (item.IsSeparator()) {
            menu.addSeparator();
        } else {
            QAction* action = menu.addAction(Text(item.text));
            action->setData(item.id);
            action->setCheckable(item.checked);
            action->setChecked(item.checked);
        }
    }
}

bool RunFileDialog(QFileDialog::AcceptMode mode, CWnd* owner, const XTPFileDialogRequest& request,
                   std::string& path) {
    QFileDialog dialog(ToWidget(owner));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                       : QFileDialog::ExistingFile);
    const QStringList filters = Text(QtNameFilters(request.filter)).split(";;", Qt::SkipEmptyParts);
    dialog.setNameFilters(filters);
    if (!request.fileName.empty()) dialog.selectFile(Text(request.fileName));
    if ((request.flags & xtp_ofn::kOverwritePrompt) == 0)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // The suffix follows the chosen filter, so the overwrite question is asked
    // for the name that will be written.
    const auto suffixFor = [&request, &filters](const QString& filter) {
        return Text(DefaultSuffix(request.filter, static_cast<int>(filters.indexOf(filter)),
                                  request.defaultExt));
    };
    dialog.setDefaultSuffix(suffixFor(filters.value(0)));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, &suffixFor](const QString& filter) {
                         dialog.setDefaultSuffix(suffixFor(filter));
                     });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    const std::string chosen = dialog.selectedFiles().front().toStdString();
    path = WithDefaultSuffix(chosen, suffixFor(dialog.selectedNameFilter()).toStdString());
    return true;
}

}  // namespace

int CQtUiServices::MessageBox(CWnd* owner, const std::string& text, const std::string& caption,
                              std::uint32_t type) {
    QMessageBox box(IconOf(type), Text(caption), Text(text), QMessageBox::NoButton,
                    ToWidget(owner));
    switch (type & 0x0F) {
        case xtp_mb::kOkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case xtp_mb::kYesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        default:
            box.setStandardButtons(QMessageBox::Ok);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Ok:
            return xtp_mb::kIdOk;
        case QMessageBox::Cancel:
            return xtp_mb::kIdCancel;
        case QMessageBox::Yes:
            return xtp_mb::kIdYes;
        case QMessageBox::No:
            return xtp_mb::kIdNo;
        default:
            return type & 0x0F ? xtp_mb::kIdCancel : xtp_mb::kIdOk;
    }
}

std::uint32_t CQtUiServices::TrackPopupMenu(const XTPMenuItem& popup, CWnd* owner) {
    QMenu menu(ToWidget(owner));
    AddItems(menu, popup.popup);
    const QAction* chosen = menu.exec(QCursor::pos());
    return chosen != nullptr ? chosen->data().toUInt() : 0;
}

bool CQtUiServices::OpenFile(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(Text(path)));
}

bool CQtUiServices::SetClipboardText(const std::string& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) return false;
    clipboard->setText(Text(text));
    return true;
}

std::string CQtUiServices::ClipboardText() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard != nullptr ? clipboard->text().toStdString() : std::string();
}

bool CQtUiServices::SaveFileDialog(CWnd* owner, const XTPFileDialogRequest& request,
                                   std::string& path) {
    return RunFileDialog(QFileDialog::AcceptSave, owner, request, path);
}

bool CQtUiServices::OpenFileDialog(CWnd* owner, const XTPFileDialogRequest& request,
                                   std::string& path) {
    return RunFileDialog(QFileDialog::AcceptOpen, owner, request, path);
}

}  // namespace korvex
