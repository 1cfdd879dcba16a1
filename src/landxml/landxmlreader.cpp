// Reading LandXML: units, the alignment's CoordGeom, its StaEquations, a
// ProfAlign and its Superelevations, with the checks of the joints, onto the
// element tables, the chain-break table, the grade-point table and the
// superelevation runs.
//
// Accuracy: the bearing of a line comes from two points given to about 1e-9
// of their magnitude, that of an arc from its centre, that of a clothoid from
// its chord and the clothoid series of clothoid.cpp (1e-15 of the arc length);
// over a 40 m element of coordinates near 4.5e6 m this is about 1e-11 rad.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "landxml/landxml.h"
#include "landxml/landxml_internal.h"
#include "text/angles.h"
#include "text/ascii.h"
#include "text/failures.h"
#include "text/filekind.h"
#include "text/numbers.h"
#include "text/textfile.h"
#include "text/unicode.h"
#include "text/messages.h"

namespace gradix {

namespace {


// Linear units, in metres.
constexpr double METRE = 1.0;
constexpr double MILLIMETRE = 0.001;
constexpr double FOOT = 0.3048;
constexpr double US_SURVEY_FOOT = 1200.0 / 3937.0;

// `dir` values are a cross-check of another exporter's convention, compared
// with bearings from points printed to 0.01 mm over elements down to 0.2 m:
// 1e-4 rad, 0.1 mm per metre, holds that rounding.
constexpr double DIR_TOLERANCE = 1e-4;
// A profile whose first or last grade point lies this far inside the
// alignment's ends does not cover it (m).
constexpr double PROFILE_COVER_TOLERANCE = 1e-3;
// A given staBack that parts from the one staInternal gives by more than
// this is reported (m).
constexpr double STA_BACK_TOLERANCE = 1e-3;
// The alignment length attribute is compared with the sum of the element
// lengths (m).
constexpr double LENGTH_TOLERANCE = 1e-3;
// A chord shorter than this fraction of its element's length gives no
// direction (a clothoid closing on itself): the bearing is taken from the
// element before.
constexpr double LEAST_CHORD_FRACTION = 1e-9;

enum class DirectionUnit { Radians, Degrees, Grads, DegreesMinutesSeconds };

// The three conventions of `dir` found in exporters' files.
enum class DirConvention { AzimuthClockwiseFromNorth, CounterClockwiseFromNorth, CounterClockwiseFromEast };

std::string_view localName(const char* name) {
    const std::string_view s(name);
    const std::size_t colon = s.rfind(':');
    return colon == std::string_view::npos ? s : s.substr(colon + 1);
}

bool isNamed(const pugi::xml_node& node, std::string_view name) {
    return node.type() == pugi::node_element && localName(node.name()) == name;
}

pugi::xml_node firstChild(const pugi::xml_node& parent, std::string_view name) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
        if (isNamed(c, name)) return c;
    return {};
}

pugi::xml_attribute attributeOf(const pugi::xml_node& node, std::string_view name) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
        if (localName(a.name()) == name) return a;
    return {};
}

// The name of an element kind for messages ("Curve").
std::string text(const pugi::xml_node& node) { return std::string(localName(node.name())); }

// The smaller angle (rad) between two directions.
double angleGap(double a, double b) { return std::fabs(angleDifference(a, b)); }

// The file: its bytes, its parsed document, and the line of a byte offset.
// The document is parsed in place: its names and values point into the
// bytes read, so the file is held once. Parsing in place overwrites line ends
// inside tags, so the line ends are indexed first. A UTF-16 or UTF-32 file is
// decoded to UTF-8 before, which keeps its lines.
class Source {
public:
    explicit Source(const std::string& path) : path_(path) {
        pugi::xml_parse_result result;
        try {
            bytes_ = readFileBytes(path);
            refuseOtherKind(path, DataFileKind::LandXml);
            if (const std::optional<WideEncoding> wide = xmlWideEncoding(bytes_))
                bytes_ = decodeWideText(bytes_, *wide);
            indexLines();
            result = document_.load_buffer_inplace(bytes_.data(), bytes_.size(), pugi::parse_default,
                                                   pugi::encoding_auto);
        } catch (const std::bad_alloc&) {
            outOfMemory();
        }
        if (result.status == pugi::status_out_of_memory) outOfMemory();
        if (!result) {
            DataError error(msg::notLandXml(result.description()));
            error.locate(path_, lineAt(result.offset));
            throw error;
        }
        root_ = document_.document_element();
        if (!isNamed(root_, "LandXML")) {
            DataError error(msg::wrongRoot(text(root_.name())));
            error.locate(path_, line(root_));
            throw error;
        }
    }
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;

    const std::string& path() const { return path_; }
    const pugi::xml_node& root() const { return root_; }

    // 1-based line of a node (of its start tag).
    long line(const pugi::xml_node& node) const { return lineAt(node.offset_debug()); }

    [[noreturn]] void fail(const pugi::xml_node& node, const std::string& reason) const {
        DataError error(reason);
        error.locate(path_, node ? line(node) : 0);
        throw error;
    }

    [[noreturn]] void outOfMemory() const {
        DataError error(msg::OUT_OF_MEMORY);
        error.locate(path_);
        throw error;
    }

