// Writing LandXML 1.2: the element chain as CoordGeom, the chain breaks as
// StaEquations, the grade-point table as a ProfAlign and the superelevation
// runs as Superelevations, built as a pugixml document (which escapes names
// and writes the text) and saved in one piece.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <ctime>
#include <sstream>
#include <string>

#include <pugixml.hpp>

#include "landxml/landxml.h"
#include "landxml/landxml_internal.h"
#include "text/angles.h"
#include "text/ascii.h"
#include "text/failures.h"
#include "text/messages.h"
#include "text/numbers.h"
#include "text/textfile.h"
#include "text/unicode.h"

namespace gradix {

namespace {

constexpr const char* LANDXML_NAMESPACE = "http://www.landxml.org/schema/LandXML-1.2";
constexpr const char* LANDXML_VERSION = "1.2";
// Each level of the document indented by two spaces.
constexpr const char* INDENT = "  ";

// A number as text, refused when it is not finite.
std::string num(double v, const char* what) {
    requireFinite(v, what);
    return shortestText(v);
}

// Adds the attribute name="value".
void set(pugi::xml_node node, const char* name, const std::string& value) {
    node.append_attribute(name).set_value(value.c_str());
}

// Adds the element <tag>text</tag> to parent.
void addText(pugi::xml_node parent, const char* tag, const std::string& text) {
    parent.append_child(tag).append_child(pugi::node_pcdata).set_value(text.c_str());
}

// A point element "north east".
void addPoint(pugi::xml_node parent, const char* tag, double x, double y) {
    addText(parent, tag, num(x, msg::NORTH_COORDINATE) + " " + num(y, msg::EAST_COORDINATE));
}

// The mathematical angle counter-clockwise from east of a bearing, in
// [0, 2π): the `dir` convention of the suites most engineers export from.
std::string directionText(double bearing) {
    return num(angleInTurn(PI / 2.0 - bearing), msg::DIRECTION);
}

std::string radiusText(double r) { return r == INFINITE_RADIUS ? "INF" : num(std::fabs(r), msg::RADIUS); }

// rot of an element that turns with the signed radius r: positive is clockwise.
const char* rotation(double r) { return r > 0.0 ? "cw" : "ccw"; }

void addElement(pugi::xml_node coordGeom, const Alignment& al, int i) {
    const double r1 = al.elemStartRadius[i], r2 = al.elemEndRadius[i], length = al.elemLength[i];
    const double x = al.elemStartX[i], y = al.elemStartY[i], b = al.elemStartBearing[i];
    const std::string len = num(length, msg::ELEMENT_LENGTH);
    pugi::xml_node e;
    switch (elementKind(r1, r2)) {
    case ElementKind::Line:
        e = coordGeom.append_child("Line");
        set(e, "dir", directionText(b));
        set(e, "length", len);
        addPoint(e, "Start", x, y);
        break;
    case ElementKind::Arc: {
        e = coordGeom.append_child("Curve");
        set(e, "rot", rotation(r1));
        set(e, "crvType", "arc");
        set(e, "radius", radiusText(r1));
        set(e, "length", len);
        addPoint(e, "Start", x, y);
        const landxml::PlanePoint c = landxml::arcCentre(x, y, b, r1);
        addPoint(e, "Center", c.x, c.y);
        break;
    }
    case ElementKind::EnteringSpiral:
    case ElementKind::ExitSpiral:
    case ElementKind::PartialSpiral: {
        if (r1 != INFINITE_RADIUS && r2 != INFINITE_RADIUS && (r1 > 0.0) != (r2 > 0.0))
            throw DataError(msg::spiralOppositeRadii(i));
        e = coordGeom.append_child("Spiral");
        set(e, "spiType", "clothoid");
        set(e, "rot", rotation(r1 != INFINITE_RADIUS ? r1 : r2));
        set(e, "radiusStart", radiusText(r1));
        set(e, "radiusEnd", radiusText(r2));
        set(e, "length", len);
        addPoint(e, "Start", x, y);
        break;
    }
    }
    addPoint(e, "End", al.elemStartX[i + 1], al.elemStartY[i + 1]);
}

// The grade point as a PVI, a ParaCurve of length 2T where T gives the
// radius back exactly (as a tangent length of the profile file does), or a
// CircCurve of radius R.
void addGradePoint(pugi::xml_node profAlign, const Profile& p, int i) {
    const std::string at = num(p.gradePointChainage[i], msg::GRADE_POINT_STATION) + " " +
                           num(p.gradePointElevation[i], msg::GRADE_POINT_ELEVATION);
    const int n = p.gradePointCount;
    const double r = p.curveRadius[i];
    if (i == 1 || i == n || r == 0.0) {
        addText(profAlign, "PVI", at);
        return;
    }
    const double tangent = p.tangentLength[i];
    const double w = std::fabs(p.gradeChange[i]);
    if (2.0 * tangent / w == r) {
        addText(profAlign, "ParaCurve", at);
        set(profAlign.last_child(), "length", num(2.0 * tangent, msg::VERTICAL_CURVE_LENGTH));
        return;
    }
    addText(profAlign, "CircCurve", at);
    set(profAlign.last_child(), "radius", num(r, msg::VERTICAL_CURVE_RADIUS));
}

void addEquations(pugi::xml_node alignment, const ChainBreakTable& t) {
    if (t.chainBreakCount < 0 || t.chainBreakCount > MAX_CHAIN_BREAKS)
        throw DataError(msg::chainBreakTableOf(t.chainBreakCount));
    double carried = 0.0;  // ahead less back of the breaks before (m)
    for (int k = 1; k <= t.chainBreakCount; ++k) {
        const double back = t.breakBackStake[k], ahead = t.breakAheadStake[k];
        pugi::xml_node e = alignment.append_child("StaEquation");
        set(e, "staInternal", num(back - carried, msg::INTERNAL_STATION));
        set(e, "staBack", num(back, msg::BACK_STATION));
        set(e, "staAhead", num(ahead, msg::AHEAD_STATION));
        carried += ahead - back;
    }
}

// The full rate in the fewest digits of percent that give it back when the
// reader divides them by 100 (a rate of 0.07 is "7", not 7.000000000000001);
// the shortest text of rate × 100 for a rate no percent gives.
std::string percentText(double rate) {
    const double percent = requireFinite(rate, msg::SUPERELEVATION_RATE) * landxml::PERCENT_PER_RATIO;
    constexpr int MOST_DIGITS = 17;
    for (int digits = 1; digits <= MOST_DIGITS; ++digits) {
        char buffer[32];
        const auto written = std::to_chars(buffer, buffer + sizeof buffer, percent, std::chars_format::general, digits);
        const std::string text(buffer, written.ptr);
        if (parseStrictNumber(text).value_or(0.0) / landxml::PERCENT_PER_RATIO == rate) return text;
    }
    return shortestText(percent);
}

void addSuperelevation(pugi::xml_node alignment, const Alignment& al, const SuperelevationRun& run) {
    pugi::xml_node e = alignment.append_child("Superelevation");
    set(e, "staStart", num(run.at(RunStation::BeginRunout), msg::SUPERELEVATION_STATION));
    set(e, "staEnd", num(run.at(RunStation::EndOfRunout), msg::SUPERELEVATION_STATION));
    // The schema's order: the stations up to FullSuperSta, the rate, the rest.
    for (std::size_t i = 0; i < RUN_STATIONS; ++i) {
        addText(e, landxml::RUN_STATION_NAMES[i], num(run.station[i], msg::SUPERELEVATION_STATION));
        if (static_cast<RunStation>(i) == RunStation::FullSuper)
            addText(e, landxml::FULL_SUPERELEVATION, percentText(run.rate));
    }
    addText(e, landxml::ADVERSE, landxml::againstCurve(al, run) ? landxml::ADVERSE_YES : landxml::ADVERSE_NO);
}

std::string today(const char* format) {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm parts{};
    gmtime_r(&now, &parts);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, format, &parts);
    return buffer;
}

void addHead(pugi::xml_document& doc, pugi::xml_node& root) {
    pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
    set(declaration, "version", "1.0");
    set(declaration, "encoding", "UTF-8");
    root = doc.append_child("LandXML");
    set(root, "xmlns", LANDXML_NAMESPACE);
    set(root, "version", LANDXML_VERSION);
    set(root, "date", today("%Y-%m-%d"));
    set(root, "time", today("%H:%M:%S"));
    pugi::xml_node metric = root.append_child("Units").append_child("Metric");
    for (const auto& [name, value] :
         {std::pair{"areaUnit", "squareMeter"}, {"linearUnit", "meter"}, {"volumeUnit", "cubicMeter"},
          {"temperatureUnit", "celsius"}, {"pressureUnit", "milliBars"}, {"angularUnit", "radians"},
          {"directionUnit", "radians"}})
        set(metric, name, value);
    pugi::xml_node application = root.append_child("Application");
    set(application, "name", "Gradix");
    set(application, "manufacturer", "Gradix");
}

// Whether a name can stand in an XML attribute: valid UTF-8 without control
// characters, which XML 1.0 cannot hold even as references (tab and line ends
// it can, but they have no place in a name either).
bool isXmlName(std::string_view name) {
    return isValidUtf8(name) && std::none_of(name.begin(), name.end(), isControlCharacter);
}

}  // namespace

