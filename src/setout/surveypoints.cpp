#include "setout/surveypoints.h"

#include <algorithm>
#include <cmath>

#include "stakes/stakes.h"
#include "text/ascii.h"
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
// CASS: 点名,编码,Y,X and the height H, which may be left out.
constexpr std::size_t CASS_FIELDS_WITHOUT_H = 4;
constexpr std::size_t CASS_FIELDS = 5;
constexpr std::size_t CASS_NAME = 0, CASS_CODE = 1, CASS_EAST = 2, CASS_NORTH = 3, CASS_HEIGHT = 4;
constexpr std::string_view CASS_EXTENSION = ".DAT";
constexpr const char* FIELD_SEPARATORS = " \t,";
constexpr int LENGTH_DECIMALS = 3;
constexpr int ELEVATION_DECIMALS = 4;
constexpr int GRADE_DECIMALS = 4;
constexpr double NAME_WIDTH = 12, STAKE_WIDTH = 14, NUMBER_WIDTH = 13, DESCRIPTION_WIDTH = 20;

std::string withoutComment(const std::string& line) { return line.substr(0, line.find(COMMENT)); }

// A field of a line and the position just past it.
struct Field {
    std::string text;
    std::size_t end;
};

bool isSeparator(char c) { return c == ' ' || c == '\t' || c == ','; }

// Fields separated by runs of blanks, tabs and commas (a plain loop: this
// runs over every character of a file of 100,000 points).
std::vector<Field> pointFields(const std::string& line) {
    std::vector<Field> fields;
    const std::size_t n = line.size();
    for (std::size_t i = 0;;) {
        while (i < n && isSeparator(line[i])) ++i;
        if (i == n) break;
        const std::size_t start = i;
        while (i < n && !isSeparator(line[i])) ++i;
        fields.push_back({line.substr(start, i - start), i});
    }
    return fields;
}

// The fields of a CASS line: every comma separates two, an empty field
// included; blanks and tabs around each are dropped.
std::vector<std::string> cassFields(const std::string& line) {
    std::vector<std::string> fields;
    for (std::size_t at = 0;; ) {
        const std::size_t comma = line.find(',', at);
        fields.emplace_back(trimmedView(line.substr(at, comma - at), " \t\r", " \t\r"));
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    return fields;
}

double coordinate(const std::string& field, const char* what) {
    const std::optional<double> v = parseStrictNumber(field);
    if (!v) throw DataError(msg::coordinateNotNumber(what, field));
    return *v;
}

constexpr double LATITUDE_LIMIT = 90.0, LONGITUDE_LIMIT = 180.0;

// A latitude or longitude in one of the forms of parseDegrees, within its range.
double angle(const std::string& field, const char* what, double limit) {
    const std::optional<double> v = parseDegrees(field);
    if (!v) throw DataError(msg::angleNotRead(what, field));
    if (!(std::fabs(*v) <= limit)) throw DataError(msg::angleOutOfRange(what, field));
    return *v;
}

// The north and east fields: X and Y, or latitude and longitude.
double north(const std::string& field, bool latLon, const char* axis) {
    return latLon ? angle(field, msg::LATITUDE, LATITUDE_LIMIT) : coordinate(field, axis);
}
double east(const std::string& field, bool latLon, const char* axis) {
    return latLon ? angle(field, msg::LONGITUDE, LONGITUDE_LIMIT) : coordinate(field, axis);
}

SurveyPoint parsePoint(const std::string& line, long number, bool latLon) {
    const std::string content = withoutComment(line);
    const std::vector<Field> f = pointFields(content);
    if (f.size() < FIELDS_WITHOUT_Z) throw DataError(msg::pointFieldCount(f.size()));
    SurveyPoint p{f[0].text, north(f[1].text, latLon, "X"), east(f[2].text, latLon, "Y"), std::nullopt, number};
    if (f.size() >= FIELDS_WITH_Z) p.z = coordinate(f[3].text, "Z");
    if (f.size() > FIELDS_WITH_Z)
        p.description = std::string(trimmedView(std::string_view(content).substr(f[3].end), FIELD_SEPARATORS, " \t\r"));
    return p;
}

SurveyPoint parseCassPoint(const std::string& line, long number, bool latLon) {
    const std::vector<std::string> f = cassFields(withoutComment(line));
    if (f.size() != CASS_FIELDS && f.size() != CASS_FIELDS_WITHOUT_H) throw DataError(msg::cassFieldCount(f.size()));
    SurveyPoint p{f[CASS_NAME], north(f[CASS_NORTH], latLon, "X"), east(f[CASS_EAST], latLon, "Y"), std::nullopt, number,
                  f[CASS_CODE]};
    if (f.size() == CASS_FIELDS && !f[CASS_HEIGHT].empty()) p.z = coordinate(f[CASS_HEIGHT], "H");
    return p;
}

// A line only a CASS file has: five comma-separated fields, the code empty
// or a word, east and north numbers.
bool isCassLine(const std::string& line) {
    const std::vector<std::string> f = cassFields(withoutComment(line));
    return f.size() == CASS_FIELDS && !parseStrictNumber(f[CASS_CODE]) && parseStrictNumber(f[CASS_EAST]) &&
           parseStrictNumber(f[CASS_NORTH]);
}

bool isCassName(const std::string& path) {
    return path.size() >= CASS_EXTENSION.size() &&
           upperCaseAscii(std::string_view(path).substr(path.size() - CASS_EXTENSION.size())) == CASS_EXTENSION;
}

bool isBlank(const std::string& line) {
    const std::string content = withoutComment(line);
    return content.find_first_not_of(" \t,\r") == std::string::npos;
}

SurveyPointFile pointsOfLines(const std::vector<std::string>& lines, const std::string& name, bool keepGoing,
                              bool cass, bool latLon) {
    SurveyPointFile file;
    file.cass = cass;
    bool first = true;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (isBlank(lines[i])) continue;
        if (first) file.cass = file.cass || isCassLine(lines[i]);
        first = false;
        const long number = static_cast<long>(i) + 1;
        try {
            file.points.push_back(file.cass ? parseCassPoint(lines[i], number, latLon) : parsePoint(lines[i], number, latLon));
        } catch (DataError& e) {
            e.locate(name, number);
            if (!keepGoing) throw;
            file.skipped.push_back(e);
        }
    }
    return file;
}

}  // namespace