    // Text of the file as UTF-8 (names from files in GB18030 included).
    static std::string text(const char* s) { return decodeText(s); }

private:
    void indexLines() {
        const std::size_t count = static_cast<std::size_t>(std::count(bytes_.begin(), bytes_.end(), '\n'));
        lineEnds_.reserve(count);
        for (const char* at = bytes_.data(), *end = at + bytes_.size();
             (at = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)))); ++at)
            lineEnds_.push_back(static_cast<std::size_t>(at - bytes_.data()));
    }

    long lineAt(std::ptrdiff_t offset) const {
        if (offset < 0) return 0;
        // The end of the file is on its last line, not the empty one after
        // its last line end.
        std::size_t target = std::min(static_cast<std::size_t>(offset), bytes_.size());
        if (target == bytes_.size() && !lineEnds_.empty() && lineEnds_.back() + 1 == target) --target;
        return 1 + static_cast<long>(std::lower_bound(lineEnds_.begin(), lineEnds_.end(), target) - lineEnds_.begin());
    }

    std::string path_;
    std::string bytes_;
    std::vector<std::size_t> lineEnds_;  // offsets of the line ends, in order
    pugi::xml_document document_;
    pugi::xml_node root_;
};

// The units of the file and their conversion to metres and radians.
struct Units {
    double metresPerUnit = METRE;
    std::string name = "meter";
    DirectionUnit direction = DirectionUnit::Radians;
    std::string note;
};

double linearUnit(const Source& src, const pugi::xml_node& node, const std::string& name, std::string& unitName) {
    unitName = name;
    if (name == "meter") return METRE;
    if (name == "millimeter") return MILLIMETRE;
    if (name == "foot") return FOOT;
    if (name == "USSurveyFoot") return US_SURVEY_FOOT;
    src.fail(node, msg::unknownLinearUnit(Source::text(name.c_str())));
}

DirectionUnit directionUnit(const Source& src, const pugi::xml_node& node, const char* attribute) {
    const pugi::xml_attribute a = attributeOf(node, attribute);
    if (!a) return DirectionUnit::Radians;
    const std::string v = a.value();
    if (v == "radians") return DirectionUnit::Radians;
    if (v == "decimal degrees") return DirectionUnit::Degrees;
    if (v == "grads") return DirectionUnit::Grads;
    if (v == "decimal dd.mm.ss") return DirectionUnit::DegreesMinutesSeconds;
    src.fail(node, msg::unknownDirectionUnit(attribute, Source::text(v.c_str())));
}

Units readUnits(const Source& src) {
    Units units;
    const pugi::xml_node unitsNode = firstChild(src.root(), "Units");
    pugi::xml_node system = unitsNode ? firstChild(unitsNode, "Metric") : pugi::xml_node();
    bool imperial = false;
    if (!system && unitsNode) {
        system = firstChild(unitsNode, "Imperial");
        imperial = static_cast<bool>(system);
    }
    if (!system) {
        units.note = msg::NO_UNITS;
        return units;
    }
    const pugi::xml_attribute linear = attributeOf(system, "linearUnit");
    std::string unitName = imperial ? "foot" : "meter";
    units.metresPerUnit = linear ? linearUnit(src, system, linear.value(), unitName) : (imperial ? FOOT : METRE);
    units.name = unitName;
    units.direction = directionUnit(src, system, "directionUnit");
    directionUnit(src, system, "angularUnit");  // checked, though no angle is read from it
    if (units.metresPerUnit != METRE)
        units.note = msg::unitsConverted(unitName, units.metresPerUnit);
    return units;
}

// A station or chainage of the file (m) within ±MAX_STATION, else refused at its element.
void requireStation(const Source& src, const pugi::xml_node& node, const std::string& what, double station) {
    if (!(std::fabs(station) <= MAX_STATION)) src.fail(node, msg::stationBeyond(what, station, MAX_STATION));
}

// A number of the file: the whole text a strict number.
std::optional<double> numberOf(std::string_view text) { return parseStrictNumber(trimWhiteSpace(text)); }

double requiredNumber(const Source& src, const pugi::xml_node& node, const char* name) {
    const pugi::xml_attribute a = attributeOf(node, name);
    if (!a) src.fail(node, msg::missingPart(text(node), name));
    const std::optional<double> v = numberOf(a.value());
    if (!v) src.fail(node, msg::attributeNotNumber(text(node), name, Source::text(a.value())));
    return *v;
}

std::optional<double> optionalNumber(const Source& src, const pugi::xml_node& node, const char* name) {
    const pugi::xml_attribute a = attributeOf(node, name);
    if (!a) return std::nullopt;
    return requiredNumber(src, node, name);
}

// Splits the text of an element into numbers: "north east [elevation]" or
// "station elevation".
std::vector<double> numbersOf(const Source& src, const pugi::xml_node& node, std::size_t needed) {
    const std::string t = node.child_value();
    std::vector<double> values;
    for (std::size_t i = t.find_first_not_of(ASCII_WHITE_SPACE); i != std::string::npos;
         i = t.find_first_not_of(ASCII_WHITE_SPACE, i)) {
        const std::size_t j = std::min(t.find_first_of(ASCII_WHITE_SPACE, i), t.size());
        const std::optional<double> v = parseStrictNumber(std::string_view(t).substr(i, j - i));
        if (!v)
            src.fail(node, msg::partNotNumber(text(node), Source::text(trimWhiteSpace(t).c_str()),
                                              Source::text(t.substr(i, j - i).c_str())));
        values.push_back(*v);
        i = j;
    }
    if (values.size() < needed)
        src.fail(node, msg::tooFewNumbers(text(node), Source::text(trimWhiteSpace(t).c_str()), values.size(), needed));
    return values;
}

