#include "commands/initialise.h"

#include "commands/landxmlproject.h"
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

// Alignment mode with a LandXML file: the alignment (and profile, when
// several are in the file, as the person chooses), its station equations as
// the chain-break table, and its profile when it has one. Returns false when
// the person cancels the choice; read tells what the file was read with.
bool loadLandXml(Project& project, UserInterface& ui, const std::string& path, LandXmlProject& read) {
    const std::vector<LandXmlAlignmentSummary> alignments = listLandXml(path);
    LandXmlChoice choice;
    if (alignments.size() > 1 || alignments.front().profiles.size() > 1) {
        const std::optional<LandXmlChoice> chosen = ui.chooseLandXml(alignments);
        if (!chosen) return false;
        choice = *chosen;
    }
    read = loadLandXmlProject(project, path, choice);
    return true;
}

// The status line after a LandXML file in other units than metres.
std::string unitStatus(const std::string& status, const LandXmlProject& read) {
    return read.linearUnit == "meter" ? status : status + "（LandXML长度单位" + read.linearUnit + "已换算为米）";
}

}  // namespace

bool initialise(Project& project, Form& form, UserInterface& ui, const SettingsFile& settings) {
    return runTrapped(ui, [&] {
        for (Control c : {Control::Text1, Control::Text2, Control::Text3}) form.setText(c, "");
        settings.SaveSettings(form.text(Control::Text9));
        project.pi = computePi();

        const bool alignmentMode = form.isChecked(Control::Check1);
        std::optional<LandXmlProject> landXml;
        if (alignmentMode) {
            const std::string path = ui.openFile(ICD_DIALOG);
            if (isLandXmlPath(path)) {
                landXml.emplace();
                if (!loadLandXml(project, ui, path, *landXml)) return false;
            } else {
                project.icdFileName = path;
                dqicd(project.icdFileName, project.alignment, project.breaks, project.pi);
                buildSampleTable(project.alignment, project.samples);
            }
        } else {
            readChainBreakFile(ui.openFile(BREAKS_DIALOG), project.breaks);
        }

        // A LandXML alignment that brought its profile needs no profile file.
        if (!(landXml && landXml->hasProfile)) {
            const std::string profilePath = ui.openFile(PROFILE_DIALOG);
            if (readProfileFile(profilePath, project.breaks, ui, project.profile) == ProfileRead::StakeRefused)
                return false;
        }

        enableComputing(form, alignmentMode);
        if (landXml) {
            form.setText(Control::Label1, unitStatus(form.text(Control::Label1), *landXml));
            const std::string notes = landXmlNotesText(*landXml);
            if (!notes.empty()) ui.showMessage(LANDXML_NOTES_TITLE, notes);
        }
        project.initialised = true;
        form.setEnabled(Control::Command3, true);
        return true;
    });
}

}  // namespace gradix
