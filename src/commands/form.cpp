#include "commands/form.h"

namespace gradix {

FormState::FormState() {
    // The window's starting state: Text9 "0", Option1 selected, the status
    // line asking for initialisation; the compute controls disabled.
    setText(Control::Text9, "0");
    setText(Control::Label1, STATUS_START_BREAKS);
    setChecked(Control::Option1, true);
    for (Control c : {Control::Text9, Control::Check1, Control::Option1, Control::Option2, Control::Command4})
        setEnabled(c, true);
}

void FormState::setChecked(Control c, bool on) {
    checked_[index(c)] = on;
    // The two options exclude each other, as option buttons in one frame do.
    if (on && c == Control::Option1) checked_[index(Control::Option2)] = false;
    if (on && c == Control::Option2) checked_[index(Control::Option1)] = false;
}

}  // namespace gradix