landxml::PlanePoint pointOf(const Source& src, const pugi::xml_node& element, const char* name, double scale) {
    const pugi::xml_node p = firstChild(element, name);
    if (!p) src.fail(element, msg::missingPart(text(element), name));
    const std::vector<double> v = numbersOf(src, p, 2);
    const landxml::PlanePoint point{v[0] * scale, v[1] * scale};
    if (!std::isfinite(point.x) || !std::isfinite(point.y)) src.fail(p, msg::overflows(text(element) + "的" + name));
    return point;
}

// One element of the CoordGeom as read, before it enters the tables.
struct Element {
    pugi::xml_node node;
    double startRadius = INFINITE_RADIUS, endRadius = INFINITE_RADIUS;  // m, signed
    double length = 0.0;                                                // m
    landxml::PlanePoint start{}, end{};
    double startBearing = 0.0;  // rad
    double endBearing = 0.0;    // rad
};

// The clothoid, arc or line of the given radii and length laid from (0, 0)
// along bearing 0: its end point, by the element chain's own formulas.
class LocalChain {
public:
    landxml::PlanePoint end(double startRadius, double endRadius, double length) {
        chain_.elemCount = 1;
        chain_.icdStartChainage = 0.0;
        chain_.icdStartX = 0.0;
        chain_.icdStartY = 0.0;
        chain_.icdStartBearing = 0.0;
        chain_.elemStartRadius[1] = startRadius;
        chain_.elemEndRadius[1] = endRadius;
        chain_.elemLength[1] = length;
        PrepareAlignment(chain_);
        return {chain_.elemStartX[2], chain_.elemStartY[2]};
    }

private:
    Alignment chain_;
};

// Compares the `dir` values of the file with the bearings from the
// coordinates; the first agreeing value fixes the file's convention.
class DirCheck {
public:
    DirCheck(const Source& src, DirectionUnit unit, std::vector<LandXmlNote>& notes)
        : src_(src), unit_(unit), notes_(notes) {}

    void check(const pugi::xml_node& node, const char* attribute, double bearing) {
        const std::optional<double> value = optionalNumber(src_, node, attribute);
        if (!value) return;
        const double d = toRadians(*value);
        const auto asBearing = [&](DirConvention c) {
            switch (c) {
            case DirConvention::AzimuthClockwiseFromNorth: return d;
            case DirConvention::CounterClockwiseFromNorth: return -d;
            case DirConvention::CounterClockwiseFromEast: return PI / 2.0 - d;
            }
            return d;
        };
        if (!convention_) {
            for (DirConvention c : {DirConvention::AzimuthClockwiseFromNorth, DirConvention::CounterClockwiseFromNorth,
                                    DirConvention::CounterClockwiseFromEast})
                if (angleGap(asBearing(c), bearing) <= DIR_TOLERANCE) {
                    convention_ = c;
                    return;
                }
            notes_.push_back({src_.line(node), msg::dirNoConvention(text(node), attribute, *value, bearing)});
            return;
        }
        const double gap = angleGap(asBearing(*convention_), bearing);
        if (gap > DIR_TOLERANCE)
            notes_.push_back({src_.line(node), msg::dirParts(text(node), attribute, *value, gap)});
    }

private:
    double toRadians(double v) const {
        switch (unit_) {
        case DirectionUnit::Radians: return v;
        case DirectionUnit::Degrees: return v * FULL_TURN / FULL_TURN_DEGREES;
        case DirectionUnit::Grads: return v * FULL_TURN / FULL_TURN_GRADS;
        case DirectionUnit::DegreesMinutesSeconds: return Dmsdeg(v) * FULL_TURN / FULL_TURN_DEGREES;
        }
        return v;
    }

    const Source& src_;
    DirectionUnit unit_;
    std::vector<LandXmlNote>& notes_;
    std::optional<DirConvention> convention_;
};

// A spiral radius: "INF" (any case) for a straight end, else a positive number.
double spiralRadius(const Source& src, const pugi::xml_node& node, const char* name, double scale) {
    const pugi::xml_attribute a = attributeOf(node, name);
    if (!a) src.fail(node, msg::missingPart("Spiral", name));
    const std::string v = trimWhiteSpace(a.value());
    if (equalsIgnoringCase(v, "INF") || equalsIgnoringCase(v, "infinity")) return INFINITE_RADIUS;
    const std::optional<double> r = parseStrictNumber(v);
    if (!r) src.fail(node, msg::spiralRadiusNotNumber(name, Source::text(v.c_str())));
    return *r * scale;
}

// A radius of the file, checked: positive, finite, and not the value that
// stands for a straight in the element tables.
double checkedRadius(const Source& src, const pugi::xml_node& node, const char* name, double r) {
    if (r == INFINITE_RADIUS) return r;
    if (!(r > 0.0) || !std::isfinite(r))
        src.fail(node, msg::notPositiveRadius(text(node), name, r));
    return r;
}

