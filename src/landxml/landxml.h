// LandXML 1.0 to 1.2 in and out: an alignment's element chain, its station
// equations, a profile and its superelevation, onto the element tables, the
// chain-break table, the grade-point table and the superelevation runs.
//
// Plane conventions as in alignment.h: X north, Y east (m), bearings in
// radians from north toward east, radii positive when the bearing increases
// (LandXML rot="cw"). LandXML points are written "north east [elevation]".
// Lengths, stations, coordinates and elevations of a file in feet or
// millimetres are converted to metres on reading.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "profile/profile.h"
#include "stakes/chainbreaks.h"
#include "surface/superelevationruns.h"
#include "text/dataline.h"

namespace gradix {

// Points of consecutive elements that part by more than this are reported (m).
inline constexpr double JOINT_WARNING_GAP = 1e-3;
// Points of consecutive elements that part by more than this refuse the file (m).
inline constexpr double JOINT_REFUSAL_GAP = 0.1;
// Bearings of consecutive elements that part by more than this are reported (rad).
inline constexpr double JOINT_WARNING_TURN = 1e-5;
// A Spiral's constant A that parts from the one its length and radii give by
// more than this is reported (m).
inline constexpr double SPIRAL_CONSTANT_GAP = 1e-2;

// A finding of the reader that does not refuse the file: its line (1-based;
// 0 when none applies) and what was found, with the figures.
using LandXmlNote = LineNote;

// Which alignment and profile of a file to read; an empty name takes the
// first alignment and its first ProfAlign. Without withProfile no profile
// is read (one comes from a profile file instead).
struct LandXmlChoice {
    std::string alignmentName;
    std::string profileName;
    bool withProfile = true;
};

// What one alignment of a file gives. The element tables hold the chainages
// as PrepareAlignment derives them from staStart and the lengths; the start
// point and bearing of every element and the end entry are the file's own
// points and the bearings derived from them (see readLandXml).
struct LandXmlProject {
    std::string alignmentName;
    Alignment alignment;
    // The station equations as chain breaks in the order of staInternal.
    ChainBreakTable breaks;
    bool hasProfile = false;
    std::string profileName;
    Profile profile;  // prepared; gradePointCount 0 without a profile
    // The line of each grade point's element (PVI, ParaCurve, CircCurve), in
    // order: grade point i at gradePointLines[i - 1].
    std::vector<long> gradePointLines;
    // The alignment's Superelevation elements in file order, their stations
    // as chainages (m) like the PVIs'; empty for none.
    std::vector<SuperelevationRun> superelevation;
    // Warnings and skipped elements, in the order found; after the first
    // MAX_LISTED_LANDXML_NOTES one note counts the rest.
    std::vector<LandXmlNote> notes;
    // How the file's units were converted to metres; empty for metres.
    std::string unitNote;
    // The file's linearUnit as written ("meter", "foot", "USSurveyFoot", ...).
    std::string linearUnit = "meter";
};

// Notes beyond this many are counted, not listed: a damaged export can give
// one for every element, more than anyone reads or a list shows.
inline constexpr std::size_t MAX_LISTED_LANDXML_NOTES = 1000;

// Reads one alignment (with its equations and chosen profile) of a LandXML
// file. Bearings come from the coordinates: a line from Start to End, an arc
// from Center, rot and the point, a clothoid from its chord and its radii and
// length; `dir`, `dirStart` and `dirEnd` are only compared with them.
// Raises FileAccessError for an empty path and DataError (located at the
// file and line) for a missing file, text that is not XML, no alignment or
// none of the chosen name, a missing or unreadable attribute or point, an
// unknown unit or spiral type, an UnsymParaCurve, elements whose joints part
// by more than JOINT_REFUSAL_GAP, 1000 or more elements, more than 19
// station equations, PVIs out of station order, a station (staStart, a
// StaEquation's, a PVI's, a Superelevation's) or the alignment's end beyond
// ±MAX_STATION, and every failure of PrepareAlignment and PrepareProfile;
// for a file the memory cannot hold, DataError(msg::OUT_OF_MEMORY) located at
// the file. The file is parsed in place (it is held once); UTF-16 and UTF-32
// files are decoded first, and lines are those of the file as it is.
//
// Superelevation: the six stations BeginRunoutSta, BeginRunoffSta,
// FullSuperSta, RunoffSta, StartofRunoutSta and EndofRunoutSta and the rate
// FullSuperelev (percent: the right carriageway's slope at full
// superelevation, positive rising to the right, so positive for a curve to
// the left), each a child element as LandXML 1.2 writes them or an attribute
// of that name; staStart and staEnd are not read (the runout stations bound
// the transition). Raises DataError (at the Superelevation's line) for one
// of them missing or not a number and for stations out of order
// (misplacedStation) or before the end of the Superelevation before. A rate
// that raises the side toward which the alignment turns at the middle of the
// full superelevation is reported, unless AdverseSE says "adverse".
LandXmlProject readLandXml(const std::string& path, const LandXmlChoice& choice = {});

// One alignment of a file as `landxml list` shows it: stations and the
// length in metres (the length as the sum of the element lengths when the
// file gives none).
struct LandXmlAlignmentSummary {
    std::string name;
    double staStart = 0.0;  // m
    double length = 0.0;    // m
    int elements = 0;       // Line, Curve and Spiral elements
    int equations = 0;      // StaEquation elements
    std::vector<std::string> profiles;  // ProfAlign names
};

// The alignments of a file, in file order; same failures as readLandXml for
// the file itself and the attributes listed.
std::vector<LandXmlAlignmentSummary> listLandXml(const std::string& path);

// "NAME<TAB>STA_START<TAB>LENGTH<TAB>ELEMENTS<TAB>EQUATIONS<TAB>PROFILES"
// (profile names joined by "|"), one line per alignment, each ending in "\n".
std::string formatLandXmlList(const std::vector<LandXmlAlignmentSummary>& alignments);

// What the writer puts into a file: a prepared alignment, its chain breaks
// and optionally a prepared profile (nullptr for none).
struct LandXmlExport {
    std::string name;
    const Alignment* alignment = nullptr;
    const ChainBreakTable* breaks = nullptr;
    const Profile* profile = nullptr;
    // Superelevation runs in order (nullptr or empty for none).
    const std::vector<SuperelevationRun>* superelevation = nullptr;
};

// LandXML 1.2 text (metric, radians, points "north east") of the element
// chain, the chain breaks as StaEquations and the profile as PVIs with
// ParaCurve (length 2T) or, where the tangent length would not give the
// radius back to the last bit, CircCurve (radius R), and each superelevation
// run as a Superelevation (staStart and staEnd its runout stations, the
// stations and FullSuperelev as child elements, AdverseSE "adverse" where it
// raises the side toward which the alignment turns). Numbers are written in
// their shortest round-trip form (FullSuperelev in the shortest percent that
// gives the rate back), so that readLandXml gives the same tables.
// Raises DataError for a chain that LandXML cannot hold (a partial spiral
// whose radii have opposite signs, a non-finite value).
std::string landXmlText(const LandXmlExport& data);

// Writes landXmlText to path atomically. Raises FileAccessError for an empty
// path and DataError when the file cannot be written.
void writeLandXml(const std::string& path, const LandXmlExport& data);

// A stake-out point of a CgPoints group: its name and code, north and east
// in the project's grid (m), the elevation when known, and its latitude and
// longitude (degrees) when the crew asked for them.
struct LandXmlPoint {
    std::string name;
    std::string code;
    double north = 0.0, east = 0.0;
    std::optional<double> elevation;
    std::optional<double> latitude, longitude;
};

// LandXML 1.2 text of one CgPoints group: each CgPoint's text "north east
// [elevation]", its latitude and longitude as attributes when given; a
// CoordinateSystem element naming the grid's system (name, and epsgCode when
// it is an EPSG system) when crsName is not empty.
std::string cgPointsText(const std::vector<LandXmlPoint>& points, const std::string& crsName,
                         const std::string& epsgCode);

}  // namespace gradix
