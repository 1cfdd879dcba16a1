#include "app/aboutbox.h"
#include "gradix/version.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace gradix {

namespace {

// A link that shows its address: a local file by its path.
QString linkTo(const QUrl& url) {
    const QString shown = url.isLocalFile() ? url.toLocalFile() : url.toString();
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(url.toString(QUrl::FullyEncoded), shown.toHtmlEscaped());
}

}  // namespace

AboutBox::AboutBox(QWidget* parent, const QUrl& manual, const QUrl& homepage) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutfrm"));
    setWindowTitle(QStringLiteral("关于 Gradix"));
    setModal(true);

    auto* text = new QLabel(this);
    text->setObjectName(QStringLiteral("aboutText"));
    text->setTextFormat(Qt::RichText);
    text->setOpenExternalLinks(true);
    const QString web = homepage.isEmpty() ? QString() : QStringLiteral("<p>项目主页：%1</p>").arg(linkTo(homepage));
    text->setText(QStringLiteral("<h2>%1</h2>"
                                 "<p>道路纵断面设计高程与切线纵坡计算</p>"
                                 "<p>版本 %2</p>"
                                 "<p>许可：Gradix 按 %3 发布（见 LICENSE）。</p>"
                                 "<p>所链接的库：<br>%4</p>"
                                 "<p>用户手册：%5</p>%6")
                      .arg(QString::fromUtf8(PROGRAM_TITLE), QString::fromUtf8(GRADIX_SHORT_VERSION),
                           QString::fromUtf8(LICENCE_NAME), QString::fromUtf8(LINKED_LICENCES), linkTo(manual), web));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace gradix
