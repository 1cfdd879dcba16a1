// The road surface across the road: per side, from the centreline outward,
// the median half (中间带), the carriageway (行车道), the hard shoulder
// (硬路肩) and the earth shoulder (土路肩), each with a width and a cross
// slope that change along the road (superelevation and widening). Answers
// the design elevation and the cross slope at any stake and offset.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "profile/profile.h"
#include "stakes/chainbreaks.h"
#include "text/dataline.h"

namespace gradix {

// The components of one side, from the centreline outward.
enum class Component { Median = 0, Carriageway = 1, HardShoulder = 2, EarthShoulder = 3 };
inline constexpr std::size_t COMPONENTS = 4;
// The sides; offsets are positive to the right.
enum class Side { Left = 0, Right = 1 };
inline constexpr std::size_t SIDES = 2;

// The Chinese name of a component ("行车道").
const char* componentName(Component c);
// "左" or "右".
const char* sideName(Side s);

// One side of a cross-section: widths (m) and cross slopes (ratios,
// positive where the surface rises going away from the centreline; a normal
// crown is -0.02). The median has no slope of its own in the files: it is
// level (0), so that its outer edge is as high as the centreline.
struct SideSection {
    std::array<double, COMPONENTS> width{};
    std::array<double, COMPONENTS> slope{};

    double totalWidth() const;
    // Height (m) relative to the centreline at distance d (>= 0) from it:
    // width × slope of every component up to d, partly for the one d lies in
    // (beyond the last edge the last component's slope goes on).
    double heightAt(double d) const;
    bool operator==(const SideSection&) const = default;
};

struct Section {
    std::array<SideSection, SIDES> side{};

    const SideSection& of(Side s) const { return side[static_cast<std::size_t>(s)]; }
    SideSection& of(Side s) { return side[static_cast<std::size_t>(s)]; }
    // Height relative to the centreline at an offset (positive right).
    double heightAt(double offset) const;
    bool operator==(const Section&) const = default;
};

// A table of values along the road: rows of strictly increasing chainage,
// columns that may have no value on a row (NaN), which then interpolate
// through it; before the first row and after the last the end row holds.
// The shape of each row-to-row change is linear unless the row it leads to
// asks for the 高次 (fourth-degree) transition.
class ChainageTable {
public:
    explicit ChainageTable(std::size_t columns = 0) : columns_(columns) {}

    std::size_t columns() const { return columns_; }
    std::size_t rows() const { return chainage_.size(); }
    double chainage(std::size_t row) const { return chainage_[row]; }
    double value(std::size_t row, std::size_t column) const { return values_[row * columns_ + column]; }
    bool smoothInto(std::size_t row) const { return smooth_[row] != 0; }

    // Adds a row (values.size() == columns(); NaN where there is no value).
    // The chainage must be beyond the last row's (the caller refuses others).
    void addRow(double chainage, const double* values, bool smoothInto = false);
    // Indexes the rows for the lookup; returns the first column that has no
    // value on any row, or columns() when every column has one.
    std::size_t index();

    // The row interval of a chainage: the last row at or before it (0 before
    // the first row). O(log rows).
    std::size_t rowOf(double chainage) const;
    // The value of a column at a chainage, from the interval rowOf gives.
    double valueAt(std::size_t row, std::size_t column, double chainage) const;

private:
    std::size_t columns_;
    std::vector<double> chainage_;
    std::vector<double> values_;
    std::vector<unsigned char> smooth_;
    // Per row and column: the nearest row at or before / at or after it with
    // a value (SIZE_MAX for none), so that a lookup costs one bisection.
    std::vector<std::size_t> before_, after_;
    // The rows by equal stretches of chainage: bucket b, from first_ +
    // b / bucketScale_, begins in row bucketRow_[b]; a lookup bisects only
    // the rows of its bucket (one or two on a road of evenly spread rows).
    double first_ = 0.0, bucketScale_ = 0.0;
    std::vector<std::size_t> bucketRow_;
};

// The fraction of a width change done at fraction k of its way: k itself
// (比例过渡), or 4k³ − 3k⁴ (高次).
double transitionFraction(double k, bool smooth);

// Columns of a superelevation file (*.sup), in the file's order around the
// stake: 左土路肩 左硬路肩 左行车道 桩号 右行车道 右硬路肩 右土路肩.
inline constexpr std::size_t SUPERELEVATION_FIELDS = 7;
// Columns of a width file (*.wid): 左土路肩 左硬路肩 左行车道 左中间带 桩号
// 右中间带 右行车道 右硬路肩 右土路肩, and an optional 高次 after them.
inline constexpr std::size_t WIDTH_FIELDS = 9;
// The slope that stands for "no value at this row" in a superelevation file.
inline constexpr double NO_SLOPE = 9999.0;
// The tenth field of a width row whose change from the row before follows
// the fourth-degree curve; "比例" says the straight proportion.
inline constexpr const char* SMOOTH_TRANSITION = "高次";
inline constexpr const char* LINEAR_TRANSITION = "比例";

// Columns of the tables: the files' fields without the stake.
inline constexpr std::size_t SLOPE_COLUMNS = SUPERELEVATION_FIELDS - 1;
inline constexpr std::size_t WIDTH_COLUMNS = WIDTH_FIELDS - 1;

// Where the profile's elevation lies across the road.
enum class DesignLine { Centre, MedianEdge, SubgradeEdge };
// The axis the carriageway rotates about.
enum class Pivot { Centre, InnerEdge, MedianEdge };

// Both at once, as the window asks for them.
struct SurfaceAxes {
    DesignLine designLine = DesignLine::Centre;
    Pivot pivot = Pivot::Centre;
    bool operator==(const SurfaceAxes&) const = default;
};

// "centre", "median-edge", "subgrade-edge" / "centre", "inner-edge",
// "median-edge"; nullopt for any other name.
std::optional<DesignLine> designLineNamed(const std::string& name);
std::optional<Pivot> pivotNamed(const std::string& name);

// The section along the road: slopes (6 columns: the sup file's left
// earth, left hard, left carriageway, right carriageway, right hard, right
// earth) and widths (8 columns: left earth, hard, carriageway, median,
// right median, carriageway, hard, earth), and where the design line and the
// pivot lie.
struct Surface {
    ChainageTable slopes{SLOPE_COLUMNS};
    ChainageTable widths{WIDTH_COLUMNS};
    DesignLine designLine = DesignLine::Centre;
    Pivot pivot = Pivot::Centre;
    // The normal section: the first row of each file (with each column's
    // first value where that row has none).
    Section normal;

