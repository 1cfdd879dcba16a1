// The main window's controls as the commands see them: each Control is the
// Qt widget of the same object name inside the window.
#pragma once

#include <array>
#include <string>

#include "commands/form.h"

class QWidget;

namespace gradix {

// The object name of a control ("Text1", "Option1", "xpcmdbutton3", ...).
const char* controlName(Control c);

class QtForm : public Form {
public:
    // Looks up every control of window by its object name.
    // Raises std::logic_error when one is missing (a fault of the window).
    explicit QtForm(QWidget& window);

    // Text of a text box, label, check box or option button, in UTF-8.
    std::string text(Control c) const override;
    void setText(Control c, const std::string& text) override;
    // Whether Check1, Option1 or Option2 is checked.
    bool isChecked(Control c) const override;
    void setEnabled(Control c, bool enabled) override;
    void setFocus(Control c) override;

    // The widget of a control.
    QWidget* widget(Control c) const { return widgets_[static_cast<std::size_t>(c)]; }

private:
    std::array<QWidget*, CONTROL_COUNT> widgets_{};
};

}  // namespace gradix
