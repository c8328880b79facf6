#pragma once

#include <QTimer>
#include <ctime>

#include "app/common/BaseDlg.h"
#include "app/device/DeviceDialogSupport.h"
#include "app/device/rules/ConfigDialogRules.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace korvex::device {

// "配置" (template 130): the recorder's configuration, read, edited and
// written. It works on a copy of the stored base configuration and filter
// record and gives them back when it is destroyed.
class CDlgConfig : public name_share::CBaseDlg {
    Q_OBJECT

  public:
    CDlgConfig(::CANSetting& setting, DeviceWait deviceWait, QWidget* parent = nullptr,
               std::time_t now = std::time(nullptr));
    ~CDlgConfig() override;

    const CConfigDialogRules& Rules() const { return rules; }

    // The buttons and the running clock, as the user triggers them.
    void OnRead();
    void OnConfig();
    void OnDefault();
    void OnAdd();
    void OnDelete();
    void OnTimer();

  protected:
    void OnRelabel() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The controls' values into the rules and back.
    void FromWidgets();
    void ToWidgets();
    void ApplyEnabling();
    void ShowRows();
    void OnCalculator();
    void Answer(const DeviceMessage& message);

    ::CANSetting& setting;
    DeviceWait deviceWait;
    CConfigDialogRules rules;
    QTimer clockTimer;

    QComboBox* device;
    QComboBox* bitRate;
    QCheckBox* custom;
    QLineEdit* customRegister;
    QPushButton* calculator;
    QComboBox* mode;
    QLineEdit* interval;
    QLineEdit* clock;
    QRadioButton* io0;
    QRadioButton* io1;
    QCheckBox* resistor;
    QCheckBox* filterEnable;
    QComboBox* filterFormat;
    QLineEdit* startId;
    QLineEdit* endId;
    QPushButton* add;
    QPushButton* remove;
    QTableWidget* filterList;
};

}  // namespace korvex::device
