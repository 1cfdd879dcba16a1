#include "setout/surveypoints.h"

#include <cmath>

#include "stakes/stakes.h"
#include "text/numbers.h"
#include "text/textfile.h"
#include "text/messages.h"

namespace gradix {

namespace {

constexpr char COMMENT = '#';
// A point is beyond an end of the alignment when it lies more than this (m)
// past the normal at that end.
constexpr double END_TOLERANCE = 1e-3;
constexpr std::size_t FIELDS_WITHOUT_Z = 3;
constexpr std::size_t FIELDS_WITH_Z = 4;
constexpr int LENGTH_DECIMALS = 3;
constexpr int ELEVATION_DECIMALS = 4;
constexpr int GRADE_DECIMALS = 4;
constexpr double NAME_WIDTH = 12, STAKE_WIDTH = 14, NUMBER_WIDTH = 13;

// Fields separated by runs of blanks, tabs and commas.
std::vector<std::string> pointFields(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    for (char c : line) {
        if (c == ' ' || c == '\t' || c == ',') {
            if (!field.empty()) fields.push_back(std::move(field));
            field.clear();
        } else {
            field += c;
        }
    }
    if (!field.empty()) fields.push_back(std::move(field));
    return fields;
}

double coordinate(const std::string& field, const char* what) {
    const std::optional<double> v = parseStrictNumber(field);
    if (!v) throw DataError(msg::coordinateNotNumber(what, field));
    return *v;
}

SurveyPoint parsePoint(const std::string& line, long number) {
    const std::vector<std::string> f = pointFields(line.substr(0, line.find(COMMENT)));
    if (f.size() != FIELDS_WITHOUT_Z && f.size() != FIELDS_WITH_Z)
        throw DataError(msg::pointFieldCount(f.size()));
    SurveyPoint p{f[0], coordinate(f[1], "X"), coordinate(f[2], "Y"), std::nullopt, number};
    if (f.size() == FIELDS_WITH_Z) p.z = coordinate(f[3], "Z");
    return p;
}

bool isBlank(const std::string& line) {
    const std::string content = line.substr(0, line.find(COMMENT));
    return content.find_first_not_of(" \t,\r") == std::string::npos;
}

}  // namespace

SurveyPointFile readSurveyPoints(const std::string& path, bool keepGoing) {
    const std::vector<std::string> lines = readTextLines(path);
    SurveyPointFile file;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (isBlank(lines[i])) continue;
        const long number = static_cast<long>(i) + 1;
        try {
            file.points.push_back(parsePoint(lines[i], number));
        } catch (DataError& e) {
            e.locate(path, number);
            if (!keepGoing) throw;
            file.skipped.push_back(e);
        }
    }
    return file;
}

LocatedPoint locateSurveyPoint(const Alignment& al, SampleTable& samples, const ChainBreakTable& breaks,
                               const Profile* profile, const SurveyPoint& point, double maxOffset) {
    const FootOfPoint foot = locateSurveyedPoint(al, samples, point.x, point.y);
    LocatedPoint r{point.name, formatStake(breaks, foot.ptzh), foot.ptzh, foot.offsetRight(), std::nullopt, std::nullopt,
                   std::nullopt, ""};
    // The foot is searched between the samples beside the nearest one, so a
    // point beyond an end finds its foot at most one sample step beyond it;
    // whether it lies beyond is told by its side of the normal at the end.
    const std::size_t endIndex = static_cast<std::size_t>(al.elemCount) + 1;
    const double start = al.elemChainage[1], end = al.elemChainage[endIndex];
    const auto along = [&](std::size_t i) {
        return (point.x - al.elemStartX[i]) * std::cos(al.elemStartBearing[i]) +
               (point.y - al.elemStartY[i]) * std::sin(al.elemStartBearing[i]);
    };
    if (foot.ptzh < start + SAMPLE_STEP && along(1) < -END_TOLERANCE)
        r.note = NOTE_BEFORE_START;
    else if (foot.ptzh > end - SAMPLE_STEP && along(endIndex) > END_TOLERANCE)
        r.note = NOTE_BEYOND_END;
    else if (std::fabs(r.offset) > maxOffset)
        r.note = NOTE_FAR;
    // Past an end the foot is not the point's: no design there.
    if (r.note == NOTE_BEFORE_START || r.note == NOTE_BEYOND_END) return r;
    if (const std::optional<DesignPoint> d = designWithin(profile, foot.ptzh)) {
        r.elevation = d->elevation;
        r.grade = d->grade;
        if (point.z) r.dz = *point.z - d->elevation;
    }
    return r;
}

Table locatedPointColumns(const std::vector<LocatedPoint>& rows) {
    Table t;
    t.columns = {{"点名", ColumnKind::Text, 0, NAME_WIDTH},
                 {"桩号", ColumnKind::Text, 0, STAKE_WIDTH},
                 {"里程(m)", ColumnKind::Number, LENGTH_DECIMALS, NUMBER_WIDTH},
                 {"偏距(m)", ColumnKind::Number, LENGTH_DECIMALS, NUMBER_WIDTH},
                 {"设计高程(m)", ColumnKind::Number, ELEVATION_DECIMALS, NUMBER_WIDTH},
                 {"纵坡(%)", ColumnKind::Percent, GRADE_DECIMALS, NUMBER_WIDTH},
                 {"高差(m)", ColumnKind::Number, ELEVATION_DECIMALS, NUMBER_WIDTH},
                 {"备注", ColumnKind::Text, 0, NAME_WIDTH}};
    const auto number = [](const std::optional<double>& v) { return v ? Cell::of(*v) : Cell::empty(); };
    for (const LocatedPoint& r : rows)
        t.rows.push_back({Cell::of(r.name), Cell::of(r.stake), Cell::of(r.chainage), Cell::of(r.offset),
                          number(r.elevation), number(r.grade), number(r.dz),
                          r.note.empty() ? Cell::empty() : Cell::of(r.note)});
    return t;
}

}  // namespace gradix