double directionNumber(const Source& src, const pugi::xml_node& node) {
    const pugi::xml_attribute a = attributeOf(node, "rot");
    if (!a) src.fail(node, msg::missingPart(text(node), "rot"));
    const std::string v = a.value();
    if (v == "cw") return 1.0;
    if (v == "ccw") return -1.0;
    src.fail(node, msg::rotNeither(text(node), Source::text(v.c_str())));
}

double bearingOf(landxml::PlanePoint from, landxml::PlanePoint to) {
    return std::atan2(to.y - from.y, to.x - from.x);
}

// Reads one Line, Curve or Spiral. Returns false for a zero-length element.
// previousEnd is the end bearing of the element before (for a chord that
// gives no direction).
bool readElement(const Source& src, const pugi::xml_node& node, double scale, double previousEnd, LocalChain& local,
                 DirCheck& dirs, Element& e) {
    e.node = node;
    e.start = pointOf(src, node, "Start", scale);
    e.end = pointOf(src, node, "End", scale);
    const std::string kind = text(node);
    std::optional<double> length = optionalNumber(src, node, "length");
    if (length) *length *= scale;
    if (kind == "Line") {
        e.startRadius = e.endRadius = INFINITE_RADIUS;
        e.length = length ? *length : std::hypot(e.end.x - e.start.x, e.end.y - e.start.y);
    } else if (kind == "Curve") {
        const double sign = directionNumber(src, node);
        const pugi::xml_node centreNode = firstChild(node, "Center");
        const std::optional<double> radius = optionalNumber(src, node, "radius");
        std::optional<landxml::PlanePoint> centre;
        if (centreNode) centre = pointOf(src, node, "Center", scale);
        double r = 0.0;
        if (radius)
            r = *radius * scale;
        else if (centre)
            r = std::hypot(e.start.x - centre->x, e.start.y - centre->y);
        else
            src.fail(node, msg::CURVE_NO_RADIUS);
        r = checkedRadius(src, node, "radius", r);
        if (r == INFINITE_RADIUS)
            src.fail(node, msg::curveRadiusStraight(r));
        e.startRadius = e.endRadius = sign * r;
        if (length) {
            e.length = *length;
        } else {
            if (!centre) src.fail(node, msg::CURVE_NO_LENGTH);
            // The angle swept around the centre in the sense of rot.
            const double a0 = std::atan2(e.start.y - centre->y, e.start.x - centre->x);
            const double a1 = std::atan2(e.end.y - centre->y, e.end.x - centre->x);
            e.length = angleInTurn(sign * (a1 - a0)) * r;
        }
        if (centre && e.length > 0.0) {
            // The tangent is square to the radius, turned by the sense of rot.
            const double rn = e.start.x - centre->x, re = e.start.y - centre->y;
            e.startBearing = sign > 0.0 ? std::atan2(rn, -re) : std::atan2(-rn, re);
        }
    } else {
        const pugi::xml_attribute type = attributeOf(node, "spiType");
        if (!type) src.fail(node, msg::missingPart("Spiral", "spiType"));
        if (std::strcmp(type.value(), "clothoid") != 0)
            src.fail(node, msg::spiTypeUnsupported(Source::text(type.value())));
        const double sign = directionNumber(src, node);
        const double r1 = checkedRadius(src, node, "radiusStart", spiralRadius(src, node, "radiusStart", scale));
        const double r2 = checkedRadius(src, node, "radiusEnd", spiralRadius(src, node, "radiusEnd", scale));
        e.startRadius = r1 == INFINITE_RADIUS ? r1 : sign * r1;
        e.endRadius = r2 == INFINITE_RADIUS ? r2 : sign * r2;
        if (!length) src.fail(node, msg::missingPart("Spiral", "length"));
        e.length = *length;
    }
    if (!(e.length >= 0.0) || !std::isfinite(e.length))
        src.fail(node, msg::notALength(kind, e.length));
    if (e.length == 0.0) return false;

    if (kind == "Line") {
        e.startBearing = bearingOf(e.start, e.end);
        if (e.start.x == e.end.x && e.start.y == e.end.y) e.startBearing = previousEnd;
    } else if (kind == "Spiral" || !firstChild(node, "Center")) {
        // From the chord: its bearing in the file less its angle in the
        // element laid along bearing 0.
        landxml::PlanePoint laid{};
        try {
            laid = local.end(e.startRadius, e.endRadius, e.length);
        } catch (GradixError& error) {
            src.fail(node, msg::notEvaluable(kind, error.reason()));
        }
        const double chord = std::hypot(e.end.x - e.start.x, e.end.y - e.start.y);
        if (chord > LEAST_CHORD_FRACTION * e.length && std::hypot(laid.x, laid.y) > LEAST_CHORD_FRACTION * e.length)
            e.startBearing = bearingOf(e.start, e.end) - std::atan2(laid.y, laid.x);
        else
            e.startBearing = previousEnd;
    }
    e.startBearing = angleInTurn(e.startBearing);
    e.endBearing = angleInTurn(e.startBearing + elementDeflection(e.startRadius, e.endRadius, e.length));
    if (!std::isfinite(e.endBearing)) src.fail(node, msg::turnNotFinite(kind));

    if (kind == "Line") {
        dirs.check(node, "dir", e.startBearing);
    } else {
        dirs.check(node, "dirStart", e.startBearing);
        dirs.check(node, "dirEnd", e.endBearing);
    }
    return true;
}

