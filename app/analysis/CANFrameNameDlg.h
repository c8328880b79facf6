#pragma once

#include "app/analysis/rules/AliasEditor.h"
#include "app/common/BaseDlg.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class CKorvexGlobal;

namespace korvex {

// The alias window (template 144): the alias rules of a frame-list window as
// lines "当…为…时别名为…", edited with Add, Delete and a double-click, kept
// by OK and dropped by Cancel. Its screen position is kept in the settings.
class CCANFrameNameDlg final : public name_share::CBaseDlg {
    Q_OBJECT

  public:
    static constexpr std::uint32_t kTemplate = 144;
    static constexpr std::uint32_t kCommand = 32820;

    CCANFrameNameDlg(CKorvexGlobal& global, int windowIndex, QWidget* parent = nullptr);

    void OnAdd();
    void OnDelete();
    // Loads the first selected line's rule into the edit row.
    void OnListDoubleClick();
    void OnOk();

    const CAliasEditor& Editor() const { return editor; }
    QListWidget* List() const { return list; }
    QComboBox* FieldBox() const { return fieldBox; }
    QLineEdit* ValueEdit() const { return valueEdit; }
    QComboBox* ValueBox() const { return valueBox; }
    QLineEdit* NameEdit() const { return nameEdit; }

    void done(int result) override;

  protected:
    void OnRelabel() override;
    void showEvent(QShowEvent* event) override;

  private:
    int CurrentField() const;
    // Shows the value edit or, for format and type, the value combo box.
    void ShowValueControl();
    void FillFieldBox();
    void FillList();
    void ShowFields(const AliasFields& fields, const std::string& name);

    CKorvexGlobal& global;
    int windowIndex;
    CAliasEditor editor;
    QListWidget* list;
    QComboBox* fieldBox;
    QLineEdit* valueEdit;
    QComboBox* valueBox;
    QLineEdit* nameEdit;
    bool placed = false;
};

}  // namespace korvex
