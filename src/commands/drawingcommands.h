// The two drawing commands: pick a point near the road and annotate its
// stake, elevation and grade; select a stake label and compute it.
#pragma once

#include <functional>
#include <random>
#include <string>

#include "cad/cad.h"
#include "commands/form.h"
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

// What the drawing commands work with: the project and the main window, the
// link to the drawing and the compute command's handler, which they run as a
// plain procedure (it answers true when it produced a result).
struct DrawingCommandContext {
    Project& project;
    Form& form;
    UserInterface& ui;
    const SettingsFile& settings;
    CadConnector& connector;
    CadMessenger& messenger;
    std::function<bool()> computeHandler;
};

// Pick-and-annotate (点取并计算). Returns true when an annotation was added.
// Failures of the data end in the error box titled "错误", failures of the
// drawing in a message box with their description; nothing is added then.
bool pickAndAnnotate(DrawingCommandContext& context);

// Select-and-compute (选择并计算): the last selected TEXT or MTEXT, reduced to
// its stake number, goes into Text1 and is computed. Returns true when the
// compute handler ran.
bool selectAndCompute(DrawingCommandContext& context, std::mt19937& random);

// The annotation text: "{\L桩号：" line name, the stake as "K0+000.000",
// "\P高程：" elevation, "\P纵坡：" grade "%\P".
std::string annotationText(const std::string& lineName, const std::string& stake, const std::string& elevation,
                           const std::string& grade);

// The line name of the annotation: the file name of the alignment file
// without its four-character extension (".ICD"), in upper case.
std::string lineNameOf(const std::string& icdFileName);

// The stake text in the drawing notation: "12345.678" gives "K12+345.678";
// a stretch letter stays in front ("B2320" gives "BK2+320.000").
std::string kilometreNotation(const std::string& stake);

// A fresh selection-set name: a number drawn between 0 and 1 in single
// precision, as short decimal text (".7055475").
std::string randomSelectionSetName(std::mt19937& random);

}  // namespace gradix
