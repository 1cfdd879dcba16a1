#include "commands/initialise.h"

#include "commands/trap.h"

namespace gradix {

namespace {

// Step 8: the controls and the status line after a complete load.
void enableComputing(Form& form, bool alignmentMode) {
    if (form.isChecked(Control::Option1)) {
        for (Control c : {Control::Text1, Control::Text2, Control::Text3, Control::xpcmdbutton3})
            form.setEnabled(c, true);
        if (alignmentMode) {
            form.setEnabled(Control::xpcmdbutton4, true);
            form.setText(Control::Label1, STATUS_SINGLE_CAD);
        } else {
            form.setText(Control::Label1, STATUS_SINGLE);
        }
    } else {
        form.setText(Control::Label1, STATUS_FILE);
    }
}

}  // namespace

bool initialise(Project& project, Form& form, UserInterface& ui, const SettingsFile& settings) {
    return runTrapped(ui, [&] {
        for (Control c : {Control::Text1, Control::Text2, Control::Text3}) form.setText(c, "");
        settings.SaveSettings(form.text(Control::Text9));
        project.pi = computePi();

        const bool alignmentMode = form.isChecked(Control::Check1);
        if (alignmentMode) {
            project.icdFileName = ui.openFile(ICD_DIALOG);
            dqicd(project.icdFileName, project.alignment, project.breaks, project.pi);
            buildSampleTable(project.alignment, project.samples);
        } else {
            readChainBreakFile(ui.openFile(BREAKS_DIALOG), project.breaks);
        }

        const std::string profilePath = ui.openFile(PROFILE_DIALOG);
        if (readProfileFile(profilePath, project.breaks, ui, project.profile) == ProfileRead::StakeRefused)
            return false;

        enableComputing(form, alignmentMode);
        project.initialised = true;
        form.setEnabled(Control::Command3, true);
        return true;
    });
}

}  // namespace gradix
