#include "checks/datacheck.h"

#include <algorithm>
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
constexpr std::size_t ICD_HEADER_ITEMS = 4;

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

// Keeps the last message of the stake conversion instead of showing it.
class KeptMessage : public MessageSink {
public:
    void activateMainWindow() override {}
    void showMessage(const std::string&, const std::string& text) override { text_ = text; }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

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

// Reads the chain-break file for the check: its breaks as written, then the
// table as the initialisation loads it. False when the table cannot be loaded.
bool checkBreaks(const std::string& path, ChainBreakTable& table, Findings& findings) {
    std::vector<std::string> lines;
    try {
        lines = readTextLines(path);
    } catch (const GradixError& e) {
        findings.refused(path, e);
        return false;
    }
    std::vector<WrittenBreak> written;
    bool readable = true;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string prepared = prepareDataLine(lines[i]);
        if (prepared.empty()) break;
        const long line = static_cast<long>(i) + 1;
        const std::vector<std::string> fields = splitFields(prepared);
        const std::optional<double> back = parseStrictNumber(fields[0]);
        const std::optional<double> ahead = fields.size() > 1 ? parseStrictNumber(fields[1]) : std::nullopt;
        if (!back || !ahead) {
            findings.error(path, line, "断链行需要断前、断后两个桩号数字");
            readable = false;
            continue;
        }
        written.push_back({*back, *ahead, line});
    }
    if (!written.empty() && written.front().back == NO_BREAK_MARK) return readable && (table = {}, true);
    if (written.size() > static_cast<std::size_t>(MAX_CHAIN_BREAKS)) {
        findings.error(path, written[MAX_CHAIN_BREAKS].line, "断链多于" + std::to_string(MAX_CHAIN_BREAKS) + "个");
        readable = false;
    }
    checkBreakOrder(written, path, findings);
    if (!readable) return false;
    try {
        readChainBreakFile(path, table);
    } catch (const GradixError& e) {
        findings.refused(path, e);
        return false;
    }
    return true;
}

// The 1-based line of each element record of an ICD file: the lines after
// the four header items that are neither empty nor ";;" comments.
std::vector<long> icdRecordLines(const std::vector<std::string>& lines) {
    std::vector<long> recordLines;
    std::size_t items = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string prepared = prepareIcdLine(lines[i]);
        if (items < ICD_HEADER_ITEMS) {
            if (prepared.empty()) continue;
            const std::vector<std::string> fields = splitFields(prepared);
            const std::size_t used = std::min(fields.size(), ICD_HEADER_ITEMS - items);
            items += used;
            if (used == fields.size() || items < ICD_HEADER_ITEMS) continue;  // the header's rest, no record
        } else if (isSkippedIcdLine(prepared)) {
            continue;
        }
        recordLines.push_back(static_cast<long>(i) + 1);
    }
    return recordLines;
}

bool checkIcd(const std::string& path, Alignment& alignment, Findings& findings) {
    ChainBreakTable unused;
    try {
        dqicd(path, alignment, unused, PI);  // π as the initialisation computes it
    } catch (const GradixError& e) {
        findings.refused(path, e);
        return false;
    }
    std::vector<long> recordLines;
    try {
        recordLines = icdRecordLines(readTextLines(path));
    } catch (const GradixError&) {
        // The file was just read; a line for the findings is a courtesy.
    }
    for (int i = 1; i <= alignment.elemCount; ++i) {
        if (alignment.elemLength[i] != 0.0) continue;
        const long line = static_cast<std::size_t>(i) <= recordLines.size() ? recordLines[i - 1] : 0;
        findings.warning(path, line, nth(i, "线元") + "长度为0");
    }
    return true;
}

// A grade point as the profile file writes it.
struct WrittenPoint {
    std::string stake;
    double chainage;
    double elevation;
    double radius;
    long line;
};

