#include "app/shell/QtOwnTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

namespace korvex::shell {
namespace {

QPointer<QTranslator> installed;

// "zh_CN.UTF-8" or "zh_CN@euro" → "zh_CN".
QString LocaleName(const std::string& locale) {
    const std::string name = locale.substr(0, locale.find_first_of(".@"));
    return QString::fromStdString(name);
}

}  // namespace

bool InstallQtOwnTexts(const std::string& locale) {
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }
    auto* translator = new QTranslator(QCoreApplication::instance());
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QLocale(LocaleName(locale)), QStringLiteral("qtbase"),
                          QStringLiteral("_"), folder)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
}

}  // namespace korvex::shell
