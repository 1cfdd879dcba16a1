#include "app/aboutbox.h"
#include "gradix/version.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace gradix {

AboutBox::AboutBox(QWidget* parent, const QUrl& page) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutfrm"));
    setWindowTitle(QStringLiteral("关于 Gradix"));
    setModal(true);

    auto* text = new QLabel(this);
    text->setObjectName(QStringLiteral("aboutText"));
    text->setTextFormat(Qt::RichText);
    text->setOpenExternalLinks(true);
    const QString shown = page.isLocalFile() ? page.toLocalFile() : page.toString();
    text->setText(QStringLiteral("<h2>%1</h2>"
                                 "<p>道路纵断面设计高程与切线纵坡计算</p>"
                                 "<p>版本 %2</p>"
                                 "<p>许可：Gradix 按 %3 发布（见 LICENSE）。</p>"
                                 "<p>所链接的库：<br>%4</p>"
                                 "<p>项目主页：<a href=\"%5\">%6</a></p>")
                      .arg(QString::fromUtf8(PROGRAM_TITLE), QString::fromUtf8(GRADIX_SHORT_VERSION),
                           QString::fromUtf8(LICENCE_NAME), QString::fromUtf8(LINKED_LICENCES),
                           page.toString(QUrl::FullyEncoded), shown.toHtmlEscaped()));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace gradix
