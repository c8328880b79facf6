#pragma once

#include <memory>
#include <optional>

#include "app/common/BaseDlg.h"
#include "core/frame/CanObj.h"
#include "core/signals/SignalDecoder.h"

class QLabel;
class QTreeWidget;

namespace korvex::signaldb {

// The "信号" pane: the selected frame's message name, then one row per
// decoded signal (name, physical value, unit, raw value in hexadecimal,
// value-table text; the signal's comment as tooltip).
class CSignalPane : public name_share::CBaseDlg {
    Q_OBJECT

  public:
    explicit CSignalPane(QWidget* parent = nullptr);

    void SetDecoder(std::shared_ptr<const CSignalDecoder> decoder);
    // Shows the signals of `frame`; none: the pane tells that nothing is
    // selected.
    void ShowFrame(const std::optional<_VCI_CAN_OBJ>& frame);

    QLabel* MessageLabel() const { return message; }
    QTreeWidget* Rows() const { return rows; }

  protected:
    void OnRelabel() override;

  private:
    void Refresh();

    std::shared_ptr<const CSignalDecoder> decoder;
    std::optional<_VCI_CAN_OBJ> frame;
    QLabel* message;
    QTreeWidget* rows;
};

}  // namespace korvex::signaldb
