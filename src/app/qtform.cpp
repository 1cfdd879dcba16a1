#include "app/qtform.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <stdexcept>

namespace gradix {

namespace {

// In the order of enum Control.
constexpr std::array<const char*, CONTROL_COUNT> CONTROL_NAMES{
    "Text1",   "Text2",    "Text3",    "Text9",        "Check1",       "Option1",
    "Option2", "Command3", "Command4", "xpcmdbutton3", "xpcmdbutton4", "Label1",
};

}  // namespace

const char* controlName(Control c) { return CONTROL_NAMES[static_cast<std::size_t>(c)]; }

QtForm::QtForm(QWidget& window) {
    for (std::size_t i = 0; i < CONTROL_COUNT; ++i) {
        QWidget* w = window.objectName() == QLatin1String(CONTROL_NAMES[i])
                         ? &window
                         : window.findChild<QWidget*>(QLatin1String(CONTROL_NAMES[i]));
        if (!w) throw std::logic_error(std::string("the window has no control ") + CONTROL_NAMES[i]);
        widgets_[i] = w;
    }
}

std::string QtForm::text(Control c) const {
    QWidget* w = widget(c);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text().toStdString();
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text().toStdString();
    return {};
}

void QtForm::setText(Control c, const std::string& text) {
    QWidget* w = widget(c);
    const QString value = QString::fromStdString(text);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setText(value);
    else if (auto* label = qobject_cast<QLabel*>(w)) label->setText(value);
    else if (auto* button = qobject_cast<QAbstractButton*>(w)) button->setText(value);
}

bool QtForm::isChecked(Control c) const {
    auto* button = qobject_cast<QAbstractButton*>(widget(c));
    return button && button->isChecked();
}

void QtForm::setEnabled(Control c, bool enabled) { widget(c)->setEnabled(enabled); }

void QtForm::setFocus(Control c) { widget(c)->setFocus(Qt::OtherFocusReason); }

}  // namespace gradix
