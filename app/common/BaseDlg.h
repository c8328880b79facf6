#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <vector>

#include "xtp/XTPResourceManager.h"

class QWidget;

namespace name_share {

// The base of the program's dialogs. The texts come from a dialog template of
// the installed resource manager: the dialog's caption and each control's
// caption, looked up by control id, so a language file translates every
// dialog without touching its code. The layout is the derived dialog's own,
// built with Qt layouts, so translated texts never overlap; the template's
// positions are not used.
//
// Use:
//   class CMyDlg : public name_share::CBaseDlg {
//     CMyDlg(QWidget* parent) : CBaseDlg(5134, parent) {
//       auto* ok = new QPushButton(this);
//       BindCaption(ok, 1);          // text from control 1, kept on relabel
//       ...layouts...
//       Relabel();                   // fill every text once
//     }
//     void OnRelabel() override { /* texts that are not plain captions */ }
//   };
//
// Relabel() runs again when the dialog receives QEvent::LanguageChange, and
// RelabelAll() relabels every dialog that exists (the program calls it after
// switching the language).
class CBaseDlg : public QDialog {
    Q_OBJECT

  public:
    // `templateId`: the dialog template's resource number. The template is
    // loaded at once; an unknown number leaves every caption empty.
    CBaseDlg(std::uint32_t templateId, QWidget* parent);
    ~CBaseDlg() override;

    std::uint32_t TemplateId() const { return templateId; }

    // The caption of the first control with `controlId` in the template, or
    // an empty text when the template has no such control.
    QString Caption(int controlId) const;

    // The template's own caption (the window title).
    QString TemplateCaption() const;

    // Shows `widget` with the caption of `controlId` (QLabel, QAbstractButton
    // and QGroupBox; other widgets take it as their window title) now and at
    // every relabel.
    void BindCaption(QWidget* widget, int controlId);

    // Reloads the template through the installed resource manager, sets the
    // window title and the bound captions, then calls OnRelabel().
    void Relabel();

    // Relabels every CBaseDlg of the application.
    static void RelabelAll();

  protected:
    // Called at the end of every Relabel() for texts that are not a plain
    // control caption (formatted texts, table headers, numbered strings).
    virtual void OnRelabel() {}

    const XTPDialogTemplate& Template() const { return dialogTemplate; }

    void changeEvent(QEvent* event) override;

  private:
    struct Binding {
        QPointer<QWidget> widget;
        int controlId;
    };

    static void ApplyCaption(QWidget* widget, const QString& text);

    std::uint32_t templateId;
    XTPDialogTemplate dialogTemplate;
    std::vector<Binding> bindings;
};

}  // namespace name_share
