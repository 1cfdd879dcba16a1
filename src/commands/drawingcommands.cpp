#include "commands/drawingcommands.h"

#include <charconv>
#include <chrono>

#include "commands/labels.h"
#include "commands/trap.h"
#include "stakes/stakes.h"
#include "text/dataline.h"
#include "text/failures.h"
#include "text/numbers.h"
#include "text/unicode.h"

namespace gradix {

namespace {

// Path separators of the alignment file's path: the backslash of Windows
// paths and the slash of this system's.
constexpr const char* PATH_SEPARATORS = "\\/";
// Characters of the extension cut from the alignment file's name (".ICD").
constexpr long EXTENSION_LENGTH = 4;
constexpr double HALF_TURN_DEGREES = 180.0;
// Significant digits of a single-precision number written as text.
constexpr int SINGLE_DIGITS = 7;
// Tries at a selection-set name before giving up.
constexpr int NAME_TRIES = 16;

// The drawing commands trap nothing of their own in the design; here a
// failure must still end in a message rather than take the window down:
// data failures in the error box, drawing failures with their description.
template <class Body>
bool runDrawingCommand(DrawingCommandContext& c, Body&& body) {
    try {
        return runTrapped(c.ui, body);
    } catch (const CadError& e) {
        c.messenger.showCadMessage(e.what());
        return false;
    }
}

}  // namespace

std::string lineNameOf(const std::string& icdFileName) {
    const std::vector<std::string_view> chars = utf8Characters(icdFileName);
    const long p = std::stol(GetStrP(icdFileName, PATH_SEPARATORS));
    long count = static_cast<long>(chars.size()) - p - EXTENSION_LENGTH;
    // A file part shorter than an extension has none to cut: it is the name.
    if (count < 0) count = static_cast<long>(chars.size()) - p;
    std::string name;
    for (long i = p; i < p + count; ++i) name.append(chars[static_cast<std::size_t>(i)]);
    return upperCaseAscii(name);
}

std::string kilometreNotation(const std::string& stake) {
    const std::string t = trimBlanks(stake);
    if (!t.empty() && t.front() >= 'A' && t.front() <= 'Z')
        return t.front() + formatKilometreStake(LeadingNumber(t.substr(1)));
    return formatKilometreStake(LeadingNumber(t));
}

std::string annotationText(const std::string& lineName, const std::string& stake, const std::string& elevation,
                           const std::string& grade) {
    return "{\\L桩号：" + lineName + kilometreNotation(stake) + "\\P高程：" + elevation + "\\P纵坡：" + grade + "%\\P";
}

std::string randomSelectionSetName(std::mt19937& random) {
    const float draw = std::uniform_real_distribution<float>(0.0f, 1.0f)(random);
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, draw, std::chars_format::general, SINGLE_DIGITS);
    std::string text(buffer, result.ptr);
    if (text.rfind("0.", 0) == 0) text.erase(0, 1);
    return text;
}

bool pickAndAnnotate(DrawingCommandContext& c) {
    CadApplication* app = ConnectCad(c.connector, c.messenger);
    if (!app) return false;
    return runDrawingCommand(c, [&] {
        c.connector.activate(app->Caption());
        c.settings.SaveSettings(c.form.text(Control::Text9));

        CadDocument& doc = app->ActiveDocument();
        CadUcs& world = doc.UserCoordinateSystems().Add({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, WORLD_UCS_NAME);
        app->ActiveDocument().ActiveUCS(world);

        const std::optional<CadPoint> picked = doc.Utility().GetPoint(PICK_ROAD_PROMPT);
        if (!picked) return false;
        Project& project = c.project;
        if (project.samples.sampleChainage.empty()) throw DataError("no alignment is loaded");
        // The drawing's x is east and its y north: the surveying pair is (y, x).
        const double x = (*picked)[0], y = (*picked)[1];
        const FootOfPoint foot = locatePoint(project.alignment, project.samples, y, x);
        c.form.setText(Control::Text1, sj_dlstr_11(project.breaks, foot.ptzh));

        // The annotation needs the single-stake results of this very stake:
        // after a refused stake (or in the stake-file mode) the fields hold
        // older values, which must not be written beside the new stake.
        const bool computed = c.computeHandler() && c.form.isChecked(Control::Option1);

        CadTextStyle& style = app->ActiveDocument().TextStyles().Add(ANNOTATION_STYLE);
        style.fontFile(ANNOTATION_FONT);
        style.BigFontFile(ANNOTATION_BIG_FONT);
        style.Height(ANNOTATION_STYLE_HEIGHT);
        style.Width(ANNOTATION_WIDTH_FACTOR);
        CadLayer& layer = app->ActiveDocument().Layers().Add(ANNOTATION_LAYER);
        app->ActiveDocument().ActiveLayer(layer);
        if (!computed) return false;

        const std::optional<CadPoint> insertion = doc.Utility().GetPoint(PICK_INSERTION_PROMPT);
        if (!insertion) return false;
        const double rotation = LeadingNumber(c.form.text(Control::Text9)) / HALF_TURN_DEGREES * project.pi;
        const std::string text = annotationText(lineNameOf(project.icdFileName), c.form.text(Control::Text1),
                                                c.form.text(Control::Text2), c.form.text(Control::Text3));
        requireFinite(rotation, "rotation of the annotation");

        CadMText& mtext = app->ActiveDocument().ModelSpace().AddMText({(*insertion)[0], (*insertion)[1], 0}, 0, "");
        mtext.StyleName(ANNOTATION_STYLE);
        mtext.Height(ANNOTATION_HEIGHT);
        mtext.Color(ANNOTATION_COLOR);
        mtext.TextString(text);
        mtext.rotation(rotation);
        return true;
    });
}

bool selectAndCompute(DrawingCommandContext& c, std::mt19937& random) {
    CadApplication* app = ConnectCad(c.connector, c.messenger);
    if (!app) return false;
    return runDrawingCommand(c, [&] {
        c.connector.activate(app->Caption());
        c.settings.SaveSettings(c.form.text(Control::Text9));

        random.seed(static_cast<std::mt19937::result_type>(
            std::chrono::system_clock::now().time_since_epoch().count()));
        CadSelectionSets& sets = app->ActiveDocument().SelectionSets();
        CadSelectionSet* set = nullptr;
        for (int attempt = 0; !set; ++attempt) {
            try {
                set = &sets.Add(randomSelectionSetName(random));
            } catch (const CadError&) {
                if (attempt + 1 >= NAME_TRIES) throw;
            }
        }

        const bool selected = set->SelectOnScreen();
        std::vector<std::string> texts;
        for (int i = 0; selected && i < set->Count(); ++i) {
            CadEntity& entity = set->Item(i);
            if (entity.entitytype() == ENTITY_TYPE_TEXT || entity.entitytype() == ENTITY_TYPE_MTEXT)
                texts.push_back(entity.TextString());
        }
        // Nothing reads the set later: it goes, rather than pile up under
        // random names in the drawing.
        set->Delete();
        if (!selected) return false;

        c.form.setText(Control::Text1, texts.empty() ? std::string() : reduceStakeLabel(texts.back()));
        c.ui.activateMainWindow();
        c.computeHandler();
        return true;
    });
}

}  // namespace gradix
