// The two drawing commands: pick a point near the road and annotate its
// stake, elevation and grade; select a stake label and compute it.
#pragma once

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "cad/cad.h"
#include "commands/form.h"
#include "commands/labels.h"
#include "commands/outcome.h"
#include "commands/project.h"
#include "commands/settings.h"
#include "commands/userinterface.h"

namespace gradix {

// Prompts of the two picks.
inline constexpr const char* PICK_ROAD_PROMPT = "===点取设计线范围任意点：===";
inline constexpr const char* PICK_INSERTION_PROMPT = "点取计算结果显示插入点:";
// Drawing items the annotation uses, found by name on every run.
inline constexpr const char* WORLD_UCS_NAME = "xy";
inline constexpr const char* ANNOTATION_STYLE = "jp";
inline constexpr const char* ANNOTATION_FONT = "fsdb_e.shx";
inline constexpr const char* ANNOTATION_BIG_FONT = "fsdb.shx";
inline constexpr double ANNOTATION_STYLE_HEIGHT = 5.0;
inline constexpr double ANNOTATION_WIDTH_FACTOR = 0.75;
inline constexpr double ANNOTATION_HEIGHT = 5.0;
inline constexpr int ANNOTATION_COLOR = 1;  // red
inline constexpr const char* ANNOTATION_LAYER = "纵断面设计高程";

// The three texts of an annotation: the stake, the elevation "0.0000" and the
// grade in percent "0.0000", as the single-stake compute shows them.
struct AnnotationValues {
    std::string stake;
    std::string elevation;
    std::string grade;
};

// The side that runs a drawing command (the main window, or gradix-cli):
// where the settings go, where the rotation angle comes from, and how the
// stake found in the drawing is computed and shown.
class DrawingHost {
public:
    virtual ~DrawingHost() = default;
    // Saves the settings before the drawing is worked on.
    virtual void saveSettings() = 0;
    // The rotation angle of the annotation in degrees, as text (read with
    // the leading-number rule: no number is 0).
    virtual std::string rotationText() = 0;
    // Computes stake as the compute command does and shows the result.
    // Answers the compute's outcome, and fills values when it produced the
    // single-stake results of this very stake.
    virtual Outcome compute(const std::string& stake, std::optional<AnnotationValues>& values) = 0;
    // Brings the main window to the front.
    virtual void activateMainWindow() = 0;
    // The stake labels of a selection that holds two or more, in selection
    // order, to be computed and listed; nothing by default.
    virtual void listStakeLabels(const std::vector<SelectedLabel>& labels) { (void)labels; }
};

// What the command line says after a pick, before the insertion point is
// asked for: "桩号 K1+200.000  高程 106.7260  纵坡 0.1000%  偏距 右 3.215"; the
// offset in metres, positive right of increasing chainage.
std::string pickEcho(const AnnotationValues& values, double offsetRight);
// The command line's warning for a pick distance metres (> FAR_PICK_DISTANCE)
// from the road.
inline constexpr double FAR_PICK_DISTANCE = 100.0;  // m
std::string farPickNote(double distance);

// One stake label of a selection, computed: the label's plain text, the stake
// read from it, the elevation "0.0000" and grade in percent "0.0000", or
// the reason it was not computed (then elevation and grade are "").
struct StakeListRow {
    std::string label;
    std::string stake;
    std::string elevation;
    std::string grade;
    std::string note;
};
// The stake labels among labels (those naming a stake) computed as single
// stakes are, in the order given.
std::vector<StakeListRow> stakeListOf(const Project& project, const std::vector<SelectedLabel>& labels);


// Pick-and-annotate (点取并计算) against the drawing reached through
// connector: the stake of the point picked near the road is computed through
// host and, when that gave single-stake results, annotated at a second pick.
// Answers Done (also when the stake-file mode ran instead and there is
// nothing to annotate), Cancelled for Esc at a pick, the compute's own
// refusal or failure (after the style and layer are in place), or a
// failure: of the data, or of the drawing (a failed connection included).
// The annotation records the point picked and its line name (recordPick).
Outcome pickAndAnnotate(Project& project, CadConnector& connector, DrawingHost& host);

// Select-and-compute (选择并计算): the stake of the last selected stake label
// (a TEXT, an MTEXT, a block reference's text, Gradix's annotation by its
// 桩号 line; selectedLabel), in the stretches of project's chain breaks, is
// computed through host; a selection without text computes the empty stake.
// A selection whose texts name no stake is refused with its last text
// ("桩号…无法识别，请修改！", the text without its codes) and nothing is
// computed. Answers Cancelled when the selection was cancelled. random names
// the selection set and is used as given.
Outcome selectAndCompute(const Project& project, CadConnector& connector, DrawingHost& host, std::mt19937& random);

// The drawing commands as the main window runs them: the project, the
// window's controls and dialogs, the settings file, the link to the drawing
// and the compute command's handler, which they run as a plain procedure on
// the stake they put into Text1 (its outcome is theirs; it shows nothing).
struct DrawingCommandContext {
    Project& project;
    Form& form;
    UserInterface& ui;
    const SettingsFile& settings;
    CadConnector& connector;
    CadMessenger& messenger;  // tells the person of a failure of the drawing
    std::function<Outcome()> computeHandler;
};

// The two commands through the window's controls: the stake goes into Text1,
// the results are read from Text1, Text2 and Text3, the rotation from Text9.
Outcome pickAndAnnotate(DrawingCommandContext& context);
Outcome selectAndCompute(DrawingCommandContext& context, std::mt19937& random);
// The same, handing a selection of several stake labels, computed, to showList.
Outcome selectAndCompute(DrawingCommandContext& context, std::mt19937& random,
                         const std::function<void(const std::vector<StakeListRow>&)>& showList);

// The annotation text: "{\L桩号：" line name, the stake as "K0+000.000",
// "\P高程：" elevation, "\P纵坡：" grade "%\P".
std::string annotationText(const std::string& lineName, const std::string& stake, const std::string& elevation,
                           const std::string& grade);

// The line name of the annotation: the file name of the alignment file
// without its four-character extension (".ICD"), in upper case.
std::string lineNameOf(const std::string& icdFileName);

// The stake text in the drawing notation: "12345.678" gives "K12+345.678";
// a stretch letter stays in front ("B2320" gives "BK2+320.000"); a stake in K
// notation is written in the same pattern ("BK2+320" gives "BK2+320.000").
std::string kilometreNotation(const std::string& stake);

// A fresh selection-set name: a number drawn between 0 and 1 in single
// precision, as short decimal text (".7055475").
std::string randomSelectionSetName(std::mt19937& random);

}  // namespace gradix