// The end of an element laid from its start point along its start bearing.
landxml::PlanePoint computedEnd(const Element& e, LocalChain& local, const Source& src) {
    landxml::PlanePoint laid{};
    try {
        laid = local.end(e.startRadius, e.endRadius, e.length);
    } catch (GradixError& error) {
        src.fail(e.node, msg::notEvaluable(text(e.node), error.reason()));
    }
    const double c = std::cos(e.startBearing), s = std::sin(e.startBearing);
    return {e.start.x + laid.x * c - laid.y * s, e.start.y + laid.x * s + laid.y * c};
}

// The joint of element `e` (numbered `index`) with the point `next` where the
// following element starts (or its own End for the last one).
void checkJoint(const Source& src, const Element& e, int index, landxml::PlanePoint next, const char* nextWhat,
                LocalChain& local, std::vector<LandXmlNote>& notes) {
    const landxml::PlanePoint end = computedEnd(e, local, src);
    const double gap = std::hypot(end.x - next.x, end.y - next.y);
    if (!(gap <= JOINT_REFUSAL_GAP))
        src.fail(e.node, msg::jointTooWide(text(e.node), index, gap, nextWhat, JOINT_REFUSAL_GAP));
    if (gap > JOINT_WARNING_GAP)
        notes.push_back({src.line(e.node), msg::elementEndsAway(text(e.node), index, gap, nextWhat)});
}

struct Geometry {
    std::vector<Element> elements;
};

// A Spiral's constant A (when the file gives one) against the clothoid its
// length and radii make: A² = L / |1/R1 − 1/R2|, a straight end counting as
// curvature 0. A constant that parts by more than SPIRAL_CONSTANT_GAP is
// noted; the element is laid from its length and radii all the same.
void checkSpiralConstant(const Source& src, const pugi::xml_node& node, const Element& e, double scale,
                         std::vector<LandXmlNote>& notes) {
    const std::optional<double> written = optionalNumber(src, node, "constant");
    if (!written) return;
    const double a = *written * scale;
    const auto curvature = [](double r) { return r == INFINITE_RADIUS ? 0.0 : 1.0 / r; };
    const double change = std::fabs(curvature(e.startRadius) - curvature(e.endRadius));
    if (!(change > 0.0)) return;  // equal radii: no clothoid for A to describe
    const double expected = std::sqrt(e.length / change);
    if (!(std::fabs(a - expected) <= SPIRAL_CONSTANT_GAP))
        notes.push_back({src.line(node), msg::spiralConstantParts(a, e.length, expected)});
}


Geometry readGeometry(const Source& src, const pugi::xml_node& alignment, const Units& units,
                      std::vector<LandXmlNote>& notes) {
    const pugi::xml_node coordGeom = firstChild(alignment, "CoordGeom");
    if (!coordGeom) src.fail(alignment, msg::NO_COORDGEOM);
    Geometry g;
    LocalChain local;
    DirCheck dirs(src, units.direction, notes);
    double previousEnd = 0.0;
    for (pugi::xml_node c = coordGeom.first_child(); c; c = c.next_sibling()) {
        if (!isNamed(c, "Line") && !isNamed(c, "Curve") && !isNamed(c, "Spiral")) continue;
        Element e;
        if (!readElement(src, c, units.metresPerUnit, previousEnd, local, dirs, e)) {
            notes.push_back({src.line(c), msg::zeroLengthSkipped(text(c))});
            continue;
        }
        if (isNamed(c, "Spiral")) checkSpiralConstant(src, c, e, units.metresPerUnit, notes);
        if (static_cast<int>(g.elements.size()) + 1 >= ELEMENT_CAPACITY)
            src.fail(c, msg::tooManyElements(ELEMENT_CAPACITY - 1));
        if (!g.elements.empty()) {
            const Element& before = g.elements.back();
            const int index = static_cast<int>(g.elements.size());
            checkJoint(src, before, index, e.start, msg::NEXT_ELEMENT_START, local, notes);
            const double turn = angleGap(before.endBearing, e.startBearing);
            if (turn > JOINT_WARNING_TURN)
                notes.push_back({src.line(c), msg::startTurns(text(c), index + 1, turn)});
        }
        previousEnd = e.endBearing;
        g.elements.push_back(e);
    }
    if (g.elements.empty()) src.fail(coordGeom, msg::NO_NONZERO_ELEMENT);
    checkJoint(src, g.elements.back(), static_cast<int>(g.elements.size()), g.elements.back().end, msg::ITS_END, local,
               notes);
    return g;
}