std::string landXmlText(const LandXmlExport& data) {
    if (data.alignment == nullptr) throw DataError(msg::NO_ALIGNMENT_TO_WRITE);
    const Alignment& al = *data.alignment;
    const int n = al.elemCount;
    if (n < 1 || n >= ELEMENT_CAPACITY) throw DataError(msg::alignmentOfElements(n));
    if (!isXmlName(data.name)) throw DataError(msg::nameNotXml(data.name));

    pugi::xml_document doc;
    pugi::xml_node root;
    addHead(doc, root);
    pugi::xml_node alignment = root.append_child("Alignments").append_child("Alignment");
    const double start = al.elemChainage[1], end = al.elemChainage[n + 1];
    set(alignment, "name", data.name);
    set(alignment, "length", num(end - start, msg::ALIGNMENT_LENGTH));
    set(alignment, "staStart", num(start, msg::START_STATION));
    pugi::xml_node coordGeom = alignment.append_child("CoordGeom");
    for (int i = 1; i <= n; ++i) addElement(coordGeom, al, i);
    if (data.breaks != nullptr) addEquations(alignment, *data.breaks);
    if (data.profile != nullptr && data.profile->gradePointCount > 0) {
        const Profile& p = *data.profile;
        pugi::xml_node profile = alignment.append_child("Profile");
        set(profile, "name", data.name);
        pugi::xml_node profAlign = profile.append_child("ProfAlign");
        set(profAlign, "name", data.name);
        for (int i = 1; i <= p.gradePointCount; ++i) addGradePoint(profAlign, p, i);
    }
    if (data.superelevation != nullptr)
        for (const SuperelevationRun& run : *data.superelevation) addSuperelevation(alignment, al, run);
    std::ostringstream out;
    doc.save(out, INDENT, pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

std::string cgPointsText(const std::vector<LandXmlPoint>& points, const std::string& crsName,
                         const std::string& epsgCode) {
    pugi::xml_document doc;
    pugi::xml_node root;
    addHead(doc, root);
    if (!crsName.empty()) {
        pugi::xml_node crs = root.append_child("CoordinateSystem");
        set(crs, "name", crsName);
        if (!epsgCode.empty()) set(crs, "epsgCode", epsgCode);
    }
    pugi::xml_node group = root.append_child("CgPoints");
    for (const LandXmlPoint& p : points) {
        pugi::xml_node point = group.append_child("CgPoint");
        set(point, "name", p.name);
        if (!p.code.empty()) set(point, "code", p.code);
        if (p.latitude && p.longitude) {
            set(point, "latitude", num(*p.latitude, msg::LATITUDE));
            set(point, "longitude", num(*p.longitude, msg::LONGITUDE));
        }
        std::string text = num(p.north, msg::NORTH_COORDINATE) + " " + num(p.east, msg::EAST_COORDINATE);
        if (p.elevation) text += " " + num(*p.elevation, msg::DESIGN_ELEVATION);
        point.append_child(pugi::node_pcdata).set_value(text.c_str());
    }
    std::ostringstream out;
    doc.save(out, INDENT, pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

void writeLandXml(const std::string& path, const LandXmlExport& data) {
    writeFileAtomically(path, landXmlText(data));
}

}  // namespace gradix