std::vector<WrittenPoint> readWrittenPoints(const std::vector<std::string>& lines, const ChainBreakTable& table,
                                            const std::string& path, Findings& findings, bool& readable) {
    std::vector<WrittenPoint> points;
    constexpr std::size_t FIELDS_WITH_RADIUS = 3;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string prepared = prepareDataLine(lines[i]);
        if (prepared.empty()) break;
        const long line = static_cast<long>(i) + 1;
        const std::vector<std::string> fields = splitFields(prepared);
        if (points.size() >= static_cast<std::size_t>(MAX_GRADE_POINTS)) {
            findings.error(path, line, "变坡点多于" + std::to_string(MAX_GRADE_POINTS) + "个");
            readable = false;
            break;
        }
        KeptMessage message;
        std::int16_t accepted = 1;
        try {
            const std::string qualified = zh_dlstr(table, fields[0], message, accepted);
            if (accepted == 0) {
                findings.error(path, line, message.text());
                readable = false;
                continue;
            }
            if (fields.size() < 2) {
                findings.error(path, line, "变坡点需要桩号和高程两个字段");
                readable = false;
                continue;
            }
            const double radius = fields.size() == FIELDS_WITH_RADIUS ? LeadingNumber(fields[2]) : 0.0;
            points.push_back({fields[0], dlstr_sj(table, qualified), LeadingNumber(fields[1]), radius, line});
        } catch (const GradixError& e) {
            findings.error(path, line, std::string(e.what()) + " " + e.reason());
            readable = false;
        }
    }
    return points;
}

void checkOrder(const std::vector<WrittenPoint>& points, const std::string& path, Findings& findings,
                bool& ordered) {
    for (std::size_t i = 1; i < points.size(); ++i) {
        const long a = static_cast<long>(i), b = static_cast<long>(i) + 1;
        if (points[i].chainage == points[i - 1].chainage) {
            findings.error(path, points[i].line, nth(a, "变坡点") + "与" + nth(b, "变坡点") + "桩号相同");
            ordered = false;
        } else if (points[i].chainage < points[i - 1].chainage) {
            findings.error(path, points[i].line,
                           nth(b, "变坡点") + "（桩号" + points[i].stake + "）在" + nth(a, "变坡点") + "（桩号" +
                               points[i - 1].stake + "）之前，变坡点顺序有误");
            ordered = false;
        }
    }
}

void checkCurves(const Profile& p, const std::vector<WrittenPoint>& points, const CheckRules& rules,
                 const std::string& path, Findings& findings) {
    const int n = p.gradePointCount;
    const auto& K = p.gradePointChainage;
    const auto& T = p.tangentLength;
    const auto& R = p.curveRadius;
    const auto& g = p.segmentGrade;
    const auto lineOf = [&](int i) { return points[static_cast<std::size_t>(i) - 1].line; };
    for (int i = 2; i + 1 <= n - 1; ++i) {
        const double end = K[i] + T[i];
        const double nextStart = K[i + 1] - T[i + 1];
        if (end > nextStart)
            findings.error(path, lineOf(i + 1),
                           nth(i, "变坡点") + "与" + nth(i + 1, "变坡点") + "的竖曲线重叠" + metres(end - nextStart) +
                               " m（前者止于" + metres(end) + "，后者起于" + metres(nextStart) +
                               "）；其间高程按前一区间计算");
    }
    for (int i = 2; i <= n - 1; ++i) {
        if (!(T[i] > 0.0)) continue;
        const double before = K[i] - K[i - 1];
        const double after = K[i + 1] - K[i];
        if (T[i] > before / 2)
            findings.warning(path, lineOf(i),
                             nth(i, "变坡点") + "的切线长" + metres(T[i]) + " m超过到" + nth(i - 1, "变坡点") +
                                 "距离的一半（" + metres(before / 2) + " m）");
        if (T[i] > after / 2)
            findings.warning(path, lineOf(i),
                             nth(i, "变坡点") + "的切线长" + metres(T[i]) + " m超过到" + nth(i + 1, "变坡点") +
                                 "距离的一半（" + metres(after / 2) + " m）");
        if (rules.minCurveLength > 0.0 && R[i] > 0.0 && 2 * T[i] < rules.minCurveLength)
            findings.warning(path, lineOf(i),
                             nth(i, "变坡点") + "的竖曲线长" + metres(2 * T[i]) + " m短于" + metres(rules.minCurveLength) +
                                 " m");
    }
    for (int i = 1; i <= n - 1; ++i)
        if (PERCENT * std::fabs(g[i]) > rules.maxGradePercent)
            findings.warning(path, lineOf(i),
                             nth(i, "变坡点") + "至" + nth(i + 1, "变坡点") + "的纵坡" + percent(g[i]) + "%超过" +
                                 shortDecimal(rules.maxGradePercent) + "%");
}

