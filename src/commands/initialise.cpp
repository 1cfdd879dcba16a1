#include "commands/initialise.h"

#include <cctype>
#include <filesystem>
#include <optional>
#include <string>

#include "commands/landxmlproject.h"
#include "commands/trap.h"
#include "text/messages.h"

namespace gradix {

namespace {

// Step 8: the controls after a complete load, the cursor in the stake field.
void enableComputing(Form& form, bool alignmentMode) {
    if (!form.isChecked(Control::Option1)) return;
    for (Control c : {Control::Text1, Control::Text2, Control::Text3, Control::xpcmdbutton3})
        form.setEnabled(c, true);
    if (alignmentMode) form.setEnabled(Control::xpcmdbutton4, true);
    form.setFocus(Control::Text1);  // the next thing to type is a stake
}

// Keeps the message of a stake the profile reader refuses, which becomes
// the command's outcome.
class RefusalMessage : public MessageSink {
public:
    void activateMainWindow() override {}
    void showMessage(const std::string&, const std::string& text) override { message = text; }
    std::string message;
};

// The alignment (and its profile) of a LandXML file to load: the only one,
// or the person's choice when the file holds several; nullopt when the
// person cancels the choice.
std::optional<LandXmlChoice> chooseLandXmlAlignment(UserInterface& ui, const std::string& path) {
    const std::vector<LandXmlAlignmentSummary> alignments = listLandXml(path);
    if (alignments.size() == 1 && alignments.front().profiles.size() <= 1) return LandXmlChoice{};
    return ui.chooseLandXml(alignments);
}

// Runs a line reader and puts its notes into the project's notes, also
// those found before it fails: "FILE：TEXT", the text naming its line itself.
template <class Read>
void readNoting(Project& next, const std::string& path, const ReadReport& report, Read read) {
    const auto addNotes = [&] {
        for (const LineNote& note : report.notes) next.notes.push_back(msg::located(path, 0, note.text));
    };
    try {
        read();
    } catch (...) {
        addNotes();
        throw;
    }
    addNotes();
}

// Whether a folder holds a file with the extension (".sup"), in any case.
bool folderHolds(const std::filesystem::path& folder, const std::string& extension) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::string found = it->path().extension().string();
        for (char& c : found) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (found == extension && it->is_regular_file(ec)) return true;
    }
    return false;
}

// The cross-section files beside the road's file, asked for and loaded.
void chooseSurface(Project& next, UserInterface& ui, const std::string& roadFile) {
    const std::filesystem::path folder = std::filesystem::path(roadFile).parent_path();
    SurfaceFiles files;
    if (folderHolds(folder, ".sup") || ui.hasFileFor(SUPERELEVATION_DIALOG))
        files.superelevation = ui.openFile(SUPERELEVATION_DIALOG);
    if (folderHolds(folder, ".wid") || ui.hasFileFor(WIDTH_DIALOG)) files.widths = ui.openFile(WIDTH_DIALOG);
    if (!files.any()) return;
    // Cancelled, the axes stay at the centreline.
    if (const std::optional<SurfaceAxes> axes = ui.chooseSurfaceAxes({})) {
        files.designLine = axes->designLine;
        files.pivot = axes->pivot;
    }
    loadSurface(next, files);
}

std::string fileNameOr(const std::string& path, const char* none) {
    return path.empty() ? std::string(none) : std::filesystem::path(path).filename().string();
}

}  // namespace

void loadAlignment(Project& next, const std::string& icdPath, SampleTableNeed samples) {
    next.alignmentMode = true;
    next.icdFileName = icdPath;
    next.landXmlSuperelevation.clear();  // an ICD file has none
    dqicd(next.icdFileName, next.alignment, next.breaks, next.pi);
    if (samples == SampleTableNeed::Build) buildSampleTable(next.alignment, next.samples);
}

void loadChainBreaks(Project& next, const std::string& breaksPath) {
    next.alignmentMode = false;
    next.breaksFileName = breaksPath;
    ReadReport report;
    readNoting(next, breaksPath, report, [&] { readChainBreakFile(next.breaksFileName, next.breaks, &report); });
}

Outcome loadProfile(Project& next, const std::string& profilePath) {
    next.profileFileName = profilePath;
    RefusalMessage refusal;
    ReadReport report;
    ProfileRead read = ProfileRead::Loaded;
    readNoting(next, profilePath, report,
               [&] { read = readProfileFile(profilePath, next.breaks, refusal, next.profile, &report); });
    if (read == ProfileRead::StakeRefused)
        return Outcome::refused(refusal.message, msg::located(profilePath, next.profile.gradePointCount + 1,
                                                              msg::GRADE_POINT_STAKE_REFUSED));
    return Outcome::done();
}

