// Qt's own texts (file dialogs, message-box buttons, "Show Details…") in
// Chinese, as the rest of the window.
#pragma once

#include <QString>

class QCoreApplication;
class QTranslator;

namespace gradix {

// Qt's translation file of its base module in simplified Chinese.
inline constexpr const char* QT_CHINESE_TRANSLATION = "qtbase_zh_CN";

// Where Qt keeps its translations (QLibraryInfo::TranslationsPath).
QString qtTranslationsFolder();

// Loads QT_CHINESE_TRANSLATION from folder into translator and installs it
// in app. False, with nothing installed and nothing said, when the file is
// missing or unreadable: Qt then keeps its English texts.
bool installQtChinese(QCoreApplication& app, QTranslator& translator, const QString& folder = qtTranslationsFolder());

}  // namespace gradix
