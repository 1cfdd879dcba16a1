#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace gradix {

QString qtTranslationsFolder() { return QLibraryInfo::path(QLibraryInfo::TranslationsPath); }

bool installQtChinese(QCoreApplication& app, QTranslator& translator, const QString& folder) {
    if (!translator.load(QString::fromUtf8(QT_CHINESE_TRANSLATION), folder)) return false;
    return app.installTranslator(&translator);
}

}  // namespace gradix
