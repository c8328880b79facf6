#include "app/common/BaseDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>

namespace name_share {

CBaseDlg::CBaseDlg(std::uint32_t templateId, QWidget* parent)
    : QDialog(parent), templateId(templateId) {
    XTPResourceManager()->LoadDialogTemplate(templateId, dialogTemplate);
    setWindowTitle(TemplateCaption());
}

CBaseDlg::~CBaseDlg() = default;

QString CBaseDlg::Caption(int controlId) const {
    const std::string* caption = dialogTemplate.ControlCaption(controlId);
    return caption ? QString::fromStdString(*caption) : QString();
}

QString CBaseDlg::TemplateCaption() const {
    return QString::fromStdString(dialogTemplate.caption);
}

void CBaseDlg::BindCaption(QWidget* widget, int controlId) {
    if (!widget) return;
    bindings.push_back({widget, controlId});
    ApplyCaption(widget, Caption(controlId));
}

void CBaseDlg::Relabel() {
    XTPDialogTemplate fresh;
    if (XTPResourceManager()->LoadDialogTemplate(templateId, fresh))
        dialogTemplate = std::move(fresh);
    setWindowTitle(TemplateCaption());
    // A bound widget destroyed before the dialog is skipped.
    std::erase_if(bindings, [](const Binding& b) { return b.widget.isNull(); });
    for (const Binding& binding : bindings)
        ApplyCaption(binding.widget, Caption(binding.controlId));
    OnRelabel();
}

void CBaseDlg::RelabelAll() {
    // Collected first: a relabel hook may create or destroy widgets.
    std::vector<QPointer<CBaseDlg>> dialogs;
    for (QWidget* widget : QApplication::allWidgets())
        if (auto* dialog = qobject_cast<CBaseDlg*>(widget)) dialogs.emplace_back(dialog);
    for (const QPointer<CBaseDlg>& dialog : dialogs)
        if (dialog) dialog->Relabel();
}

void CBaseDlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) Relabel();
    QDialog::changeEvent(event);
}

void CBaseDlg::ApplyCaption(QWidget* widget, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(widget))
        group->setTitle(text);
    else
        widget->setWindowTitle(text);
}

}  // namespace name_share
