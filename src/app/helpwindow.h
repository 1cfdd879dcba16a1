// The help window: the program's help, an HTML file beside the program,
// shown in a browser owned by the main window.
#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace gradix {

// File name of the help beside the program.
inline constexpr const char* HELP_FILE_NAME = "gradix.html";

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    // owner: the main window; the help window stays above it and closes with
    // it, or with Esc.
    explicit HelpWindow(QWidget* owner);

    // Shows helpFile from its start and brings the window to the front. A
    // missing file is said so in the window itself.
    void showHelp(const QString& helpFile);

    QTextBrowser* browser() const { return browser_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTextBrowser* browser_;
};

}  // namespace gradix
