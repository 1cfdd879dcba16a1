#include "views/profilesheet.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "setout/stakestable.h"
#include "stakes/roundstakes.h"
#include "stakes/stakes.h"
#include "text/failures.h"
#include "text/messages.h"
#include "text/numbers.h"
#include "text/textfile.h"
#include "views/profilemodel.h"
#include "views/sheetdxf.h"

namespace gradix {

namespace {

constexpr double MM_PER_M = 1000.0;
constexpr int DECIMALS = 3;
constexpr double SHEET_GAP = 20.0;            // mm between sheets side by side
constexpr double ROUND_SHEET_LENGTH = 100.0;  // m of stake: a sheet ends on a whole hundred where it can
constexpr double SHRINK_STEP = 20.0;          // m: a sheet too high for its frame is shortened by whole steps
constexpr double SHRINK_FACTOR = 0.8;
constexpr std::size_t MAX_SHEETS = 2000;
constexpr double MAX_BAND_STAKES = 10000;     // regular stakes a sheet's bands may have
constexpr double MIN_GRID_SPACING = 10.0;     // mm between the elevation grid's lines
constexpr double TEXT_GAP = 0.5;              // mm between a text and its line
constexpr double CURVE_LEG = 2.0;             // mm: the bracket's legs
constexpr double STAKE_TICK = 1.0;            // mm: the tick of a band stake under the stake band's top
constexpr double GRADE_RISE = 2.5;            // mm: half the rise of a grade's diagonal in its band
constexpr double PLAN_BUMP = 4.0;             // mm: a curve above (right) or below (left) the straights
constexpr double PLAN_TEXT_SHIFT = 3.0;       // mm: a curve's text on the other side of the band's middle
constexpr double SLOPE_MM_PER_PERCENT = 1.0;  // the 超高 band's scale
constexpr double SAME_PLACE = 1e-9;           // m: two stakes of one place (the sides of a chain break)
constexpr double LINEAR_SLOPE = 1e-9;         // a row whose slope lies on its neighbours' line is no break

// ACI colours.
constexpr int RED = 1, YELLOW = 2, GREEN = 3, CYAN = 4, MAGENTA = 6, WHITE = 7, GREY = 8;

std::vector<SheetLayer> sheetLayers() {
    std::vector<SheetLayer> layers = {{SHEET_FRAME_LAYER, WHITE},  {SHEET_BAND_FRAME_LAYER, WHITE},
                                      {SHEET_GRID_LAYER, GREY},    {SHEET_DESIGN_LAYER, RED},
                                      {SHEET_GROUND_LAYER, YELLOW}, {SHEET_CURVE_LAYER, GREEN},
                                      {SHEET_BREAK_LAYER, MAGENTA}, {SHEET_NOTE_LAYER, CYAN}};
    for (const char* band : SHEET_BAND_LAYERS) layers.push_back({band, WHITE});
    return layers;
}

const char* bandLayer(ProfileBand b) { return SHEET_BAND_LAYERS[static_cast<std::size_t>(b)]; }

// The elevation grid's step (m): the first of 1, 2 and 5 times a power of
// ten whose lines stand at least MIN_GRID_SPACING apart at the scale.
double gridStep(double verticalScale) {
    const double least = MIN_GRID_SPACING * verticalScale / MM_PER_M;
    const double decade = std::pow(10.0, std::floor(std::log10(least)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * decade >= least) return m * decade;
    return 10 * decade;
}

// The grade as the sheet prints it and whether it rises, falls or is level,
// compared after rounding to 0.001 %.
int gradeSense(double grade) {
    const std::string printed = formatPercent(grade, DECIMALS);
    if (printed == formatFixed(0.0, DECIMALS)) return 0;
    return grade > 0 ? 1 : -1;
}

// The side of the straights a curve of radius r is drawn on: +1 above for a
// right-hand curve (the bearing increasing), -1 below for a left-hand one.
double curveSide(double radius) {
    if (radius == INFINITE_RADIUS || radius == 0) return 0;
    return radius > 0 ? 1 : -1;
}

// The texts of an element of the plan band: "R=900" for an arc, "A=300
// Ls=100" (or "A=300" where that does not fit) for a spiral; none for a straight.
std::vector<std::string> elementTexts(double startRadius, double endRadius, double length) {
    switch (elementKind(startRadius, endRadius)) {
        case ElementKind::Line: return {};
        case ElementKind::Arc: return {"R=" + formatTrimmed(std::fabs(startRadius), DECIMALS)};
        default: break;
    }
    const auto curvature = [](double r) { return r == INFINITE_RADIUS || r == 0 ? 0.0 : 1.0 / r; };
    const double change = std::fabs(curvature(endRadius) - curvature(startRadius));
    if (!(change > 0)) return {};
    const std::string a = "A=" + formatTrimmed(std::sqrt(length / change), DECIMALS);
    return {a + " Ls=" + formatTrimmed(length, DECIMALS), a};
}

// A stake of the bands: where it stands, its text and whether it must be
// shown (a main point, a chain break's side, a grade point, the ends) or is
// a regular stake that gives way to those.
struct BandStake {
    double chainage;
    std::string text;
    bool named;
};

class SheetDrawer {
public:
    SheetDrawer(const ProfileSheetSource& source, const ProfileSheetOptions& options, const ProfileSheetLayout& layout,
                int number, int count, double from, double to, double originElevation, double offsetX)
        : s_(source), o_(options), l_(layout), number_(number), count_(count), from_(from), to_(to),
          e0_(originElevation), dx_(offsetX) {}

    void draw(SheetEntities& out, std::vector<std::string>& notes) {
        drawFrame();
        drawGrid();
        drawLines();
        drawGradePoints();
        drawBreaks();
        drawBandStakes();
        drawGrades();
        drawPlan();
        drawSuperelevation();
        // Into model space at the sheet's place.
        for (SheetLine l : e_.lines) {
            l.x1 += dx_, l.x2 += dx_;
            out.lines.push_back(l);
        }
        for (SheetPolyline p : e_.polylines) {
            for (auto& point : p.points) point.first += dx_;
            out.polylines.push_back(std::move(p));
        }
        for (SheetText t : placer_.texts()) {
            t.x += dx_;
            out.texts.push_back(std::move(t));
        }
        for (std::string& n : notes_) notes.push_back(std::move(n));
    }

    ProfileSheetFrame frame() const {
        return {dx_ + l_.plot.x0, l_.grid.y0, from_, e0_, o_.horizontalScale, o_.verticalScale};
    }

private:
    double X(double chainage) const { return l_.plot.x0 + (chainage - from_) * MM_PER_M / o_.horizontalScale; }
    double Y(double elevation) const { return l_.grid.y0 + (elevation - e0_) * MM_PER_M / o_.verticalScale; }
    std::string stake(double chainage) const { return formatStake(s_.breaks, chainage); }

    void line(const char* layer, double x1, double y1, double x2, double y2) {
        e_.lines.push_back({layer, x1, y1, x2, y2});
    }
    void rect(const char* layer, const SheetRect& r) {
        e_.polylines.push_back({layer, {{r.x0, r.y0}, {r.x1, r.y0}, {r.x1, r.y1}, {r.x0, r.y1}, {r.x0, r.y0}}});
    }
    // Places the first of the candidates that fits; else notes what was left out.
    bool place(std::initializer_list<SheetText> candidates, const SheetRect& room, double chainage,
               const char* what) {
        for (const SheetText& t : candidates)
            if (placer_.place(t, room)) return true;
        if (what) notes_.push_back(msg::sheetLabelLeftOut(number_, stake(chainage), what));
        return false;
    }
    SheetText upright(double x, double y, std::string content, const char* layer, TextAlign align = TextAlign::Centre,
                      TextBase base = TextBase::Middle) const {
        return {x, y, SHEET_TEXT_HEIGHT, std::move(content), align, base, true, layer};
    }
    SheetText across(double x, double y, std::string content, const char* layer, TextAlign align = TextAlign::Centre,
                     TextBase base = TextBase::Middle) const {
        return {x, y, SHEET_TEXT_HEIGHT, std::move(content), align, base, false, layer};
    }
    // The room of the texts over the road: from the caption column to the
    // frame, between the heights given.
    SheetRect roomOf(double y0, double y1) const { return {l_.captions.x1, y0, l_.frame.x1, y1}; }
    SheetRect plotOf(const SheetRect& band) const { return roomOf(band.y0, band.y1); }
    // A text along the sheet centred at x, moved along to lie within room.
    SheetText centredWithin(const SheetRect& room, double x, double y, const std::string& content, const char* layer,
                            TextBase base) const {
        const double half = textAdvance(content, SHEET_TEXT_HEIGHT) / 2 + TextPlacer::GAP;
        const double within = room.width() > 2 * half ? std::clamp(x, room.x0 + half, room.x1 - half) : x;
        return across(within, y, content, layer, TextAlign::Centre, base);
    }

    // The paper, the frame, the title block, the bands' lines and captions,
    // and the note of the origin in the top margin.
    void drawFrame() {
        rect(SHEET_FRAME_LAYER, l_.paper);
        rect(SHEET_FRAME_LAYER, l_.frame);
        const std::string scale = "横1:" + shortestText(o_.horizontalScale) + " 竖1:" + shortestText(o_.verticalScale);
        const TitleBlockDrawing title = titleBlockDrawing(
            l_.titleBlock,
            {{"工程名称", o_.projectName, 0}, {"图名", "纵断面图", 24}, {"桩号范围", stake(from_) + "～" + stake(to_), 70},
             {"比例", scale, 50}, {"图号", std::to_string(number_) + "/" + std::to_string(count_), 18},
             {"日期", o_.date, 30}},
            SHEET_FRAME_LAYER);
        for (const SheetRect& cell : title.cells) rect(SHEET_FRAME_LAYER, cell);
        for (const SheetText& t : title.texts) placer_.place(t, l_.titleBlock, 0);
        // The caption column's edge through the bands; over the grid it holds the elevation scale.
        line(SHEET_BAND_FRAME_LAYER, l_.captions.x1, l_.captions.y0, l_.captions.x1, l_.grid.y0);
        for (std::size_t b = 0; b < PROFILE_BANDS; ++b) {
            const SheetRect& band = l_.bands[b];
            line(SHEET_BAND_FRAME_LAYER, band.x0, band.y1, band.x1, band.y1);
            placer_.place(across((l_.captions.x0 + l_.captions.x1) / 2, (band.y0 + band.y1) / 2,
                                 profileBandCaption(static_cast<ProfileBand>(b)), SHEET_BAND_FRAME_LAYER),
                          {l_.captions.x0, band.y0, l_.captions.x1, band.y1});
        }
        const ProfileSheetFrame f = frame();
        placer_.place({l_.frame.x0, l_.frame.y1 + TEXT_GAP, SHEET_NOTE_HEIGHT,
                       "原点 X=" + shortestText(f.originX) + " Y=" + shortestText(f.originY) + " 里程=" +
                           shortestText(f.originChainage) + " 高程=" + shortestText(f.originElevation) +
                           " 横向比例=1:" + shortestText(o_.horizontalScale) + " 竖向比例=1:" +
                           shortestText(o_.verticalScale),
                       TextAlign::Left, TextBase::Bottom, false, SHEET_NOTE_LAYER},
                      l_.paper, 0);
    }

    // The elevation grid with its scale in the caption column, and a line at
    // both ends of the stretch and at every hundred metres of stake.
    void drawGrid() {
        const double step = gridStep(o_.verticalScale);
        const double right = X(to_);
        const SheetRect scaleRoom{l_.captions.x0, l_.grid.y0, l_.plot.x0, l_.grid.y1};
        for (long long k = 0;; ++k) {
            const double elevation = e0_ + static_cast<double>(k) * step;
            const double y = Y(elevation);
            if (y > l_.grid.y1 + 1e-9) break;
            line(SHEET_GRID_LAYER, l_.plot.x0, y, right, y);
            placer_.place(across(l_.plot.x0 - 1, y, formatFixed(elevation, DECIMALS), SHEET_GRID_LAYER,
                                 TextAlign::Right),
                          scaleRoom);
        }
        for (double x : {l_.plot.x0, right}) line(SHEET_GRID_LAYER, x, l_.grid.y0, x, l_.grid.y1);
        const auto hundreds = roundStakes(s_.breaks, from_, to_, ROUND_SHEET_LENGTH, MAX_SHEETS * 100);
        if (hundreds)
            for (const RoundStake& r : *hundreds) line(SHEET_GRID_LAYER, X(r.chainage), l_.grid.y0, X(r.chainage), l_.grid.y1);
    }

    // The design line on DesignAt, and the ground line where it is given.
    void drawLines() {
        model_ = buildProfileModel(s_.profile, s_.breaks, from_, to_);
        SheetPolyline design{SHEET_DESIGN_LAYER, {}};
        for (const RoadPoint& p : model_.designLine) design.points.emplace_back(X(p.chainage), Y(p.elevation));
        e_.polylines.push_back(std::move(design));
        if (!s_.ground) return;
        SheetPolyline ground{SHEET_GROUND_LAYER, {}};
        const auto add = [&](double c) {
            if (const auto g = s_.ground->at(c)) ground.points.emplace_back(X(c), Y(*g));
        };
        add(from_);
        for (double c : s_.ground->chainage)
            if (c > from_ && c < to_) add(c);
        add(to_);
        if (ground.points.size() >= 2) e_.polylines.push_back(std::move(ground));
    }

    // Each grade point: a line up from the design line to the brackets, its
    // stake left of it and its elevation right of it, running up; with a
    // curve, the bracket from its start to its end and "R=… T=… E=…" over it.
    void drawGradePoints() {
        const SheetRect uprightRoom = roomOf(l_.lineTop, l_.bracket);
        const SheetRect rowRoom = roomOf(l_.bracket, l_.grid.y1);
        for (const GradePointLabel& g : model_.gradePoints) {
            const double x = X(g.chainage);
            line(SHEET_CURVE_LAYER, x, Y(g.designElevation), x, l_.bracket);
            // The stake left of the line and the elevation right of it; both
            // right of it where the left is taken (the elevation scale at the
            // sheet's start).
            const double top = l_.bracket - TEXT_GAP;
            const std::string stakeText = formatStake(s_.breaks, g.chainage);
            const double beyond = x + 2 * TEXT_GAP + SHEET_TEXT_HEIGHT;
            const auto run = [&](double at, const std::string& text, TextBase base) {
                return upright(at, top, text, SHEET_CURVE_LAYER, TextAlign::Right, base);
            };
            if (place({run(x - TEXT_GAP, stakeText, TextBase::Baseline)}, uprightRoom, g.chainage, nullptr))
                place({run(x + TEXT_GAP, g.elevationText, TextBase::Top)}, uprightRoom, g.chainage, "变坡点高程");
            else if (place({run(x + TEXT_GAP, stakeText, TextBase::Top)}, uprightRoom, g.chainage, "变坡点桩号"))
                place({run(beyond, g.elevationText, TextBase::Top)}, uprightRoom, g.chainage, "变坡点高程");
            if (g.curve.empty()) continue;
            const double a = X(std::max(g.curveStart, from_));
            const double b = X(std::min(g.curveEnd, to_));
            line(SHEET_CURVE_LAYER, a, l_.bracket, b, l_.bracket);
            if (g.curveStart >= from_) line(SHEET_CURVE_LAYER, a, l_.bracket, a, l_.bracket - CURVE_LEG);
            if (g.curveEnd <= to_) line(SHEET_CURVE_LAYER, b, l_.bracket, b, l_.bracket - CURVE_LEG);
            // Over the curve's bracket on this sheet, moved along to stay in the frame.
            const SheetRect within{std::min(a, x), l_.bracket, std::max(b, x), l_.grid.y1};
            const double along = centredWithin(rowRoom, centredWithin(within, x, 0, g.curve, "", TextBase::Baseline).x,
                                               0, g.curve, "", TextBase::Baseline).x;
            place({across(along, l_.labelRow, g.curve, SHEET_CURVE_LAYER, TextAlign::Centre, TextBase::Baseline),
                   across(along, l_.upperLabelRow, g.curve, SHEET_CURVE_LAYER, TextAlign::Centre, TextBase::Baseline)},
                  rowRoom, g.chainage, "竖曲线标注");
        }
    }

    // Each chain break: a line up the grid and its note beside it, in the
    // first label row where it fits.
    void drawBreaks() {
        const SheetRect rowRoom = roomOf(l_.bracket, l_.grid.y1);
        for (const ChainBreakNote& b : model_.chainBreaks) {
            if (b.chainage == to_ && number_ < count_) continue;  // the next sheet begins with it
            const double x = X(b.chainage);
            line(SHEET_BREAK_LAYER, x, l_.grid.y0, x, l_.labelRow - TEXT_GAP);
            const std::string note = chainBreakEquation(s_.breaks, b.index);
            const auto at = [&](double y, bool right) {
                return across(right ? x + 2 * TEXT_GAP : x - 2 * TEXT_GAP, y, note, SHEET_BREAK_LAYER,
                              right ? TextAlign::Left : TextAlign::Right, TextBase::Baseline);
            };
            place({at(l_.labelRow, true), at(l_.upperLabelRow, true), at(l_.labelRow, false),
                   at(l_.upperLabelRow, false)},
                  rowRoom, b.chainage, "断链说明");
        }
    }

    // The stakes of the bands: every `every` m of stake, the main points and
    // chain breaks (with an alignment), the grade points and the ends; a
    // regular stake closer to a named one than a text is wide gives way.
    std::vector<BandStake> bandStakes() const {
        const Profile& p = s_.profile;
        double start = p.gradePointChainage[1], end = p.gradePointChainage[p.gradePointCount];
        const Alignment* a = s_.alignment && s_.alignment->elemCount >= 1 ? s_.alignment : nullptr;
        if (a) {
            start = std::max(start, a->elemChainage[1]);
            end = std::min(end, a->elemChainage[a->elemCount + 1]);
        }
        std::vector<BandStake> stakes;
        const double from = std::max(from_, start), to = std::min(to_, end);
        if (from < to)
            for (const StakePlace& place : stakePlaces(a, s_.breaks, start, end, from, to, o_.every)) {
                const bool named = !place.name.empty();
                BandStake b{place.chainage, formatStake(s_.breaks, place.stake, named ? DECIMALS : 0), named};
                // The sides of a chain break stand at one place: the ahead side's stake is shown.
                if (!stakes.empty() && std::fabs(stakes.back().chainage - b.chainage) < SAME_PLACE)
                    stakes.back() = b;
                else
                    stakes.push_back(std::move(b));
            }
        for (const GradePointLabel& g : model_.gradePoints) {
            const auto same = std::find_if(stakes.begin(), stakes.end(), [&](const BandStake& b) {
                return std::fabs(b.chainage - g.chainage) < SAME_PLACE;
            });
            if (same != stakes.end())
                *same = {g.chainage, formatStake(s_.breaks, g.chainage), true};
            else
                stakes.push_back({g.chainage, formatStake(s_.breaks, g.chainage), true});
        }
        std::sort(stakes.begin(), stakes.end(), [](const BandStake& x, const BandStake& y) {
            return x.chainage < y.chainage;
        });
        const double room = (SHEET_TEXT_HEIGHT + 2 * TextPlacer::GAP) * o_.horizontalScale / MM_PER_M;
        std::vector<BandStake> kept;
        for (std::size_t i = 0; i < stakes.size(); ++i) {
            const auto near = [&](std::size_t j) {
                return j < stakes.size() && stakes[j].named && std::fabs(stakes[j].chainage - stakes[i].chainage) < room;
            };
            if (!stakes[i].named && ((i > 0 && near(i - 1)) || near(i + 1))) continue;
            kept.push_back(stakes[i]);
        }
        return kept;
    }

    // 地面高程, 设计高程, 填挖高度 (fill positive) and 里程桩号 at each band
    // stake, running up the band from its middle.
    void drawBandStakes() {
        const auto middle = [&](ProfileBand b) { return (l_.band(b).y0 + l_.band(b).y1) / 2; };
        const SheetRect& stakeBand = l_.band(ProfileBand::Stake);
        std::vector<BandStake> stakes = bandStakes();
        // The named stakes are placed first, so that a regular one gives way.
        std::stable_partition(stakes.begin(), stakes.end(), [](const BandStake& b) { return b.named; });
        for (const BandStake& b : stakes) {
            const double x = X(b.chainage);
            const char* what = b.named ? "桩号" : nullptr;
            if (!place({upright(x, middle(ProfileBand::Stake), b.text, bandLayer(ProfileBand::Stake))},
                       plotOf(stakeBand), b.chainage, what))
                continue;
            line(bandLayer(ProfileBand::Stake), x, stakeBand.y1, x, stakeBand.y1 - STAKE_TICK);
            const double design = DesignAt(s_.profile, b.chainage).elevation;
            place({upright(x, middle(ProfileBand::Design), formatFixed(design, DECIMALS), bandLayer(ProfileBand::Design))},
                  plotOf(l_.band(ProfileBand::Design)), b.chainage, what ? "设计高程" : nullptr);
            const std::optional<double> ground = s_.ground ? s_.ground->at(b.chainage) : std::nullopt;
            if (!ground) continue;
            place({upright(x, middle(ProfileBand::Ground), formatFixed(*ground, DECIMALS), bandLayer(ProfileBand::Ground))},
                  plotOf(l_.band(ProfileBand::Ground)), b.chainage, what ? "地面高程" : nullptr);
            place({upright(x, middle(ProfileBand::CutFill), formatFixed(design - *ground, DECIMALS),
                           bandLayer(ProfileBand::CutFill))},
                  plotOf(l_.band(ProfileBand::CutFill)), b.chainage, what ? "填挖高度" : nullptr);
        }
    }

    // 坡度/坡长: a joint at each grade point, a diagonal rising, falling or
    // level with the grade as printed, the grade above and the length under.
    void drawGrades() {
        const SheetRect& band = l_.band(ProfileBand::Grade);
        const char* layer = bandLayer(ProfileBand::Grade);
        const double mid = (band.y0 + band.y1) / 2;
        for (const GradeLineLabel& g : model_.gradeLines) {
            const double a = X(std::max(g.fromChainage, from_));
            const double b = X(std::min(g.toChainage, to_));
            if (g.fromChainage >= from_) line(layer, a, band.y0, a, band.y1);
            if (g.toChainage <= to_) line(layer, b, band.y0, b, band.y1);
            const double rise = gradeSense(g.grade) * GRADE_RISE;
            line(layer, a, mid - rise, b, mid + rise);
            // Most of the grade line on another sheet: its labels are there.
            const bool mostHere = (std::min(g.toChainage, to_) - std::max(g.fromChainage, from_)) * 2 >=
                                  g.toChainage - g.fromChainage;
            const char* what = mostHere ? "坡度坡长" : nullptr;
            const SheetRect room{a, band.y0, b, band.y1};
            const double centre = std::max(g.fromChainage, from_) / 2 + std::min(g.toChainage, to_) / 2;
            const std::string grade = gradeSense(g.grade) == 0 ? formatFixed(0.0, DECIMALS) + "%" : g.gradeText;
            if (place({across((a + b) / 2, mid + 1.5, grade, layer, TextAlign::Centre, TextBase::Bottom)}, room,
                      centre, what))
                place({across((a + b) / 2, mid - 1.5, g.lengthText, layer, TextAlign::Centre, TextBase::Top)}, room,
                      centre, what);
        }
    }

    // 直线及平曲线: straights on the band's middle, right-hand curves above
    // and left-hand ones below, spirals between; R of the arcs and A (Ls) of
    // the spirals on the other side of the middle.
    void drawPlan() {
        const Alignment* a = s_.alignment;
        if (!a || a->elemCount < 1) return;
        const SheetRect& band = l_.band(ProfileBand::Plan);
        const char* layer = bandLayer(ProfileBand::Plan);
        const double mid = (band.y0 + band.y1) / 2;
        SheetPolyline path{layer, {}};
        for (int i = 1; i <= a->elemCount; ++i) {
            const double s = a->elemChainage[i], e = a->elemChainage[i + 1];
            if (!(e > from_ && s < to_ && e > s)) continue;
            const double r1 = a->elemStartRadius[i], r2 = a->elemEndRadius[i];
            const double side1 = curveSide(r1), side2 = curveSide(r2);
            const auto level = [&](double c) { return mid + PLAN_BUMP * (side1 + (side2 - side1) * (c - s) / (e - s)); };
            const double cs = std::max(s, from_), ce = std::min(e, to_);
            path.points.emplace_back(X(cs), level(cs));
            path.points.emplace_back(X(ce), level(ce));
            const double side = side1 != 0 ? side1 : side2;
            const double y = mid - side * PLAN_TEXT_SHIFT;
            const SheetRect room{X(cs), band.y0, X(ce), band.y1};
            const std::vector<std::string> texts = elementTexts(r1, r2, a->elemLength[i]);
            if (texts.empty()) continue;
            const bool mostHere = (ce - cs) * 2 >= e - s;
            bool placed = false;
            for (const std::string& t : texts)
                if (!placed) placed = placer_.place(across((X(cs) + X(ce)) / 2, y, t, layer), room);
            if (!placed && mostHere) notes_.push_back(msg::sheetLabelLeftOut(number_, stake((cs + ce) / 2), "平曲线标注"));
        }
        if (path.points.size() >= 2) e_.polylines.push_back(std::move(path));
    }

    // 超高: the cross slopes of the left and right carriageway (1 mm a
    // percent from the band's middle) and their values where they turn.
    void drawSuperelevation() {
        const Surface* surface = s_.surface;
        if (!surface || !surface->loaded()) return;
        const SheetRect& band = l_.band(ProfileBand::Superelevation);
        const char* layer = bandLayer(ProfileBand::Superelevation);
        const double mid = (band.y0 + band.y1) / 2;
        const double reach = band.height() / 2 - 1;
        const auto slopes = [&](double c) {
            const Section section = sectionAt(*surface, c);
            constexpr auto lane = static_cast<std::size_t>(Component::Carriageway);
            return std::pair{section.of(Side::Left).slope[lane] * PERCENT, section.of(Side::Right).slope[lane] * PERCENT};
        };
        std::vector<double> at{from_};
        const ChainageTable& rows = surface->slopes;
        for (std::size_t r = 0; r < rows.rows(); ++r)
            if (rows.chainage(r) > from_ && rows.chainage(r) < to_) at.push_back(rows.chainage(r));
        at.push_back(to_);
        line(layer, l_.plot.x0, mid, X(to_), mid);
        SheetPolyline left{layer, {}}, right{layer, {}};
        for (double c : at) {
            const auto [l, r] = slopes(c);
            left.points.emplace_back(X(c), mid + std::clamp(l * SLOPE_MM_PER_PERCENT, -reach, reach));
            right.points.emplace_back(X(c), mid + std::clamp(r * SLOPE_MM_PER_PERCENT, -reach, reach));
        }
        e_.polylines.push_back(std::move(left));
        e_.polylines.push_back(std::move(right));
        // The values at the rows where a slope turns (and the table's ends).
        for (std::size_t r = 0; r < rows.rows(); ++r) {
            const double c = rows.chainage(r);
            if (c < from_ || c > to_) continue;
            const auto [l, rt] = slopes(c);
            bool turns = r == 0 || r + 1 == rows.rows();
            if (!turns) {
                const double c0 = rows.chainage(r - 1), c1 = rows.chainage(r + 1);
                const auto [l0, r0] = slopes(c0);
                const auto [l1, r1] = slopes(c1);
                const double k = (c - c0) / (c1 - c0);
                turns = std::fabs(l0 + (l1 - l0) * k - l) > LINEAR_SLOPE || std::fabs(r0 + (r1 - r0) * k - rt) > LINEAR_SLOPE;
            }
            if (!turns) continue;
            const double x = X(c);
            if (place({upright(x - TEXT_GAP, mid, "左" + formatTrimmed(l, DECIMALS) + "%", layer, TextAlign::Centre,
                               TextBase::Baseline)},
                      plotOf(band), c, "超高"))
                place({upright(x + TEXT_GAP, mid, "右" + formatTrimmed(rt, DECIMALS) + "%", layer, TextAlign::Centre,
                               TextBase::Top)},
                      plotOf(band), c, "超高");
        }
    }

    const ProfileSheetSource& s_;
    const ProfileSheetOptions& o_;
    const ProfileSheetLayout& l_;
    int number_, count_;
    double from_, to_, e0_, dx_;
    ProfileLabelModel model_;
    SheetEntities e_;
    TextPlacer placer_;
    std::vector<std::string> notes_;
};

// The lowest and highest elevation a sheet draws in its grid: the design
// line's and the ground line's over the stretch.
std::pair<double, double> stretchElevations(const ProfileSheetSource& s, double from, double to) {
    const ProfileLabelModel m = buildProfileModel(s.profile, s.breaks, from, to);
    double low = m.designLine.front().elevation, high = low;
    for (const RoadPoint& p : m.designLine) low = std::min(low, p.elevation), high = std::max(high, p.elevation);
    if (s.ground) {
        const auto take = [&](double c) {
            if (const auto g = s.ground->at(c)) low = std::min(low, *g), high = std::max(high, *g);
        };
        take(from);
        take(to);
        for (double c : s.ground->chainage)
            if (c > from && c < to) take(c);
    }
    return {low, high};
}

// The elevation at the grid's foot, a whole grid step, with the stretch's
// lowest point at least the line's foot above it and its middle near the
// middle of the line's room; none when the highest point lies above the
// line's top.
std::optional<double> originElevation(const ProfileSheetLayout& l, double verticalScale, double low, double high) {
    const double step = gridStep(verticalScale);
    const double foot = (l.lineBottom - l.grid.y0) * verticalScale / MM_PER_M;
    // The stretch's middle in the middle of the line's room where it can.
    const double middle = ((l.lineBottom + l.lineTop) / 2 - l.grid.y0) * verticalScale / MM_PER_M;
    double origin = std::floor(((low + high) / 2 - middle) / step) * step;
    if (low - origin < foot) origin = std::floor((low - foot) / step) * step;
    if ((high - origin) * MM_PER_M / verticalScale > l.lineTop - l.grid.y0) return std::nullopt;
    return origin;
}

}  // namespace

ProfileSheets profileSheets(const ProfileSheetSource& source, const ProfileSheetOptions& o) {
    const double hs = o.horizontalScale, vs = o.verticalScale;
    if (!(std::isfinite(hs) && hs > 0 && std::isfinite(vs) && vs > 0)) throw DataError(msg::sheetScalesNotPositive(hs, vs));
    if (!(std::isfinite(o.every) && o.every > 0)) throw DataError(msg::sheetStakeStepNotPositive(o.every));
    const Profile& p = source.profile;
    if (p.gradePointCount < 2) throw DataError(msg::PROFILE_TOO_SHORT_TO_DRAW);
    const double from = o.fromChainage.value_or(p.gradePointChainage[1]);
    const double to = o.toChainage.value_or(p.gradePointChainage[p.gradePointCount]);
    if (!(std::isfinite(from) && std::isfinite(to) && from < to)) throw DataError(msg::rangeNotStretch(from, to));

    const ProfileSheetLayout layout = profileSheetLayout(o.paper);
    const double capacity = layout.plot.width() * hs / MM_PER_M;  // m of road a sheet takes
    // Stakes far closer than a text is wide would all give way to one another.
    if (std::min(capacity, to - from) / o.every > MAX_BAND_STAKES)
        throw DataError(msg::sheetStakeStepTooSmall(o.every));
    const double most = static_cast<double>(MAX_SHEETS) * (layout.paper.width() + SHEET_GAP) / MM_PER_M;
    if (!((to - from) / capacity < static_cast<double>(MAX_SHEETS) / 2)) throw DataError(msg::sheetTooLarge(most));

    // The stretches: each as long as a sheet takes to a hundred of stake,
    // shortened by whole steps where its rise does not fit the frame at the
    // vertical scale.
    struct Stretch {
        double from, to, origin;
    };
    std::vector<Stretch> stretches;
    for (double a = from; a < to;) {
        // To the last hundred of stake a sheet takes, so that the next begins on one.
        double b = std::min(a + capacity, to);
        if (b < to) {
            const auto hundreds = roundStakes(source.breaks, a, b, ROUND_SHEET_LENGTH, MAX_SHEETS);
            if (hundreds && !hundreds->empty() && hundreds->back().chainage > a) b = hundreds->back().chainage;
        }
        // Chainages too large for a sheet's length to move them.
        if (!(b > a) || stretches.size() >= MAX_SHEETS) throw DataError(msg::sheetTooLarge(most));
        for (;;) {
            const auto [low, high] = stretchElevations(source, a, b);
            if (const std::optional<double> origin = originElevation(layout, vs, low, high)) {
                stretches.push_back({a, b, *origin});
                break;
            }
            const double shorter = std::floor((b - a) * SHRINK_FACTOR / SHRINK_STEP) * SHRINK_STEP;
            if (shorter < SHRINK_STEP) throw DataError(msg::sheetRiseTooLarge(formatStake(source.breaks, a), vs));
            b = a + shorter;
        }
        a = b;
    }

    ProfileSheets sheets;
    const int count = static_cast<int>(stretches.size());
    const std::vector<SheetLayer> layers = sheetLayers();
    SheetEntities all;
    for (int i = 0; i < count; ++i) {
        const double dx = o.split ? 0 : i * (layout.paper.width() + SHEET_GAP);
        SheetDrawer drawer(source, o, layout, i + 1, count, stretches[i].from, stretches[i].to, stretches[i].origin, dx);
        SheetEntities one;
        drawer.draw(o.split ? one : all, sheets.notes);
        const auto shifted = [dx](SheetRect r) { return SheetRect{r.x0 + dx, r.y0, r.x1 + dx, r.y1}; };
        sheets.pages.push_back({i + 1, stretches[i].from, stretches[i].to, shifted(layout.paper), shifted(layout.frame),
                                drawer.frame()});
        if (o.split) sheets.dxf.push_back(sheetDxf(one, layers, layout.paper));
    }
    if (!o.split) {
        const SheetRect extents{0, 0, sheets.pages.back().paper.x1, layout.paper.y1};
        sheets.dxf.push_back(sheetDxf(all, layers, extents));
    }
    return sheets;
}

std::string splitSheetPath(const std::string& path, int number) {
    const std::filesystem::path p(path);
    const std::string extension = p.has_extension() ? p.extension().string() : ".dxf";
    std::filesystem::path named = p;
    named.replace_filename(p.stem().string() + "-" + std::to_string(number) + extension);
    return named.string();
}

std::vector<std::string> profileSheetFiles(const std::string& path, std::size_t sheets, bool split) {
    if (!split) return {path};
    std::vector<std::string> files;
    for (std::size_t i = 1; i <= sheets; ++i) files.push_back(splitSheetPath(path, static_cast<int>(i)));
    return files;
}

void writeProfileSheets(const std::vector<std::string>& files, const ProfileSheets& sheets) {
    for (std::size_t i = 0; i < files.size() && i < sheets.dxf.size(); ++i) {
        if (files[i].empty()) throw FileAccessError(msg::NO_SHEET_FILE);
        writeFileAtomically(files[i], sheets.dxf[i]);
    }
}

}  // namespace gradix