void checkCoverage(const Profile& p, const Alignment& al, const std::vector<WrittenPoint>& points,
                   const std::string& path, Findings& findings) {
    const int n = p.gradePointCount;
    const double first = p.gradePointChainage[1], last = p.gradePointChainage[n];
    const double start = al.elemChainage[1], end = al.elemChainage[al.elemCount + 1];
    const long firstLine = points.front().line, lastLine = points.back().line;
    if (first > start + SAME_PLACE)
        findings.warning(path, firstLine,
                         "纵断面起于" + metres(first) + "，平面起于" + metres(start) + "：起点缺" + metres(first - start) +
                             " m");
    if (first < start - SAME_PLACE)
        findings.warning(path, firstLine, "纵断面起点在平面起点" + metres(start) + "之前" + metres(start - first) + " m");
    if (last < end - SAME_PLACE)
        findings.warning(path, lastLine,
                         "纵断面止于" + metres(last) + "，平面止于" + metres(end) + "：终点缺" + metres(end - last) + " m");
    if (last > end + SAME_PLACE)
        findings.warning(path, lastLine, "纵断面超出平面终点" + metres(end) + "共" + metres(last - end) + " m");
}

void checkProfile(const std::string& path, const ChainBreakTable& table, const Alignment* alignment,
                  const CheckRules& rules, Findings& findings) {
    std::vector<std::string> lines;
    try {
        lines = readTextLines(path);
    } catch (const GradixError& e) {
        findings.refused(path, e);
        return;
    }
    bool readable = true;
    const std::vector<WrittenPoint> points = readWrittenPoints(lines, table, path, findings, readable);
    checkOrder(points, path, findings, readable);
    if (!readable) return;
    if (points.size() < 2) {
        findings.error(path, points.empty() ? 1 : points.front().line, "纵断面至少需要两个变坡点");
        return;
    }
    Profile p;
    const int n = static_cast<int>(points.size());
    p.gradePointCount = static_cast<std::int16_t>(n);
    for (auto* column : {&p.gradePointChainage, &p.gradePointElevation, &p.curveRadius, &p.segmentGrade,
                         &p.gradeChange, &p.tangentLength, &p.curveEndChainage})
        column->assign(static_cast<std::size_t>(n) + 1, 0.0);
    for (int i = 1; i <= n; ++i) {
        const WrittenPoint& w = points[static_cast<std::size_t>(i) - 1];
        p.gradePointChainage[i] = w.chainage;
        p.gradePointElevation[i] = w.elevation;
        p.curveRadius[i] = w.radius;
    }
    try {
        PrepareProfile(p);
    } catch (const GradixError& e) {
        findings.refused(path, e);
        return;
    }
    checkCurves(p, points, rules, path, findings);
    if (alignment) checkCoverage(p, *alignment, points, path, findings);
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

// The LandXML file's own profile: its curves, tangents and grades (the
// reader has refused PVIs out of order and noted a profile that does not
// cover the alignment). The PVIs carry no line.
void checkLandXmlProfile(const std::string& path, const Profile& p, const CheckRules& rules, Findings& findings) {
    std::vector<WrittenPoint> points;
    for (int i = 1; i <= p.gradePointCount; ++i)
        points.push_back({shortDecimal(p.gradePointChainage[i]), p.gradePointChainage[i], p.gradePointElevation[i],
                          p.curveRadius[i], 0});
    checkCurves(p, points, rules, path, findings);
}

}  // namespace

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
        if (read.hasProfile) checkLandXmlProfile(files.landxml, read.profile, rules, findings);
    } else if (!files.icd.empty()) {
        haveAlignment = checkIcd(files.icd, alignment, findings);
    } else if (!files.breaks.empty()) {
        tableUsable = checkBreaks(files.breaks, table, findings);
    }
    if (tableUsable && !files.profile.empty())
        checkProfile(files.profile, table, haveAlignment ? &alignment : nullptr, rules, findings);
    return out;
}

bool hasErrors(const std::vector<Finding>& findings) {
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding& f) { return f.severity == Severity::Error; });
}

const char* severityName(Severity severity) { return severity == Severity::Error ? "error" : "warning"; }

const char* severityText(Severity severity) { return severity == Severity::Error ? "错误" : "警告"; }

}  // namespace gradix
