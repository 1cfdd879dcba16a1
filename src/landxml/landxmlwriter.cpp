// Writing LandXML 1.2: the element chain as CoordGeom, the chain breaks as
// StaEquations and the grade-point table as a ProfAlign.
#include <chrono>
#include <cmath>
#include <ctime>
#include <string>

#include "landxml/landxml.h"
#include "landxml/landxml_internal.h"
#include "text/angles.h"
#include "text/failures.h"
#include "text/numbers.h"
#include "text/textfile.h"
#include "text/messages.h"

namespace gradix {

namespace {


// A number as text, refused when it is not finite.
std::string num(double v, const char* what) {
    requireFinite(v, what);
    return shortestText(v);
}

std::string escaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string point(const char* tag, double x, double y) {
    return std::string("          <") + tag + ">" + num(x, msg::NORTH_COORDINATE) + " " + num(y, msg::EAST_COORDINATE) +
           "</" + tag + ">\n";
}

// The mathematical angle counter-clockwise from east of a bearing, in
// [0, 2π): the `dir` convention of the suites most engineers export from.
std::string directionText(double bearing) {
    return num(angleInTurn(PI / 2.0 - bearing), msg::DIRECTION);
}

std::string radiusText(double r) { return r == INFINITE_RADIUS ? "INF" : num(std::fabs(r), msg::RADIUS); }

std::string elementText(const Alignment& al, int i) {
    const double r1 = al.elemStartRadius[i], r2 = al.elemEndRadius[i], length = al.elemLength[i];
    const double x = al.elemStartX[i], y = al.elemStartY[i], b = al.elemStartBearing[i];
    const std::string start = point("Start", x, y);
    const std::string end = point("End", al.elemStartX[i + 1], al.elemStartY[i + 1]);
    const std::string len = num(length, msg::ELEMENT_LENGTH);
    switch (elementKind(r1, r2)) {
    case ElementKind::Line:
        return "        <Line dir=\"" + directionText(b) + "\" length=\"" + len + "\">\n" + start + end + "        </Line>\n";
    case ElementKind::Arc: {
        const landxml::PlanePoint c = landxml::arcCentre(x, y, b, r1);
        return std::string("        <Curve rot=\"") + (r1 > 0.0 ? "cw" : "ccw") + "\" crvType=\"arc\" radius=\"" +
               radiusText(r1) + "\" length=\"" + len + "\">\n" + start + point("Center", c.x, c.y) + end +
               "        </Curve>\n";
    }
    case ElementKind::EnteringSpiral:
    case ElementKind::ExitSpiral:
    case ElementKind::PartialSpiral: {
        if (r1 != INFINITE_RADIUS && r2 != INFINITE_RADIUS && (r1 > 0.0) != (r2 > 0.0))
            throw DataError(msg::spiralOppositeRadii(i));
        const double turning = r1 != INFINITE_RADIUS ? r1 : r2;
        return std::string("        <Spiral spiType=\"clothoid\" rot=\"") + (turning > 0.0 ? "cw" : "ccw") +
               "\" radiusStart=\"" + radiusText(r1) + "\" radiusEnd=\"" + radiusText(r2) + "\" length=\"" + len +
               "\">\n" + start + end + "        </Spiral>\n";
    }
    }
    return {};
}

// The grade point as a PVI, a ParaCurve of length 2T where T gives the
// radius back exactly (as a tangent length of the profile file does), or a
// CircCurve of radius R.
std::string gradePointText(const Profile& p, int i) {
    const std::string at = num(p.gradePointChainage[i], msg::GRADE_POINT_STATION) + " " +
                           num(p.gradePointElevation[i], msg::GRADE_POINT_ELEVATION);
    const int n = p.gradePointCount;
    const double r = p.curveRadius[i];
    if (i == 1 || i == n || r == 0.0) return "          <PVI>" + at + "</PVI>\n";
    const double tangent = p.tangentLength[i];
    const double w = std::fabs(p.gradeChange[i]);
    if (2.0 * tangent / w == r)
        return "          <ParaCurve length=\"" + num(2.0 * tangent, msg::VERTICAL_CURVE_LENGTH) + "\">" + at +
               "</ParaCurve>\n";
    return "          <CircCurve radius=\"" + num(r, msg::VERTICAL_CURVE_RADIUS) + "\">" + at + "</CircCurve>\n";
}

std::string today(const char* format) {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm parts{};
    gmtime_r(&now, &parts);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, format, &parts);
    return buffer;
}

}  // namespace

std::string landXmlText(const LandXmlExport& data) {
    if (data.alignment == nullptr) throw DataError(msg::NO_ALIGNMENT_TO_WRITE);
    const Alignment& al = *data.alignment;
    const int n = al.elemCount;
    if (n < 1 || n >= ELEMENT_CAPACITY) throw DataError(msg::alignmentOfElements(n));
    const std::string name = escaped(data.name);
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" version=\"1.2\" date=\"" +
                      today("%Y-%m-%d") + "\" time=\"" + today("%H:%M:%S") +
                      "\">\n"
                      "  <Units>\n"
                      "    <Metric areaUnit=\"squareMeter\" linearUnit=\"meter\" volumeUnit=\"cubicMeter\" "
                      "temperatureUnit=\"celsius\" pressureUnit=\"milliBars\" angularUnit=\"radians\" "
                      "directionUnit=\"radians\"/>\n"
                      "  </Units>\n"
                      "  <Application name=\"Gradix\" manufacturer=\"Gradix\"/>\n"
                      "  <Alignments>\n";
    const double start = al.elemChainage[1], end = al.elemChainage[n + 1];
    out += "    <Alignment name=\"" + name + "\" length=\"" + num(end - start, msg::ALIGNMENT_LENGTH) +
           "\" staStart=\"" + num(start, msg::START_STATION) + "\">\n      <CoordGeom>\n";
    for (int i = 1; i <= n; ++i) out += elementText(al, i);
    out += "      </CoordGeom>\n";

    if (data.breaks != nullptr) {
        const ChainBreakTable& t = *data.breaks;
        if (t.chainBreakCount < 0 || t.chainBreakCount > MAX_CHAIN_BREAKS)
            throw DataError(msg::chainBreakTableOf(t.chainBreakCount));
        double carried = 0.0;  // ahead less back of the breaks before (m)
        for (int k = 1; k <= t.chainBreakCount; ++k) {
            const double back = t.breakBackStake[k], ahead = t.breakAheadStake[k];
            out += "      <StaEquation staInternal=\"" + num(back - carried, msg::INTERNAL_STATION) + "\" staBack=\"" +
                   num(back, msg::BACK_STATION) + "\" staAhead=\"" + num(ahead, msg::AHEAD_STATION) + "\"/>\n";
            carried += ahead - back;
        }
    }
    if (data.profile != nullptr && data.profile->gradePointCount > 0) {
        const Profile& p = *data.profile;
        out += "      <Profile name=\"" + name + "\">\n        <ProfAlign name=\"" + name + "\">\n";
        for (int i = 1; i <= p.gradePointCount; ++i) out += gradePointText(p, i);
        out += "        </ProfAlign>\n      </Profile>\n";
    }
    out += "    </Alignment>\n  </Alignments>\n</LandXML>\n";
    return out;
}

void writeLandXml(const std::string& path, const LandXmlExport& data) {
    writeFileAtomically(path, landXmlText(data));
}

}  // namespace gradix