SurveyPointFile readSurveyPoints(const std::string& path, bool keepGoing, bool latLon) {
    return pointsOfLines(readTextLines(path), path, keepGoing, isCassName(path), latLon);
}

SurveyPointFile surveyPointsOfLines(const std::vector<std::string>& lines, const std::string& name, bool keepGoing,
                                    bool latLon) {
    return pointsOfLines(lines, name, keepGoing, false, latLon);
}

LocatedPoint locateSurveyPoint(const Alignment& al, SampleTable& samples, const ChainBreakTable& breaks,
                               const Profile* profile, const SurveyPoint& point, double maxOffset,
                               const Surface* surface) {
    const FootOfPoint foot = locateSurveyedPoint(al, samples, point.x, point.y);
    LocatedPoint r{point.name, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                   std::nullopt, std::nullopt, "",           point.description};
    // The foot is searched between the samples beside the nearest one, so a
    // point beyond an end finds its foot at most one sample step beyond it;
    // whether it lies beyond is told by its side of the normal at the end.
    const std::size_t endIndex = static_cast<std::size_t>(al.elemCount) + 1;
    const double start = al.elemChainage[1], end = al.elemChainage[endIndex];
    const auto along = [&](std::size_t i) {
        return (point.x - al.elemStartX[i]) * std::cos(al.elemStartBearing[i]) +
               (point.y - al.elemStartY[i]) * std::sin(al.elemStartBearing[i]);
    };
    // Past an end the foot is not the point's: no stake, chainage or design.
    if (foot.ptzh < start + SAMPLE_STEP && along(1) < -END_TOLERANCE) {
        r.note = NOTE_BEFORE_START;
        return r;
    }
    if (foot.ptzh > end - SAMPLE_STEP && along(endIndex) > END_TOLERANCE) {
        r.note = NOTE_BEYOND_END;
        return r;
    }
    r.stake = formatStake(breaks, foot.ptzh);
    r.chainage = foot.ptzh;
    r.offset = foot.offsetRight();
    if (std::fabs(*r.offset) > maxOffset) {
        r.note = NOTE_FAR;
        return r;
    }
    if (const std::optional<DesignPoint> d = designWithin(profile, foot.ptzh)) {
        r.grade = d->grade;
        double elevation = d->elevation;
        if (surface) {
            const SurfacePoint onSurface = surfacePointOf(*surface, sectionAt(*surface, foot.ptzh), d->elevation, *r.offset);
            if (onSurface.beyondEdge) {
                r.note = NOTE_BEYOND_EDGE;
                return r;
            }
            elevation = onSurface.elevation;
        }
        r.elevation = elevation;
        if (point.z) r.dz = *point.z - elevation;
    }
    return r;
}

Table locatedPointColumns(const std::vector<LocatedPoint>& rows, bool onSurface) {
    Table t;
    t.title = "坐标反算";
    t.columns = {{"点名", ColumnKind::Text, 0, NAME_WIDTH},
                 {"桩号", ColumnKind::Text, 0, STAKE_WIDTH},
                 {"里程(m)", ColumnKind::Number, LENGTH_DECIMALS, NUMBER_WIDTH},
                 {"偏距(m)", ColumnKind::Number, LENGTH_DECIMALS, NUMBER_WIDTH},
                 {onSurface ? "路面设计高程(m)" : "中线设计高程(m)", ColumnKind::Number, ELEVATION_DECIMALS, NUMBER_WIDTH},
                 {"纵坡(%)", ColumnKind::Percent, GRADE_DECIMALS, NUMBER_WIDTH},
                 {"高差(m)", ColumnKind::Number, ELEVATION_DECIMALS, NUMBER_WIDTH},
                 {"备注", ColumnKind::Text, 0, NAME_WIDTH}};
    const bool described =
        std::any_of(rows.begin(), rows.end(), [](const LocatedPoint& r) { return !r.description.empty(); });
    if (described) t.columns.push_back({"说明", ColumnKind::Text, 0, DESCRIPTION_WIDTH});
    const auto number = [](const std::optional<double>& v) { return v ? Cell::of(*v) : Cell::empty(); };
    const auto text = [](const std::string& v) { return v.empty() ? Cell::empty() : Cell::of(v); };
    // Each row built in place, its cells moved in: a file of points makes a
    // table of as many rows, copied never.
    t.rows.reserve(rows.size());
    for (const LocatedPoint& r : rows) {
        std::vector<Cell>& row = t.rows.emplace_back();
        row.reserve(t.columns.size());
        row.push_back(Cell::of(r.name));
        row.push_back(r.stake ? Cell::of(*r.stake) : Cell::empty());
        for (const std::optional<double>* v : {&r.chainage, &r.offset, &r.elevation, &r.grade, &r.dz})
            row.push_back(number(*v));
        row.push_back(text(r.note));
        if (described) row.push_back(text(r.description));
    }
    return t;
}

}  // namespace gradix