// Fills the element tables: radii and lengths, the chainages by
// PrepareAlignment from staStart, then every element's start point and
// bearing and the end entry from the file. The file's own points are kept
// rather than the points accumulated along the chain: over a long alignment
// the rounding of the printed radii and lengths moves accumulated points by
// centimetres, and the design's points are the ones set out.
void fillAlignment(const Source& src, const pugi::xml_node& node, const Geometry& g, double staStart, Alignment& al) {
    const int n = static_cast<int>(g.elements.size());
    al = Alignment{};
    al.icdStartChainage = staStart;
    al.icdStartX = g.elements.front().start.x;
    al.icdStartY = g.elements.front().start.y;
    al.icdStartBearing = radiansToDegrees(g.elements.front().startBearing);
    al.elemCount = static_cast<std::int16_t>(n);
    for (int i = 1; i <= n; ++i) {
        const Element& e = g.elements[static_cast<std::size_t>(i - 1)];
        al.elemStartRadius[i] = e.startRadius;
        al.elemEndRadius[i] = e.endRadius;
        al.elemLength[i] = e.length;
    }
    try {
        PrepareAlignment(al);
    } catch (GradixError& error) {
        src.fail(node, error.reason());
    }
    for (int i = 1; i <= n; ++i) {
        const Element& e = g.elements[static_cast<std::size_t>(i - 1)];
        al.elemStartX[i] = e.start.x;
        al.elemStartY[i] = e.start.y;
        al.elemStartBearing[i] = e.startBearing;
    }
    al.icdStartBearing = al.elemStartBearing[1];
    al.elemStartX[n + 1] = g.elements.back().end.x;
    al.elemStartY[n + 1] = g.elements.back().end.y;
    al.elemStartBearing[n + 1] = g.elements.back().endBearing;
}

// The StaEquations in the order of staInternal, as chain breaks: break k
// has the back stake staBack (or staInternal carried through the breaks
// before it) and the ahead stake staAhead.
void readEquations(const Source& src, const pugi::xml_node& alignment, double scale, ChainBreakTable& breaks,
                   std::vector<LandXmlNote>& notes) {
    struct Equation {
        pugi::xml_node node;
        double internal;
        double ahead;
        std::optional<double> back;
    };
    std::vector<Equation> equations;
    for (pugi::xml_node c = alignment.first_child(); c; c = c.next_sibling()) {
        if (!isNamed(c, "StaEquation")) continue;
        if (static_cast<int>(equations.size()) >= MAX_CHAIN_BREAKS)
            src.fail(c, msg::tooManyEquations(MAX_CHAIN_BREAKS));
        Equation e{c, requiredNumber(src, c, "staInternal") * scale, requiredNumber(src, c, "staAhead") * scale,
                   optionalNumber(src, c, "staBack")};
        if (e.back) *e.back *= scale;
        if (!std::isfinite(e.internal) || !std::isfinite(e.ahead) || (e.back && !std::isfinite(*e.back)))
            src.fail(c, msg::EQUATION_STATION_OVERFLOWS);
        requireStation(src, c, "staInternal", e.internal);
        requireStation(src, c, "staAhead", e.ahead);
        if (e.back) requireStation(src, c, "staBack", *e.back);
        equations.push_back(e);
    }
    std::stable_sort(equations.begin(), equations.end(),
                     [](const Equation& a, const Equation& b) { return a.internal < b.internal; });
    breaks = ChainBreakTable{};
    double carried = 0.0;  // ahead less back of the breaks so far (m)
    for (std::size_t k = 1; k <= equations.size(); ++k) {
        const Equation& e = equations[k - 1];
        const double back = e.internal + carried;
        double used = back;
        if (e.back) {
            if (std::fabs(*e.back - back) > STA_BACK_TOLERANCE)
                notes.push_back({src.line(e.node), msg::staBackParts(*e.back, std::fabs(*e.back - back), back)});
            else
                used = *e.back;
        }
        breaks.breakBackStake[k] = used;
        breaks.breakAheadStake[k] = e.ahead;
        carried += e.ahead - used;
        if (!std::isfinite(carried)) src.fail(e.node, msg::EQUATION_STATION_OVERFLOWS);
    }
    breaks.chainBreakCount = static_cast<std::int16_t>(equations.size());
    breaks.breakBackStake[breaks.chainBreakCount + 1] = BREAK_SENTINEL;
    breaks.breakAheadStake[breaks.chainBreakCount + 1] = BREAK_SENTINEL;
}

// The ProfAlign elements of an alignment, in file order.
std::vector<pugi::xml_node> profAligns(const pugi::xml_node& alignment) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node p = alignment.first_child(); p; p = p.next_sibling()) {
        if (!isNamed(p, "Profile")) continue;
        for (pugi::xml_node a = p.first_child(); a; a = a.next_sibling())
            if (isNamed(a, "ProfAlign")) out.push_back(a);
    }
    return out;
}

std::string nameOf(const pugi::xml_node& node) { return Source::text(attributeOf(node, "name").value()); }

