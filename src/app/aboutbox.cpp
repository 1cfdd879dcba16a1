#include "app/aboutbox.h"
#include "gradix/version.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace gradix {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutfrm"));
    setWindowTitle(QStringLiteral("关于 Gradix"));
    setModal(true);

    auto* text = new QLabel(this);
    text->setObjectName(QStringLiteral("aboutText"));
    text->setTextFormat(Qt::RichText);
    text->setOpenExternalLinks(true);
    text->setText(QStringLiteral("<h2>%1</h2>"
                                 "<p>道路纵断面设计高程与切线纵坡计算</p>"
                                 "<p>版本 %2</p>"
                                 "<p>许可：%3</p>"
                                 "<p><a href=\"%4\">%4</a></p>")
                      .arg(QString::fromUtf8(PROGRAM_TITLE), QString::fromUtf8(GRADIX_SHORT_VERSION),
                           QString::fromUtf8(LICENCE_NAME), QString::fromUtf8(MAKER_WEB_PAGE)));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace gradix
