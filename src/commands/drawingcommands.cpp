#include "commands/drawingcommands.h"

#include <charconv>
#include <cmath>

#include "commands/compute.h"
#include "commands/trap.h"
#include "stakes/chainbreaks.h"
#include "stakes/stakes.h"
#include "text/angles.h"
#include "text/dataline.h"
#include "text/failures.h"
#include "text/numbers.h"
#include "text/unicode.h"
#include "text/messages.h"

namespace gradix {

namespace {

// Path separators of the alignment file's path: the backslash of Windows
// paths and the slash of this system's.
constexpr const char* PATH_SEPARATORS = "\\/";
// Characters of the extension cut from the alignment file's name (".ICD").
constexpr long EXTENSION_LENGTH = 4;
// Significant digits of a single-precision number written as text.
constexpr int SINGLE_DIGITS = 7;
// Tries at a selection-set name before giving up.
constexpr int NAME_TRIES = 16;

// Keeps what ConnectCad would tell the person, so that the command can
// answer it as its outcome.
class ConnectionMessages : public CadMessenger {
public:
    void showCadMessage(const std::string& text) override { message = text; }
    std::string message;
};

// The main window as the host of a drawing command.
class WindowHost : public DrawingHost {
public:
    explicit WindowHost(DrawingCommandContext& c,
                        std::function<void(const std::vector<StakeListRow>&)> showList = nullptr)
        : c_(c), showList_(std::move(showList)) {}
    void listStakeLabels(const std::vector<SelectedLabel>& labels) override {
        if (showList_) showList_(stakeListOf(c_.project, labels));
    }
    void saveSettings() override { c_.settings.SaveSettings(c_.form.text(Control::Text9)); }
    std::string rotationText() override { return c_.form.text(Control::Text9); }
    Outcome compute(const std::string& stake, std::optional<AnnotationValues>& values) override {
        c_.form.setText(Control::Text1, stake);
        Outcome outcome = c_.computeHandler();
        // In the stake-file mode the fields hold older values, which must
        // not be written beside the new stake.
        if (outcome.isDone() && c_.form.isChecked(Control::Option1))
            values = AnnotationValues{c_.form.text(Control::Text1), c_.form.text(Control::Text2),
                                      c_.form.text(Control::Text3)};
        return outcome;
    }
    void activateMainWindow() override { c_.ui.activateMainWindow(); }

private:
    DrawingCommandContext& c_;
    std::function<void(const std::vector<StakeListRow>&)> showList_;
};

constexpr int OFFSET_DECIMALS = 3;
constexpr int DISTANCE_DECIMALS = 3;

// Connects to the drawing program; a failed connection is the command's
// outcome, with what the link had to say.
template <class Body>
Outcome runConnected(CadConnector& connector, Body&& body) {
    ConnectionMessages messages;
    CadApplication* app = ConnectCad(connector, messages);
    if (!app) return Outcome::drawingFailed(messages.message, msg::DRAWING_NOT_REACHED);
    return runTrapped([&] { return body(*app); });
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
    // A stake already in K notation is written again in the fixed pattern.
    if (const std::optional<KilometreStake> k = readKilometreStake(t))
        return (k->letter ? std::string(1, k->letter) : std::string()) + formatKilometreStake(k->value);
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

Outcome pickAndAnnotate(Project& project, CadConnector& connector, DrawingHost& host) {
    return runConnected(connector, [&](CadApplication& app) {
        connector.activate(app.Caption());
        host.saveSettings();

        CadDocument& doc = app.ActiveDocument();
        CadUcs& world = doc.UserCoordinateSystems().Add({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, WORLD_UCS_NAME);
        app.ActiveDocument().ActiveUCS(world);

        const std::optional<CadPoint> picked = doc.Utility().GetPoint(PICK_ROAD_PROMPT);
        if (!picked) return Outcome::cancelled();
        if (project.samples.sampleChainage.empty()) throw DataError(msg::NO_ALIGNMENT_LOADED);
        // The drawing's x is east and its y north: the surveying pair is (y, x).
        const double x = (*picked)[0], y = (*picked)[1];
        const FootOfPoint foot = locatePoint(project.alignment, project.samples, y, x);

        // The annotation needs the single-stake results of this very stake:
        // after a refused stake the fields hold older values.
        std::optional<AnnotationValues> values;
        const Outcome computed = host.compute(sj_dlstr_11(project.breaks, foot.ptzh), values);

        CadTextStyle& style = app.ActiveDocument().TextStyles().Add(ANNOTATION_STYLE);
        style.fontFile(ANNOTATION_FONT);
        style.BigFontFile(ANNOTATION_BIG_FONT);
        style.Height(ANNOTATION_STYLE_HEIGHT);
        style.Width(ANNOTATION_WIDTH_FACTOR);
        CadLayer& layer = app.ActiveDocument().Layers().Add(ANNOTATION_LAYER);
        app.ActiveDocument().ActiveLayer(layer);
        if (!computed.isDone() || !values) return computed;

        // The picked point's stake and where it lies, before its insertion point is asked for.
        doc.Utility().Prompt(pickEcho(*values, foot.offsetRight()));
        const double distance = std::fabs(foot.ptd);  // js_qzdzh's offset is the distance to the foot
        if (distance > FAR_PICK_DISTANCE) doc.Utility().Prompt(farPickNote(distance));
        const std::optional<CadPoint> insertion = doc.Utility().GetPoint(PICK_INSERTION_PROMPT);
        if (!insertion) return Outcome::cancelled();
        const double rotation = LeadingNumber(host.rotationText()) / HALF_TURN_DEGREES * project.pi;
        const std::string lineName = lineNameOf(project.icdFileName);
        const std::string text = annotationText(lineName, values->stake, values->elevation, values->grade);
        requireFinite(rotation, msg::ANNOTATION_ROTATION);

        CadMText& mtext = app.ActiveDocument().ModelSpace().AddMText({(*insertion)[0], (*insertion)[1], 0}, 0, "");
        mtext.StyleName(ANNOTATION_STYLE);
        mtext.Height(ANNOTATION_HEIGHT);
        mtext.Color(ANNOTATION_COLOR);
        mtext.TextString(text);
        mtext.rotation(rotation);
        mtext.recordPick(*picked, lineName);
        return Outcome::done();
    });
}

Outcome selectAndCompute(const Project& project, CadConnector& connector, DrawingHost& host, std::mt19937& random) {
    return runConnected(connector, [&](CadApplication& app) {
        connector.activate(app.Caption());
        host.saveSettings();

        CadSelectionSets& sets = app.ActiveDocument().SelectionSets();
        CadSelectionSet* set = nullptr;
        for (int attempt = 0; !set; ++attempt) {
            try {
                set = &sets.Add(randomSelectionSetName(random));
            } catch (const CadError&) {
                if (attempt + 1 >= NAME_TRIES) throw;
            }
        }

        const bool selected = set->SelectOnScreen();
        const int stretches = breaksInForce(project.breaks) + 1;
        const std::string lineName = lineNameOf(project.icdFileName);
        std::vector<SelectedLabel> texts;
        for (int i = 0; selected && i < set->Count(); ++i)
            if (std::optional<SelectedLabel> label = selectedLabel(set->Item(i), stretches, lineName))
                texts.push_back(std::move(*label));
        // Nothing reads the set later: it goes, rather than pile up under
        // random names in the drawing.
        set->Delete();
        if (!selected) return Outcome::cancelled();

        std::vector<SelectedLabel> labels;
        for (const SelectedLabel& t : texts)
            if (t.stake) labels.push_back(t);
        if (labels.size() > 1) host.listStakeLabels(labels);

        // The last stake label selected; a selection whose texts name none is
        // refused with its last text.
        std::string stake;
        if (!labels.empty()) {
            stake = *labels.back().stake;
        } else if (!texts.empty()) {
            const std::string& label = texts.back().text;
            return Outcome::refused("桩号" + label + "无法识别，请修改！", msg::selectedTextNoStake(label));
        }
        host.activateMainWindow();
        std::optional<AnnotationValues> unused;
        return host.compute(stake, unused);
    });
}

Outcome pickAndAnnotate(DrawingCommandContext& context) {
    WindowHost host(context);
    return pickAndAnnotate(context.project, context.connector, host);
}

Outcome selectAndCompute(DrawingCommandContext& context, std::mt19937& random) {
    WindowHost host(context);
    return selectAndCompute(context.project, context.connector, host, random);
}

Outcome selectAndCompute(DrawingCommandContext& context, std::mt19937& random,
                         const std::function<void(const std::vector<StakeListRow>&)>& showList) {
    WindowHost host(context, showList);
    return selectAndCompute(context.project, context.connector, host, random);
}

std::string pickEcho(const AnnotationValues& values, double offsetRight) {
    return "桩号 " + kilometreNotation(values.stake) + "  高程 " + values.elevation + "  纵坡 " + values.grade +
           "%  偏距 " + formatSideOffset(offsetRight, OFFSET_DECIMALS);
}

std::string farPickNote(double distance) {
    return "注意：点取点离设计线 " + formatFixed(distance, DISTANCE_DECIMALS) + " 米，超过 " + formatFixed(FAR_PICK_DISTANCE, 0) +
           " 米。";
}

std::vector<StakeListRow> stakeListOf(const Project& project, const std::vector<SelectedLabel>& labels) {
    std::vector<StakeListRow> rows;
    for (const SelectedLabel& label : labels) {
        const std::optional<std::string>& stake = label.stake;
        if (!stake) continue;
        StakeListRow row;
        row.label = label.text;
        row.stake = *stake;
        try {
            StakeResult result;
            const Outcome outcome = computeStake(project, *stake, RangeTest::WithinProfile, result);
            if (outcome.isDone()) {
                row.elevation = formatFixed(result.elevation, RESULT_DECIMALS);
                row.grade = formatPercent(result.grade);
            } else {
                row.note = outcome.message;
            }
        } catch (const std::exception&) {
            row.note = "无法计算";
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace gradix