// The grade points of a ProfAlign: PVI (no curve), ParaCurve (tangent length
// L/2, the profile file's negative third field) and CircCurve (radius R).
void readProfile(const Source& src, const pugi::xml_node& profAlign, double scale, Profile& profile,
                 std::vector<long>& lines) {
    std::vector<double> K{0.0}, H{0.0}, R{0.0};
    std::vector<pugi::xml_node> nodes{pugi::xml_node()};
    for (pugi::xml_node c = profAlign.first_child(); c; c = c.next_sibling()) {
        const bool pvi = isNamed(c, "PVI"), para = isNamed(c, "ParaCurve"), circ = isNamed(c, "CircCurve");
        if (isNamed(c, "UnsymParaCurve")) {
            const std::vector<double> v = numbersOf(src, c, 1);
            src.fail(c, msg::unsymParaCurve(v[0] * scale));
        }
        if (!pvi && !para && !circ) continue;
        if (static_cast<int>(K.size()) > MAX_GRADE_POINTS)
            src.fail(c, msg::tooManyGradePoints(MAX_GRADE_POINTS));
        const std::vector<double> v = numbersOf(src, c, 2);
        const double station = v[0] * scale, elevation = v[1] * scale;
        double radius = 0.0;
        if (para) {
            const double length = requiredNumber(src, c, "length") * scale;
            if (!(length >= 0.0)) src.fail(c, msg::paraCurveLength(length));
            radius = -length / 2.0;
        } else if (circ) {
            radius = requiredNumber(src, c, "radius") * scale;
            if (!(radius >= 0.0)) src.fail(c, msg::circCurveRadius(radius));
        }
        if (!std::isfinite(station) || !std::isfinite(elevation) || !std::isfinite(radius))
            src.fail(c, msg::overflows(text(c)));
        requireStation(src, c, text(c), station);
        if (K.size() > 1 && !(station > K.back()))
            src.fail(c, msg::gradePointOrder(text(c), station, K.back()));
        K.push_back(station);
        H.push_back(elevation);
        R.push_back(radius);
        nodes.push_back(c);
    }
    if (K.size() < 2) src.fail(profAlign, msg::profAlignEmpty(nameOf(profAlign)));
    // The first and the last grade point have no vertical curve (as in the
    // profile file): a curve written there is dropped, so that no tangent
    // length is left standing as a negative radius.
    R[1] = 0.0;
    R.back() = 0.0;
    lines.clear();
    for (std::size_t i = 1; i < nodes.size(); ++i) lines.push_back(src.line(nodes[i]));
    profile = Profile{};
    profile.gradePointCount = static_cast<std::int16_t>(K.size() - 1);
    profile.gradePointChainage = K;
    profile.gradePointElevation = H;
    profile.curveRadius = R;
    try {
        PrepareProfile(profile);
    } catch (GradixError& error) {
        src.fail(profAlign, msg::profAlignFault(nameOf(profAlign), error.reason()));
    }
}

// A part of a Superelevation: the text of its child element of that name
// (LandXML 1.2), or of its attribute of that name.
std::optional<std::string> partText(const pugi::xml_node& node, const char* name) {
    if (const pugi::xml_node c = firstChild(node, name)) return std::string(c.child_value());
    if (const pugi::xml_attribute a = attributeOf(node, name)) return std::string(a.value());
    return std::nullopt;
}

double partNumber(const Source& src, const pugi::xml_node& node, const char* name, double scale) {
    const std::optional<std::string> t = partText(node, name);
    if (!t) src.fail(node, msg::missingPart(text(node), name));
    const std::optional<double> v = numberOf(*t);
    if (!v) src.fail(node, msg::attributeNotNumber(text(node), name, Source::text(trimWhiteSpace(*t).c_str())));
    const double value = *v * scale;
    if (!std::isfinite(value)) src.fail(node, msg::overflows(text(node) + "的" + name));
    return value;
}

// The Superelevation elements of an alignment, in file order, each in order
// and none before the end of the one before.
void readSuperelevation(const Source& src, const pugi::xml_node& alignment, double scale, const Alignment& al,
                        std::vector<SuperelevationRun>& runs, std::vector<LandXmlNote>& notes) {
    runs.clear();
    for (pugi::xml_node c = alignment.first_child(); c; c = c.next_sibling()) {
        if (!isNamed(c, "Superelevation")) continue;
        SuperelevationRun run;
        for (std::size_t i = 0; i < RUN_STATIONS; ++i)
        {
            run.station[i] = partNumber(src, c, landxml::RUN_STATION_NAMES[i], scale);
            requireStation(src, c, landxml::RUN_STATION_NAMES[i], run.station[i]);
        }
        const double percent = partNumber(src, c, landxml::FULL_SUPERELEVATION, 1.0);
        run.rate = percent / landxml::PERCENT_PER_RATIO;
        if (const std::size_t i = misplacedStation(run); i < RUN_STATIONS) {
            const char* here = landxml::RUN_STATION_NAMES[i];
            const char* before = landxml::RUN_STATION_NAMES[i - 1];
            const double at = run.station[i], beforeAt = run.station[i - 1];
            src.fail(c, at < beforeAt ? msg::superelevationStationBefore(here, at, before, beforeAt)
                                      : msg::superelevationStationAt(here, before, at));
        }
        if (!runs.empty() && run.at(RunStation::BeginRunout) < runs.back().at(RunStation::EndOfRunout))
            src.fail(c, msg::superelevationOverlap(run.at(RunStation::BeginRunout),
                                                   runs.back().at(RunStation::EndOfRunout)));
        const std::optional<std::string> adverse = partText(c, landxml::ADVERSE);
        if (landxml::againstCurve(al, run) && !(adverse && trimWhiteSpace(*adverse) == landxml::ADVERSE_YES))
            notes.push_back({src.line(c), msg::superelevationAgainstCurve(percent, landxml::fullMiddle(run))});
        runs.push_back(run);
    }
}

std::vector<pugi::xml_node> alignmentsOf(const Source& src) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node group = src.root().first_child(); group; group = group.next_sibling()) {
        if (!isNamed(group, "Alignments")) continue;
        for (pugi::xml_node a = group.first_child(); a; a = a.next_sibling())
            if (isNamed(a, "Alignment")) out.push_back(a);
    }
    if (out.empty()) src.fail(src.root(), msg::NO_ALIGNMENT_IN_FILE);
    return out;
}

std::string joinedNames(const std::vector<pugi::xml_node>& nodes) {
    std::string s;
    for (const pugi::xml_node& n : nodes) s += (s.empty() ? "" : ", ") + nameOf(n);
    return s;
}

}  // namespace

