#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "app/services/QtUiServices.h"
#include "app/services/WindowHandle.h"
#include "tests/support/TempFolder.h"

namespace {

// Runs `answer` on the dialog or menu once it is up, as a user would.
template <typename Widget>
void WhenShown(std::function<void(Widget&)> answer) {
    QTimer::singleShot(0, [answer] {
        QWidget* up = QApplication::activePopupWidget();
        if (up == nullptr) up = QApplication::activeModalWidget();
        Widget* widget = qobject_cast<Widget*>(up);
        if (widget == nullptr) {
            WhenShown(answer);
            return;
        }
        answer(*widget);
    });
}

}  // namespace

class QtUiServicesTest : public QObject {
    Q_OBJECT

  private slots:
    void messageBoxShowsTheIconAndButtonsOfItsType();
    void popupMenuReturnsTheChosenCommand();
    void saveDialogAddsTheChosenFiltersExtension();
};

void QtUiServicesTest::messageBoxShowsTheIconAndButtonsOfItsType() {
    korvex::CQtUiServices services;
    const struct {
        std::uint32_t type;
        QMessageBox::Icon icon;
        QMessageBox::StandardButton press;
        int result;
    } cases[] = {
        {xtp_mb::kOk | xtp_mb::kIconError, QMessageBox::Critical, QMessageBox::Ok, xtp_mb::kIdOk},
        {xtp_mb::kYesNo | xtp_mb::kIconQuestion, QMessageBox::Question, QMessageBox::No,
         xtp_mb::kIdNo},
        {xtp_mb::kOkCancel | xtp_mb::kIconWarning, QMessageBox::Warning, QMessageBox::Cancel,
         xtp_mb::kIdCancel},
        {xtp_mb::kIconInformation, QMessageBox::Information, QMessageBox::Ok, xtp_mb::kIdOk},
    };
    for (const auto& c : cases) {
        QMessageBox::Icon shown = QMessageBox::NoIcon;
        QString caption;
        WhenShown<QMessageBox>([&](QMessageBox& box) {
            shown = box.icon();
            caption = box.windowTitle();
            box.button(c.press)->click();
        });
        QCOMPARE(services.MessageBox(nullptr, "无法创建文件", "Error", c.type), c.result);
        QCOMPARE(shown, c.icon);
        QCOMPARE(caption, QString("Error"));
    }
}

void QtUiServicesTest::popupMenuReturnsTheChosenCommand() {
    korvex::CQtUiServices services;
    XTPMenuItem popup{"rcrdlist", 0, {{"清空", 32800, {}}, {}, {"时钟时间", 32789, {}}}};
    popup.popup[2].checked = true;
    QStringList texts;
    bool checked = false;
    WhenShown<QMenu>([&](QMenu& menu) {
        const QList<QAction*> actions = menu.actions();
        for (QAction* action : actions) texts << action->text();
        checked = actions[2]->isChecked() && !actions[0]->isChecked();
        QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(actions[2]).center());
    });
    QCOMPARE(services.TrackPopupMenu(popup, nullptr), 32789u);
    QCOMPARE(texts, (QStringList{"清空", "", "时钟时间"}));
    QVERIFY(checked);
}

void QtUiServicesTest::saveDialogAddsTheChosenFiltersExtension() {
    korvex::CQtUiServices services;
    korvex::test::TempFolder dir;
    XTPFileDialogRequest request;
    request.defaultExt = "txt||can";
    request.filter = "Text File(*.txt)|*.txt|Korvex data file(*.can)|*.can||";
    request.flags = xtp_ofn::kOverwritePrompt;
    QStringList filters;
    WhenShown<QFileDialog>([&](QFileDialog& dialog) {
        filters = dialog.nameFilters();
        dialog.setDirectory(QString::fromStdString(dir.Path().string()));
        // The user picks the second type in the dialog's own list.
        QComboBox* types = dialog.findChild<QComboBox*>("fileTypeCombo");
        QVERIFY(types != nullptr);
        QTest::keyClick(types, Qt::Key_Down);
        dialog.selectFile("frames");
        static_cast<QDialog&>(dialog).accept();  // as the Save button does
    });
    std::string path;
    QVERIFY(services.SaveFileDialog(nullptr, request, path));
    QCOMPARE(filters, (QStringList{"Text File(*.txt)", "Korvex data file(*.can)"}));
    QCOMPARE(QString::fromStdString(path), QString::fromStdString(dir.File("frames.can")));

    WhenShown<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
    path = "kept";
    QVERIFY(!services.OpenFileDialog(nullptr, request, path));
    QCOMPARE(path, std::string("kept"));
}

QTEST_MAIN(QtUiServicesTest)
#include "QtUiServicesTest.moc"