    bool loaded() const { return slopes.rows() > 0 && widths.rows() > 0; }
};

// Fills a surface's normal section from its tables (indexed) and checks
// what the design line asks: a symmetric normal section for the subgrade
// edge. Raises DataError.
void prepareSurface(Surface& surface);

// The section at a chainage. O(log rows).
Section sectionAt(const Surface& surface, double chainage);

// The note of an offset beyond the earth shoulder's edge, in every output.
inline constexpr const char* NOTE_BEYOND_EDGE = "beyond-edge";

// A point of the surface at a stake and offset.
struct SurfacePoint {
    bool beyondEdge = false;     // beyond the earth shoulder's edge: no surface there
    double elevation = 0.0;      // m
    double crossSlope = 0.0;     // ratio, positive rising away from the centreline
    Component component = Component::Carriageway;
    Side side = Side::Right;
};

// The elevation at an offset (m, positive right) of a section whose design
// line has the elevation designElevation:
//   z(o) = z_design + [N(pivot) − N(design line)] + [S(o) − S(pivot)]
// with S the section's heights, N the normal section's, the pivot and the
// design line on o's side where they lie on both sides. Beyond the earth
// shoulder's edge: beyondEdge, no elevation.
SurfacePoint surfacePointOf(const Surface& surface, const Section& section, double designElevation, double offset);

// The same at a chainage, the design elevation from the profile.
SurfacePoint surfacePointAt(const Surface& surface, const Profile& profile, double chainage, double offset);

// The offsets (positive right) of the pivot and of the design line on a
// side, for a section (the pivot's side is the lower carriageway's for
// Pivot::InnerEdge, which answers the same offset for both sides).
double pivotOffset(const Surface& surface, const Section& section, Side side);
double designLineOffset(const Surface& surface, Side side);

// Reads a superelevation file (*.sup) into surface.slopes, each stake
// through the chain breaks (zh_dlstr, dlstr_sj). Plain text like the other
// data files: fields separated by blanks, tabs or commas, ";;" comment
// lines, UTF-8 or GB18030, a first line that is not numeric taken as the
// road's name. Raises FileAccessError for an empty path, DataError, located
// at file and line, for a missing file, a row of the wrong number of
// fields, a field that is not a number, a slope that is not finite, a stake
// refused or not beyond the previous row's, a file without rows and a column
// without any value. With a report in check mode the reading goes on after
// a refused line.
void readSuperelevationFile(const std::string& path, const ChainBreakTable& breaks, Surface& surface,
                            ReadReport* report = nullptr);

// Reads a width file (*.wid) into surface.widths, as readSuperelevationFile
// does; also refuses a negative width and a tenth field other than 高次 or
// 比例.
void readWidthFile(const std::string& path, const ChainBreakTable& breaks, Surface& surface,
                   ReadReport* report = nullptr);

// The default section where no width or superelevation file is given: one
// 3.75 m lane each side with a normal crown of -2 %, no median, no shoulders.
inline constexpr double DEFAULT_LANE_WIDTH = 3.75;
inline constexpr double DEFAULT_CROWN = -0.02;
Section crownSection(double laneWidth = DEFAULT_LANE_WIDTH, double crown = DEFAULT_CROWN);

// A width table of one row: the same section all along (the --section
// default of 3.75 m lanes, no median or shoulders given).
void setUniformWidths(Surface& surface, const Section& section);

// A slope table of one row: the normal crown all along.
void setUniformSlopes(Surface& surface, const Section& section);

}  // namespace gradix