LandXmlProject readLandXml(const std::string& path, const LandXmlChoice& choice) {
    const Source src(path);
    const Units units = readUnits(src);
    const std::vector<pugi::xml_node> all = alignmentsOf(src);
    pugi::xml_node node = all.front();
    if (!choice.alignmentName.empty()) {
        const auto found = std::find_if(all.begin(), all.end(),
                                        [&](const pugi::xml_node& a) { return nameOf(a) == choice.alignmentName; });
        if (found == all.end())
            src.fail(src.root(), msg::noAlignmentNamed(choice.alignmentName, joinedNames(all)));
        node = *found;
    }

    LandXmlProject project;
    project.alignmentName = nameOf(node);
    project.unitNote = units.note;
    project.linearUnit = units.name;
    const double scale = units.metresPerUnit;
    const std::optional<double> staStartValue = optionalNumber(src, node, "staStart");
    const double staStart = staStartValue ? *staStartValue * scale : 0.0;
    if (!std::isfinite(staStart)) src.fail(node, msg::STA_START_OVERFLOWS);
    requireStation(src, node, "staStart", staStart);

    const Geometry geometry = readGeometry(src, node, units, project.notes);
    fillAlignment(src, node, geometry, staStart, project.alignment);
    const Alignment& al = project.alignment;
    const double start = al.elemChainage[1], end = al.elemChainage[al.elemCount + 1];
    requireStation(src, node, msg::ALIGNMENT_END_CHAINAGE, end);
    if (const std::optional<double> length = optionalNumber(src, node, "length")) {
        if (std::fabs(*length * scale - (end - start)) > LENGTH_TOLERANCE)
            project.notes.push_back({src.line(node), msg::lengthParts(*length * scale, end - start)});
    }
    readEquations(src, node, scale, project.breaks, project.notes);
    readSuperelevation(src, node, scale, al, project.superelevation, project.notes);

    const std::vector<pugi::xml_node> profiles = profAligns(node);
    pugi::xml_node profAlign;
    if (!choice.profileName.empty()) {
        const auto found = std::find_if(profiles.begin(), profiles.end(),
                                        [&](const pugi::xml_node& p) { return nameOf(p) == choice.profileName; });
        if (found == profiles.end())
            src.fail(node, msg::noProfAlignNamed(project.alignmentName, choice.profileName, joinedNames(profiles)));
        profAlign = *found;
    } else if (!profiles.empty()) {
        profAlign = profiles.front();
    }
    if (profAlign && choice.withProfile) {
        readProfile(src, profAlign, scale, project.profile, project.gradePointLines);
        project.hasProfile = true;
        project.profileName = nameOf(profAlign);
        const Profile& p = project.profile;
        const double first = p.gradePointChainage[1], last = p.gradePointChainage[p.gradePointCount];
        if (first > start + PROFILE_COVER_TOLERANCE || last < end - PROFILE_COVER_TOLERANCE)
            project.notes.push_back({src.line(profAlign), msg::profileCover(project.profileName, first, last, start, end)});
    }
    if (project.notes.size() > MAX_LISTED_LANDXML_NOTES) {
        const std::size_t rest = project.notes.size() - MAX_LISTED_LANDXML_NOTES;
        project.notes.resize(MAX_LISTED_LANDXML_NOTES);
        project.notes.push_back({0, msg::moreNotes(rest)});
    }
    return project;
}

std::vector<LandXmlAlignmentSummary> listLandXml(const std::string& path) {
    const Source src(path);
    const Units units = readUnits(src);
    const double scale = units.metresPerUnit;
    std::vector<LandXmlAlignmentSummary> out;
    for (const pugi::xml_node& a : alignmentsOf(src)) {
        LandXmlAlignmentSummary s;
        s.name = nameOf(a);
        s.staStart = optionalNumber(src, a, "staStart").value_or(0.0) * scale;
        double sum = 0.0;
        if (const pugi::xml_node geometry = firstChild(a, "CoordGeom"))
            for (pugi::xml_node c = geometry.first_child(); c; c = c.next_sibling())
                if (isNamed(c, "Line") || isNamed(c, "Curve") || isNamed(c, "Spiral")) {
                    ++s.elements;
                    sum += optionalNumber(src, c, "length").value_or(0.0) * scale;
                }
        s.length = optionalNumber(src, a, "length").value_or(sum / scale) * scale;
        for (pugi::xml_node c = a.first_child(); c; c = c.next_sibling())
            if (isNamed(c, "StaEquation")) ++s.equations;
        for (const pugi::xml_node& p : profAligns(a)) s.profiles.push_back(nameOf(p));
        out.push_back(s);
    }
    return out;
}

std::string formatLandXmlList(const std::vector<LandXmlAlignmentSummary>& alignments) {
    std::string out;
    for (const LandXmlAlignmentSummary& s : alignments) {
        std::string profiles;
        for (const std::string& p : s.profiles) profiles += (profiles.empty() ? "" : "|") + p;
        out += s.name + "\t" + shortestText(s.staStart) + "\t" + shortestText(s.length) + "\t" +
               std::to_string(s.elements) + "\t" + std::to_string(s.equations) + "\t" + profiles + "\n";
    }
    return out;
}

}  // namespace gradix