void loadSurface(Project& next, const SurfaceFiles& files) {
    Surface surface;
    surface.designLine = files.designLine;
    surface.pivot = files.pivot;
    ReadReport report;
    // Without a superelevation file, the LandXML alignment's runs (or the
    // normal crown all along).
    const bool fromLandXml = files.superelevation.empty() && !next.landXmlSuperelevation.empty();
    if (files.superelevation.empty())
        setRunSlopes(surface, next.landXmlSuperelevation, files.section);
    else
        readNoting(next, files.superelevation, report,
                   [&] { readSuperelevationFile(files.superelevation, next.breaks, surface, &report); });
    ReadReport widthReport;
    if (files.widths.empty())
        setUniformWidths(surface, files.section);
    else
        readNoting(next, files.widths, widthReport, [&] { readWidthFile(files.widths, next.breaks, surface, &widthReport); });
    try {
        prepareSurface(surface);
    } catch (GradixError& e) {
        e.locate(files.widths.empty() ? files.superelevation : files.widths, 1);
        throw;
    }
    next.surface = std::move(surface);
    next.superelevationFileName = fromLandXml ? next.icdFileName : files.superelevation;
    next.widthFileName = files.widths;
}

Outcome loadSurfaceFiles(Project& project, UserInterface& ui, std::string& status) {
    return runTrapped([&] {
        if (!project.initialised)
            return Outcome::refused("请先初始化，再载入超高和宽度。", msg::notLoaded("纵断面（变坡点文件）"));
        SurfaceFiles files;
        files.superelevation = ui.openFile(SUPERELEVATION_DIALOG);
        files.widths = ui.openFile(WIDTH_DIALOG);
        if (!files.any()) return Outcome::cancelled();
        const std::optional<SurfaceAxes> axes =
            ui.chooseSurfaceAxes({project.surface.designLine, project.surface.pivot});
        if (!axes) return Outcome::cancelled();
        files.designLine = axes->designLine;
        files.pivot = axes->pivot;
        // Read beside the project, through its chain breaks; kept only once both have loaded.
        Project next;
        next.breaks = project.breaks;
        next.icdFileName = project.icdFileName;
        next.landXmlSuperelevation = project.landXmlSuperelevation;  // the slopes where no file is chosen
        loadSurface(next, files);
        project.surface = std::move(next.surface);
        project.superelevationFileName = next.superelevationFileName;
        project.widthFileName = next.widthFileName;
        project.notes.insert(project.notes.end(), next.notes.begin(), next.notes.end());
        status = "已载入超高和宽度：" + fileNameOr(files.superelevation, "默认") + "、" +
                 fileNameOr(files.widths, "默认");
        return Outcome::done();
    });
}

const char* statusOf(const Project& project, const Form& form) {
    if (!project.initialised) return form.isChecked(Control::Check1) ? STATUS_START_ALIGNMENT : STATUS_START_BREAKS;
    if (!form.isChecked(Control::Option1)) return STATUS_FILE;
    return project.alignmentMode ? STATUS_SINGLE_CAD : STATUS_SINGLE;
}

Outcome initialise(Project& project, Form& form, UserInterface& ui, const SettingsFile& settings) {
    std::string unitStatus;  // said after the status line: a LandXML file's unit conversion
    const Outcome outcome = runTrapped([&] {
        for (Control c : {Control::Text1, Control::Text2, Control::Text3}) form.setText(c, "");
        settings.SaveSettings(form.text(Control::Text9));

        Project next = project;
        next.pi = computePi();
        next.notes.clear();  // what this load notices, not what the last one did
        next.surface = Surface{};
        next.superelevationFileName.clear();
        next.widthFileName.clear();
        std::optional<LandXmlProject> landXml;
        if (form.isChecked(Control::Check1)) {
            const std::string path = ui.openFile(ICD_DIALOG);
            if (isLandXmlPath(path)) {
                const std::optional<LandXmlChoice> choice = chooseLandXmlAlignment(ui, path);
                if (!choice) return Outcome::cancelled();
                landXml = loadLandXmlAlignment(next, path, *choice);
            } else {
                loadAlignment(next, path);
            }
        } else {
            loadChainBreaks(next, ui.openFile(BREAKS_DIALOG));
        }
        // A LandXML alignment that brought its profile needs no profile file.
        if (!(landXml && landXml->hasProfile)) {
            if (const Outcome profile = loadProfile(next, ui.openFile(PROFILE_DIALOG)); !profile) return profile;
            chooseSurface(next, ui, next.profileFileName);
        } else {
            chooseSurface(next, ui, next.icdFileName);
        }

        next.initialised = true;
        project = std::move(next);
        enableComputing(form, project.alignmentMode);
        form.setEnabled(Control::Command3, true);
        if (landXml) unitStatus = landXmlUnitStatus(*landXml);
        return Outcome::done();
    });
    form.setText(Control::Label1, statusOf(project, form) + (outcome ? unitStatus : std::string()));
    return outcome;
}

}  // namespace gradix
