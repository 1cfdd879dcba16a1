#include "checks/datacheck.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

#include "alignment/alignment.h"
#include "landxml/landxml.h"
#include "profile/profile.h"
#include "stakes/chainbreaks.h"
#include "stakes/stakes.h"
#include "text/angles.h"
#include "text/dataline.h"
#include "text/failures.h"
#include "text/numbers.h"
#include "text/textfile.h"

namespace gradix {

namespace {

constexpr int METRE_DECIMALS = 3;   // lengths and stakes, "0.000"
// Chainages closer than this (m) count as the same place.
constexpr double SAME_PLACE = 1e-6;
// Vertical curves that overlap by less than this (m) are the rounding of
// stations and lengths printed by an exporter (to the millimetre, say):
// a warning, not an error.
constexpr double ROUNDING_OVERLAP = 0.01;

std::string metres(double v) { return formatFixed(v, METRE_DECIMALS); }
std::string percent(double ratio) { return formatPercent(ratio); }
std::string nth(long i, const char* what) { return "第" + std::to_string(i) + "个" + what; }

// Collects the findings of one check run.
class Findings {
public:
    explicit Findings(std::vector<Finding>& out) : out_(out) {}
    void error(const std::string& file, long line, std::string text) {
        out_.push_back({Severity::Error, file, line, std::move(text)});
    }
    void warning(const std::string& file, long line, std::string text) {
        out_.push_back({Severity::Warning, file, line, std::move(text)});
    }
    // A file the reader refused: one error with the reader's place and reason.
    void refused(const std::string& file, const GradixError& e) {
        error(e.file().empty() ? file : e.file(), e.line(), std::string(e.what()) + " " + e.reason());
    }

private:
    std::vector<Finding>& out_;
};

// A stake message nobody sees: in check mode the profile reader keeps
// refused stakes as refusals and shows nothing.
class NoMessages : public MessageSink {
public:
    void activateMainWindow() override {}
    void showMessage(const std::string&, const std::string&) override {}
};

// What a reader's report holds: each refused line an error, each note a
// warning, in line order.
void reportLines(const std::string& path, const ReadReport& report, Findings& findings) {
    for (const LineNote& r : report.refusals) findings.error(path, r.line, r.text);
    for (const LineNote& note : report.notes) findings.warning(path, note.line, note.text);
}

// The chain breaks as the file writes them, each with its line.
struct WrittenBreak {
    double back;
    double ahead;
    long line;
};

void checkBreakOrder(const std::vector<WrittenBreak>& breaks, const std::string& path, Findings& findings) {
    for (std::size_t k = 0; k < breaks.size(); ++k) {
        const WrittenBreak& b = breaks[k];
        const long number = static_cast<long>(k) + 1;
        if (b.back == b.ahead)
            findings.warning(path, b.line,
                             nth(number, "断链") + "的断前、断后桩号相同（" + shortDecimal(b.back) + "），不起作用");
        if (k == 0) continue;
        const WrittenBreak& before = breaks[k - 1];
        if (!(b.back > before.ahead)) {
            findings.error(path, b.line,
                           nth(number, "断链") + "的断前桩号" + shortDecimal(b.back) + "不在" + nth(number - 1, "断链") +
                               "的断后桩号" + shortDecimal(before.ahead) + "之后，断链顺序有误");
            continue;
        }
        const double apart = b.back - before.ahead;
        const double jump = std::max(std::fabs(before.back - before.ahead), std::fabs(b.back - b.ahead));
        if (apart < jump)
            findings.warning(path, b.line,
                             nth(number - 1, "断链") + "与" + nth(number, "断链") + "相距" + metres(apart) +
                                 " m，小于断链的长短链" + metres(jump) + " m");
    }
}

// Reads the chain-break file in check mode into table: every line refused
// and every note is a finding, then the order of the breaks accepted. False
// when the file is refused as a whole (the table is then no table).
bool checkBreaks(const std::string& path, ChainBreakTable& table, Findings& findings) {
    ReadReport report;
    report.checkMode = true;
    try {
        readChainBreakFile(path, table, &report);
    } catch (const GradixError& e) {
        reportLines(path, report, findings);
        findings.refused(path, e);
        return false;
    }
    reportLines(path, report, findings);
    std::vector<WrittenBreak> written;
    for (int k = 1; k <= table.chainBreakCount; ++k)
        written.push_back({table.breakBackStake[k], table.breakAheadStake[k],
                           report.entryLines[static_cast<std::size_t>(k) - 1]});
    checkBreakOrder(written, path, findings);
    return true;
}

bool checkIcd(const std::string& path, Alignment& alignment, Findings& findings) {
    ChainBreakTable unused;
    ReadReport report;
    report.checkMode = true;
    try {
        dqicd(path, alignment, unused, PI, &report);  // π as the initialisation computes it
    } catch (const GradixError& e) {
        reportLines(path, report, findings);
        findings.refused(path, e);
        return false;
    }
    reportLines(path, report, findings);
    for (int i = 1; i <= alignment.elemCount; ++i) {
        if (alignment.elemLength[i] != 0.0) continue;
        const auto k = static_cast<std::size_t>(i);
        findings.warning(path, k <= report.entryLines.size() ? report.entryLines[k - 1] : 0, nth(i, "线元") + "长度为0");
    }
    return true;
}

// The stake of a line as the file writes it (its first field), for the
// findings that quote it; "" when the file cannot be read again.
std::string writtenStake(const std::string& path, long line) {
    try {
        const std::vector<std::string> lines = readTextLines(path);
        if (line >= 1 && static_cast<std::size_t>(line) <= lines.size())
            return splitFields(prepareDataLine(lines[static_cast<std::size_t>(line) - 1])).front();
    } catch (const GradixError&) {
        // The file was just read; the quotation is a courtesy.
    }
    return {};
}

// Grade points in the order of their chainages; false when two are not.
bool checkOrder(const Profile& p, const std::vector<long>& lines, const std::string& path, Findings& findings) {
    bool ordered = true;
    const auto& K = p.gradePointChainage;
    for (int b = 2; b <= p.gradePointCount; ++b) {
        const int a = b - 1;
        const long line = lines[static_cast<std::size_t>(b) - 1];
        if (K[b] == K[a]) {
            findings.error(path, line, nth(a, "变坡点") + "与" + nth(b, "变坡点") + "桩号相同");
            ordered = false;
        } else if (K[b] < K[a]) {
            findings.error(path, line,
                           nth(b, "变坡点") + "（桩号" + writtenStake(path, line) + "）在" + nth(a, "变坡点") +
                               "（桩号" + writtenStake(path, lines[static_cast<std::size_t>(a) - 1]) +
                               "）之前，变坡点顺序有误");
            ordered = false;
        }
    }
    return ordered;
}

// The room a vertical curve has toward an end of the profile (whose grade
// point has no curve): the whole distance to it, to the rounding of an
// exporter (a curve that ends on the end point by design reaches past it by
// a millimetre in a file printed to millimetres). Between grade points that
// both may have a curve, the room is what the other curve leaves: the
// overlap check.
void checkRoomAtEnd(const Profile& p, int i, int end, const std::vector<long>& lines, const std::string& path,
                    Findings& findings) {
    const double room = std::fabs(p.gradePointChainage[i] - p.gradePointChainage[end]);
    const double T = p.tangentLength[i];
    if (!(T - room >= ROUNDING_OVERLAP)) return;
    findings.warning(path, lines[static_cast<std::size_t>(i) - 1],
                     nth(i, "变坡点") + "的切线长" + metres(T) + " m超过到" + nth(end, "变坡点") + "（纵断面" +
                         (end == 1 ? "起点" : "终点") + "）的距离" + metres(room) + " m：竖曲线伸出纵断面" +
                         metres(T - room) + " m");
}

// The curves of a prepared profile: overlaps (an error, a warning under
// ROUNDING_OVERLAP), curves that reach beyond an end of the profile, the
// person's limits of curve length and grade. lines[i - 1] is the line of
// grade point i (0 where the file gives none).
void checkCurves(const Profile& p, const std::vector<long>& lines, const CheckRules& rules, const std::string& path,
                 Findings& findings) {
    const int n = p.gradePointCount;
    const auto& K = p.gradePointChainage;
    const auto& T = p.tangentLength;
    const auto& R = p.curveRadius;
    const auto& g = p.segmentGrade;
    const auto lineOf = [&](int i) { return lines[static_cast<std::size_t>(i) - 1]; };
    for (int i = 2; i + 1 <= n - 1; ++i) {
        const double end = K[i] + T[i];
        const double nextStart = K[i + 1] - T[i + 1];
        const double overlap = end - nextStart;
        if (!(overlap > SAME_PLACE)) continue;  // curves that touch, to the rounding of a double
        const std::string text = nth(i, "变坡点") + "与" + nth(i + 1, "变坡点") + "的竖曲线重叠" + metres(overlap) +
                                 " m（前者止于" + metres(end) + "，后者起于" + metres(nextStart) +
                                 "）；其间高程按前一区间计算";
        if (overlap < ROUNDING_OVERLAP)
            findings.warning(path, lineOf(i + 1), text + "；不足" + metres(ROUNDING_OVERLAP) + " m，多为导出数据的取整");
        else
            findings.error(path, lineOf(i + 1), text);
    }
    if (n >= 3) {
        checkRoomAtEnd(p, 2, 1, lines, path, findings);
        checkRoomAtEnd(p, n - 1, n, lines, path, findings);
    }
    for (int i = 2; i <= n - 1; ++i)
        if (rules.minCurveLength > 0.0 && T[i] > 0.0 && R[i] > 0.0 && 2 * T[i] < rules.minCurveLength)
            findings.warning(path, lineOf(i),
                             nth(i, "变坡点") + "的竖曲线长" + metres(2 * T[i]) + " m短于" + metres(rules.minCurveLength) +
                                 " m");
    for (int i = 1; i <= n - 1; ++i)
        if (PERCENT * std::fabs(g[i]) > rules.maxGradePercent)
            findings.warning(path, lineOf(i),
                             nth(i, "变坡点") + "至" + nth(i + 1, "变坡点") + "的纵坡" + percent(g[i]) + "%超过" +
                                 shortDecimal(rules.maxGradePercent) + "%");
}

// A profile beyond the ends of the alignment (whose stakes there have no
// place on the plan).
void checkReachBeyond(const Profile& p, const Alignment& al, const std::vector<long>& lines, const std::string& path,
                      Findings& findings) {
    const int n = p.gradePointCount;
    const double first = p.gradePointChainage[1], last = p.gradePointChainage[n];
    const double start = al.elemChainage[1], end = al.elemChainage[al.elemCount + 1];
    if (first < start - SAME_PLACE)
        findings.warning(path, lines.front(), "纵断面起点在平面起点" + metres(start) + "之前" + metres(start - first) + " m");
    if (last > end + SAME_PLACE)
        findings.warning(path, lines.back(), "纵断面超出平面终点" + metres(end) + "共" + metres(last - end) + " m");
}

// A profile that does not cover the alignment, or reaches beyond it.
void checkCoverage(const Profile& p, const Alignment& al, const std::vector<long>& lines, const std::string& path,
                   Findings& findings) {
    const int n = p.gradePointCount;
    const double first = p.gradePointChainage[1], last = p.gradePointChainage[n];
    const double start = al.elemChainage[1], end = al.elemChainage[al.elemCount + 1];
    const long firstLine = lines.front(), lastLine = lines.back();
    if (first > start + SAME_PLACE)
        findings.warning(path, firstLine,
                         "纵断面起于" + metres(first) + "，平面起于" + metres(start) + "：起点缺" + metres(first - start) +
                             " m");
    if (last < end - SAME_PLACE)
        findings.warning(path, lastLine,
                         "纵断面止于" + metres(last) + "，平面止于" + metres(end) + "：终点缺" + metres(end - last) + " m");
    checkReachBeyond(p, al, lines, path, findings);
}

// Reads the profile in check mode (every line refused and every note a
// finding), then checks the order of the grade points accepted and, when
// every line was accepted in order, the prepared curves and the coverage
// of the alignment.
void checkProfile(const std::string& path, const ChainBreakTable& table, const Alignment* alignment,
                  const CheckRules& rules, Findings& findings) {
    ReadReport report;
    report.checkMode = true;
    Profile p;
    NoMessages unseen;
    try {
        readProfileFile(path, table, unseen, p, &report);
    } catch (const GradixError& e) {
        reportLines(path, report, findings);
        findings.refused(path, e);
        return;
    }
    reportLines(path, report, findings);
    const std::vector<long>& lines = report.entryLines;
    const bool ordered = checkOrder(p, lines, path, findings);
    if (!ordered || !report.refusals.empty()) return;
    if (p.gradePointCount < 2) {
        findings.error(path, lines.empty() ? 1 : lines.front(), "纵断面至少需要两个变坡点");
        return;
    }
    try {
        PrepareProfile(p);
    } catch (const GradixError& e) {
        findings.refused(path, e);
        return;
    }
    checkCurves(p, lines, rules, path, findings);
    if (alignment) checkCoverage(p, *alignment, lines, path, findings);
}

// A LandXML file: what its reader notes, as warnings (a file it refuses is
// one error); the alignment, its equations and, when withProfile, its
// profile for the checks that follow. False when the file was refused.
bool checkLandXml(const std::string& path, bool withProfile, LandXmlProject& read, Findings& findings) {
    try {
        read = readLandXml(path, {"", "", withProfile});
    } catch (const GradixError& e) {
        findings.refused(path, e);
        return false;
    }
    for (const LandXmlNote& note : read.notes) findings.warning(path, note.line, note.text);
    return true;
}

// The LandXML file's own profile: its curves, tangents and grades, and a
// profile beyond the ends of its alignment (the reader has refused PVIs out
// of order and noted a profile that does not cover the alignment).
void checkLandXmlProfile(const std::string& path, const LandXmlProject& read, const CheckRules& rules,
                         Findings& findings) {
    std::vector<long> lines = read.gradePointLines;
    lines.resize(static_cast<std::size_t>(read.profile.gradePointCount), 0);
    checkCurves(read.profile, lines, rules, path, findings);
    if (!lines.empty() && read.alignment.elemCount >= 1) checkReachBeyond(read.profile, read.alignment, lines, path, findings);
}

// The findings of each file in the order of its lines (those of no line
// after them), the files in the order they were checked.
void inLineOrder(std::vector<Finding>& findings) {
    for (auto from = findings.begin(); from != findings.end();) {
        const auto to = std::find_if(from, findings.end(), [&](const Finding& f) { return f.file != from->file; });
        std::stable_sort(from, to, [](const Finding& a, const Finding& b) {
            return (a.line == 0 ? LONG_MAX : a.line) < (b.line == 0 ? LONG_MAX : b.line);
        });
        from = to;
    }
}

// The superelevation and width files: every line refused, slopes beyond
// MAX_CROSS_SLOPE, runoff rates against the design speed's limit and, where
// a slope passes zero, against MIN_RUNOFF_RATE, and widths that change
// within less than MIN_WIDENING_LENGTH.
void checkSurface(const CheckedFiles& files, const ChainBreakTable& table, const CheckRules& rules,
                  Findings& findings) {
    Surface surface;
    surface.pivot = rules.pivot;
    ReadReport slopeReport, widthReport;
    slopeReport.checkMode = widthReport.checkMode = true;
    const auto read = [&](const std::string& path, ReadReport& report, auto reader) {
        try {
            reader(path, table, surface, &report);
        } catch (const GradixError& e) {
            reportLines(path, report, findings);
            findings.refused(path, e);
            return false;
        }
        reportLines(path, report, findings);
        return true;
    };
    bool usable = true;
    if (files.superelevation.empty())
        setUniformSlopes(surface, crownSection());
    else
        usable = read(files.superelevation, slopeReport, readSuperelevationFile) && surface.slopes.rows() > 0;
    if (files.widths.empty())
        setUniformWidths(surface, crownSection());
    else
        usable = read(files.widths, widthReport, readWidthFile) && surface.widths.rows() > 0 && usable;
    if (!usable) return;
    try {
        prepareSurface(surface);
    } catch (const GradixError& e) {
        findings.refused(files.widths.empty() ? files.superelevation : files.widths, e);
        return;
    }

    const ChainageTable& slopes = surface.slopes;
    // Slopes, row by row as the file writes them: the steepest of a row.
    static const char* const COLUMN[] = {"左土路肩", "左硬路肩", "左行车道", "右行车道", "右硬路肩", "右土路肩"};
    for (std::size_t r = 0; !files.superelevation.empty() && r < slopes.rows(); ++r) {
        std::size_t steepest = 0;
        for (std::size_t c = 1; c < slopes.columns(); ++c)
            if (!(std::fabs(slopes.value(r, c)) <= std::fabs(slopes.value(r, steepest)))) steepest = c;
        if (const double v = slopes.value(r, steepest); std::fabs(v) > MAX_CROSS_SLOPE)
            findings.error(files.superelevation, slopeReport.entryLines[r],
                           std::string(COLUMN[steepest]) + "横坡" + formatPercent(v, 2) + "%超过±" +
                               formatPercent(MAX_CROSS_SLOPE, 0) + "%");
    }

    // Runoff: how fast each carriageway edge rises against the pivot from
    // one row of the superelevation file to the next.
    const std::optional<double> limit = maxRunoffRate(rules.designSpeed, rules.pivot);
    const std::size_t carriageway = static_cast<std::size_t>(Component::Carriageway);
    for (std::size_t r = 1; !files.superelevation.empty() && r < slopes.rows(); ++r) {
        const double a = slopes.chainage(r - 1), b = slopes.chainage(r);
        const Section from = sectionAt(surface, a), to = sectionAt(surface, b);
        for (Side side : {Side::Left, Side::Right}) {
            const double sign = side == Side::Left ? -1.0 : 1.0;
            const auto edgeHeight = [&](const Section& s) {
                const SideSection& half = s.of(side);
                const double edge = sign * (half.width[0] + half.width[carriageway]);
                return s.heightAt(edge) - s.heightAt(pivotOffset(surface, s, side));
            };
            const double rate = std::fabs(edgeHeight(to) - edgeHeight(from)) / (b - a);
            if (!(rate > 0.0)) continue;
            const double s0 = from.of(side).slope[carriageway], s1 = to.of(side).slope[carriageway];
            const long line = slopeReport.entryLines[r];
            const std::string where = std::string(sideName(side)) + "行车道边缘的超高渐变率1/" +
                                      formatFixed(1.0 / rate, 0);
            if (limit && rate > *limit)
                findings.error(files.superelevation, line,
                               where + "大于设计速度" + std::to_string(rules.designSpeed) + " km/h的1/" +
                                   formatFixed(1.0 / *limit, 0));
            if (s0 != s1 && s0 * s1 <= 0.0 && rate < MIN_RUNOFF_RATE)
                findings.warning(files.superelevation, line, where + "小于1/330：横坡过零处不利于排水");
        }
    }

    // Widths that change within less than a transition's length.
    const ChainageTable& widths = surface.widths;
    for (std::size_t r = 1; !files.widths.empty() && r < widths.rows(); ++r) {
        const double length = widths.chainage(r) - widths.chainage(r - 1);
        if (length >= MIN_WIDENING_LENGTH) continue;
        for (std::size_t c = 0; c < widths.columns(); ++c)
            if (widths.value(r, c) != widths.value(r - 1, c)) {
                findings.error(files.widths, widthReport.entryLines[r],
                               "宽度在" + metres(length) + " m内由" + metres(widths.value(r - 1, c)) + "变为" +
                                   metres(widths.value(r, c)) + " m：加宽过渡段短于" +
                                   formatFixed(MIN_WIDENING_LENGTH, 0) + " m");
                break;
            }
    }
}

}  // namespace

std::optional<double> maxRunoffRate(int designSpeed, Pivot pivot) {
    struct Limit {
        int speed;
        double centre, edge;  // 1/N
    };
    static constexpr Limit LIMITS[] = {{120, 250, 200}, {100, 225, 175}, {80, 200, 150}, {60, 175, 125},
                                       {40, 150, 100},  {30, 125, 75},   {20, 100, 50}};
    for (const Limit& l : LIMITS)
        if (l.speed == designSpeed) return 1.0 / (pivot == Pivot::Centre ? l.centre : l.edge);
    return std::nullopt;
}

std::vector<Finding> checkProject(const CheckedFiles& files, const CheckRules& rules) {
    std::vector<Finding> out;
    Findings findings(out);
    ChainBreakTable table;
    Alignment alignment;
    bool haveAlignment = false;
    bool tableUsable = true;
    if (!files.landxml.empty()) {
        LandXmlProject read;
        tableUsable = haveAlignment = checkLandXml(files.landxml, files.profile.empty(), read, findings);
        alignment = read.alignment;
        table = read.breaks;
        if (read.hasProfile) checkLandXmlProfile(files.landxml, read, rules, findings);
    } else if (!files.icd.empty()) {
        haveAlignment = checkIcd(files.icd, alignment, findings);
    } else if (!files.breaks.empty()) {
        tableUsable = checkBreaks(files.breaks, table, findings);
    }
    if (tableUsable && !files.profile.empty())
        checkProfile(files.profile, table, haveAlignment ? &alignment : nullptr, rules, findings);
    if (tableUsable && (!files.superelevation.empty() || !files.widths.empty()))
        checkSurface(files, table, rules, findings);
    inLineOrder(out);
    return out;
}

bool hasErrors(const std::vector<Finding>& findings) {
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding& f) { return f.severity == Severity::Error; });
}

const char* severityName(Severity severity) { return severity == Severity::Error ? "error" : "warning"; }

const char* severityText(Severity severity) { return severity == Severity::Error ? "错误" : "警告"; }

}  // namespace gradix
