#include "app/helpwindow.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace gradix {

namespace {

constexpr int HELP_WIDTH = 820;   // pixels
constexpr int HELP_HEIGHT = 720;  // pixels

}  // namespace

HelpWindow::HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window), browser_(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Gradix 帮助"));
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    browser_->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(HELP_WIDTH, HELP_HEIGHT);
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
    // Esc closes the help, wherever in it the focus is (the browser passes it on).
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HelpWindow::showHelp(const QString& helpFile) {
    if (QFileInfo(helpFile).isFile()) {
        browser_->setSource(QUrl::fromLocalFile(QFileInfo(helpFile).absoluteFilePath()));
        browser_->home();
    } else {
        browser_->setPlainText(QStringLiteral("找不到帮助文件：") + helpFile);
    }
    show();
    raise();
    activateWindow();
}

}  // namespace gradix
