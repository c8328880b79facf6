#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <cstdint>

#include "app/common/BaseDlg.h"
#include "app/device/rules/BitTiming.h"

class QCheckBox;
class QDoubleSpinBox;
class QSpinBox;
class QTableView;

namespace korvex::device {

// The calculator's result list: one row per register value, texts and
// colours made when a cell is asked for.
class CBitTimingModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit CBitTimingModel(const CBitTimingRules& rules, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The results were replaced.
    void Refresh();
    void Relabel();

  private:
    const CBitTimingRules& rules;
    std::array<QString, kBitTimingColumns> captions;
    QIcon iconOther;     // image 0
    QIcon iconStandard;  // image 1: a value of the bit-rate table
};

// "波特率计算" (template 5135): lists the register values for a clock and a
// bit rate; OK returns the value clicked, 0xFFFFFFFF when none was.
class CBitTimingDlg : public name_share::CBaseDlg {
    Q_OBJECT

  public:
    explicit CBitTimingDlg(QWidget* parent = nullptr);

    std::uint32_t SelectedValue() const { return rules.Selected(); }
    const CBitTimingRules& Rules() const { return rules; }

    void Calculate();

  protected:
    void OnRelabel() override;

  private:
    CBitTimingRules rules;
    CBitTimingModel* model;
    QTableView* list;
    QCheckBox* triple;
    QCheckBox* rule;
    QDoubleSpinBox* clock;
    QSpinBox* rate;
    QSpinBox* sjw;
};

}  // namespace korvex::device
