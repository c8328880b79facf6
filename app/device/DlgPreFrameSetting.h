#pragma once

#include <QPointer>
#include <QStyledItemDelegate>

#include "app/common/BaseDlg.h"
#include "app/device/DeviceDialogSupport.h"
#include "app/device/rules/PresetFrameRules.h"

class QTableWidget;

namespace korvex::device {

// The in-place editors of the preset list: a text field for the identifier
// and the data, a drop-down list for the three flag columns.
class CPresetCellDelegate : public QStyledItemDelegate {
    Q_OBJECT

  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

    // Writes the open editor's text into its cell and closes it.
    void CommitOpenEditor();

  private:
    mutable QPointer<QWidget> openEditor;
};

// "预设报文" (template 138): the six frames the recorder sends, edited in
// place, written with "设置" and read with "读取". The frames go back into
// the stored device setting when the dialog is destroyed.
class CDlgPreFrameSetting : public name_share::CBaseDlg {
    Q_OBJECT

  public:
    CDlgPreFrameSetting(::CANSetting& setting, DeviceWait deviceWait, QWidget* parent = nullptr);
    ~CDlgPreFrameSetting() override;

    const CPresetDialogRules& Rules() const { return rules; }
    QTableWidget* List() const { return list; }

    void OnWrite();
    void OnRead();

  protected:
    void OnRelabel() override;

  private:
    void ShowRows();
    void TakeRows();

    ::CANSetting& setting;
    DeviceWait deviceWait;
    CPresetDialogRules rules;
    QTableWidget* list;
    CPresetCellDelegate* delegate;
};

}  // namespace korvex::device
