#include "surface/surface.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "stakes/stakes.h"
#include "text/failures.h"
#include "text/filekind.h"
#include "text/messages.h"
#include "text/numbers.h"
#include "text/textfile.h"

namespace gradix {

namespace {

constexpr std::size_t NONE = std::numeric_limits<std::size_t>::max();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double PERCENT_PER_RATIO = 100.0;

std::size_t index(Component c) { return static_cast<std::size_t>(c); }

// The width table's column of a side's component (the file's order, the
// stake between the medians).
std::size_t widthColumn(Side s, std::size_t c) { return s == Side::Left ? 3 - c : 4 + c; }
// The slope table's column of a side's component other than the median.
std::size_t slopeColumn(Side s, std::size_t c) { return s == Side::Left ? 3 - c : 2 + c; }

// The Chinese name of a column: "左行车道".
std::string columnName(Side s, std::size_t c) {
    return std::string(sideName(s)) + componentName(static_cast<Component>(c));
}

}  // namespace

const char* componentName(Component c) {
    switch (c) {
    case Component::Median: return "中间带";
    case Component::Carriageway: return "行车道";
    case Component::HardShoulder: return "硬路肩";
    case Component::EarthShoulder: return "土路肩";
    }
    return "";
}

const char* sideName(Side s) { return s == Side::Left ? "左" : "右"; }

double SideSection::totalWidth() const {
    double total = 0.0;
    for (double w : width) total += w;
    return total;
}

double SideSection::heightAt(double d) const {
    double height = 0.0;
    double left = d;
    std::size_t last = 0;
    for (std::size_t c = 0; c < COMPONENTS; ++c) {
        if (width[c] <= 0.0) continue;
        last = c;
        const double part = std::min(left, width[c]);
        height += part * slope[c];
        left -= part;
        if (left <= 0.0) return height;
    }
    return height + left * slope[last];
}

double Section::heightAt(double offset) const {
    return offset < 0.0 ? of(Side::Left).heightAt(-offset) : of(Side::Right).heightAt(offset);
}

// ---- The table along the road -----------------------------------------------

void ChainageTable::addRow(double chainage, const double* values, bool smoothInto) {
    chainage_.push_back(chainage);
    values_.insert(values_.end(), values, values + columns_);
    smooth_.push_back(smoothInto ? 1 : 0);
}

std::size_t ChainageTable::index() {
    const std::size_t n = rows();
    before_.assign(n * columns_, NONE);
    after_.assign(n * columns_, NONE);
    for (std::size_t c = 0; c < columns_; ++c) {
        std::size_t seen = NONE;
        for (std::size_t r = 0; r < n; ++r) {
            if (!std::isnan(value(r, c))) seen = r;
            before_[r * columns_ + c] = seen;
        }
        seen = NONE;
        for (std::size_t r = n; r-- > 0;) {
            if (!std::isnan(value(r, c))) seen = r;
            after_[r * columns_ + c] = seen;
        }
        if (n > 0 && before_[(n - 1) * columns_ + c] == NONE) return c;
    }
    bucketRow_.clear();
    bucketScale_ = 0.0;
    if (n >= 2) {
        first_ = chainage_.front();
        const double span = chainage_.back() - first_;
        bucketScale_ = static_cast<double>(n) / span;
        if (!std::isfinite(bucketScale_)) bucketScale_ = 0.0;
        bucketRow_.assign(n + 1, 0);
        std::size_t r = 0;
        for (std::size_t b = 0; b <= n; ++b) {
            const double start = first_ + static_cast<double>(b) / bucketScale_;
            while (r + 1 < n && chainage_[r + 1] <= start) ++r;
            bucketRow_[b] = r;
        }
    }
    return columns_;
}

std::size_t ChainageTable::rowOf(double chainage) const {
    auto low = chainage_.begin(), high = chainage_.end();
    if (bucketScale_ > 0.0 && chainage >= first_) {
        // The rows that can hold the chainage: from its bucket's first row to
        // the next bucket's first row (rounding of the bucket's start is
        // covered by taking one row more on each side).
        const double at = (chainage - first_) * bucketScale_;
        const std::size_t b = at < static_cast<double>(bucketRow_.size() - 1) ? static_cast<std::size_t>(at)
                                                                              : bucketRow_.size() - 1;
        const std::size_t from = bucketRow_[b] > 0 ? bucketRow_[b] - 1 : 0;
        const std::size_t to = b + 1 < bucketRow_.size() ? std::min(bucketRow_[b + 1] + 2, chainage_.size()) : chainage_.size();
        low = chainage_.begin() + static_cast<std::ptrdiff_t>(from);
        high = chainage_.begin() + static_cast<std::ptrdiff_t>(to);
        // Rows closer than the rounding of a bucket's start: every row.
        if ((low != chainage_.begin() && *(low - 1) > chainage) || (high != chainage_.end() && *high <= chainage)) {
            low = chainage_.begin();
            high = chainage_.end();
        }
    }
    const auto above = std::upper_bound(low, high, chainage);
    return above == chainage_.begin() ? 0 : static_cast<std::size_t>(above - chainage_.begin()) - 1;
}

double ChainageTable::valueAt(std::size_t row, std::size_t column, double chainage) const {
    const std::size_t a = before_[row * columns_ + column];
    const std::size_t b = row + 1 < rows() ? after_[(row + 1) * columns_ + column] : NONE;
    if (a == NONE) return value(after_[row * columns_ + column], column);  // before the first value
    if (b == NONE || chainage <= chainage_[a]) return value(a, column);
    const double k = (chainage - chainage_[a]) / (chainage_[b] - chainage_[a]);
    const double v0 = value(a, column);
    return v0 + (value(b, column) - v0) * transitionFraction(k, smooth_[b] != 0);
}

double transitionFraction(double k, bool smooth) {
    if (!smooth) return k;
    const double k3 = k * k * k;
    return 4.0 * k3 - 3.0 * k3 * k;
}

// ---- Options ------------------------------------------------------------------

std::optional<DesignLine> designLineNamed(const std::string& name) {
    if (name == "centre") return DesignLine::Centre;
    if (name == "median-edge") return DesignLine::MedianEdge;
    if (name == "subgrade-edge") return DesignLine::SubgradeEdge;
    return std::nullopt;
}

std::optional<Pivot> pivotNamed(const std::string& name) {
    if (name == "centre") return Pivot::Centre;
    if (name == "inner-edge") return Pivot::InnerEdge;
    if (name == "median-edge") return Pivot::MedianEdge;
    return std::nullopt;
}

// ---- The section at a stake ---------------------------------------------------

namespace {

// The section at a chainage from the rows before it, on both sides or on
// one only.
Section sectionOfRows(const Surface& surface, std::size_t slopeRow, std::size_t widthRow, double chainage,
                      bool bothSides = true, Side only = Side::Right) {
    Section s;
    for (Side side : {Side::Left, Side::Right}) {
        if (!bothSides && side != only) continue;
        SideSection& half = s.of(side);
        for (std::size_t c = 0; c < COMPONENTS; ++c) {
            half.width[c] = surface.widths.valueAt(widthRow, widthColumn(side, c), chainage);
            half.slope[c] = c == 0 ? 0.0 : surface.slopes.valueAt(slopeRow, slopeColumn(side, c), chainage);
        }
    }
    return s;
}

bool symmetric(const Section& s) {
    return s.of(Side::Left).width == s.of(Side::Right).width && s.of(Side::Left).slope == s.of(Side::Right).slope;
}

}  // namespace

void prepareSurface(Surface& surface) {
    if (surface.slopes.rows() == 0 || surface.widths.rows() == 0) return;
    const Section atSlopes = sectionOfRows(surface, 0, surface.widths.rowOf(surface.slopes.chainage(0)),
                                           surface.slopes.chainage(0));
    const Section atWidths = sectionOfRows(surface, surface.slopes.rowOf(surface.widths.chainage(0)), 0,
                                           surface.widths.chainage(0));
    // Slopes of the superelevation file's first row, widths of the width
    // file's first row.
    for (Side side : {Side::Left, Side::Right}) {
        surface.normal.of(side).slope = atSlopes.of(side).slope;
        surface.normal.of(side).width = atWidths.of(side).width;
    }
    if (surface.designLine == DesignLine::SubgradeEdge && !symmetric(surface.normal))
        throw DataError(msg::SUBGRADE_EDGE_ASYMMETRIC);
}

Section sectionAt(const Surface& surface, double chainage) {
    return sectionOfRows(surface, surface.slopes.rowOf(chainage), surface.widths.rowOf(chainage), chainage);
}

double designLineOffset(const Surface& surface, Side side) {
    const SideSection& n = surface.normal.of(side);
    const double sign = side == Side::Left ? -1.0 : 1.0;
    switch (surface.designLine) {
    case DesignLine::Centre: return 0.0;
    case DesignLine::MedianEdge: return sign * n.width[index(Component::Median)];
    case DesignLine::SubgradeEdge: return sign * n.totalWidth();
    }
    return 0.0;
}

double pivotOffset(const Surface& surface, const Section& section, Side side) {
    const auto carriagewayEdge = [&](Side s) {
        const SideSection& n = surface.normal.of(s);
        const double edge = n.width[index(Component::Median)] + n.width[index(Component::Carriageway)];
        return s == Side::Left ? -edge : edge;
    };
    switch (surface.pivot) {
    case Pivot::Centre: return 0.0;
    case Pivot::InnerEdge: {
        // The lower side's carriageway edge: where the carriageway falls more
        // steeply away from the centreline (the left on equal slopes).
        const std::size_t c = index(Component::Carriageway);
        const bool rightLower = section.of(Side::Right).slope[c] < section.of(Side::Left).slope[c];
        return carriagewayEdge(rightLower ? Side::Right : Side::Left);
    }
    case Pivot::MedianEdge: {
        const double edge = surface.normal.of(side).width[index(Component::Median)];
        return side == Side::Left ? -edge : edge;
    }
    }
    return 0.0;
}

SurfacePoint surfacePointOf(const Surface& surface, const Section& section, double designElevation, double offset) {
    SurfacePoint p;
    p.side = offset < 0.0 ? Side::Left : Side::Right;
    const SideSection& half = section.of(p.side);
    const double d = std::fabs(offset);
    if (!(d <= half.totalWidth())) {
        p.beyondEdge = true;
        return p;
    }
    // The component d lies in: each includes its outer edge; the centreline
    // belongs to the first component of some width.
    double start = 0.0;
    for (std::size_t c = 0; c < COMPONENTS; ++c) {
        if (half.width[c] <= 0.0) continue;
        p.component = static_cast<Component>(c);
        p.crossSlope = half.slope[c];
        if (d <= start + half.width[c]) break;
        start += half.width[c];
    }
    const double pivot = pivotOffset(surface, section, p.side);
    const double design = designLineOffset(surface, p.side);
    p.elevation = designElevation + (surface.normal.heightAt(pivot) - surface.normal.heightAt(design)) +
                  (section.heightAt(offset) - section.heightAt(pivot));
    return p;
}

SurfacePoint surfacePointAt(const Surface& surface, const Profile& profile, double chainage, double offset) {
    // A pivot on the inner edge needs both sides (which is lower); else the
    // point's side is all the formula reads.
    const Section section = sectionOfRows(surface, surface.slopes.rowOf(chainage), surface.widths.rowOf(chainage),
                                          chainage, surface.pivot == Pivot::InnerEdge,
                                          offset < 0.0 ? Side::Left : Side::Right);
    return surfacePointOf(surface, section, DesignElevation(profile, chainage), offset);
}

Section crownSection(double laneWidth, double crown) {
    Section s;
    for (Side side : {Side::Left, Side::Right}) {
        s.of(side).width[index(Component::Carriageway)] = laneWidth;
        for (std::size_t c = 1; c < COMPONENTS; ++c) s.of(side).slope[c] = crown;
    }
    return s;
}

void setUniformWidths(Surface& surface, const Section& section) {
    surface.widths = ChainageTable(WIDTH_COLUMNS);
    double row[WIDTH_COLUMNS];
    for (Side side : {Side::Left, Side::Right})
        for (std::size_t c = 0; c < COMPONENTS; ++c) row[widthColumn(side, c)] = section.of(side).width[c];
    surface.widths.addRow(0.0, row);
    surface.widths.index();
}

void setUniformSlopes(Surface& surface, const Section& section) {
    surface.slopes = ChainageTable(SLOPE_COLUMNS);
    double row[SLOPE_COLUMNS];
    for (Side side : {Side::Left, Side::Right})
        for (std::size_t c = 1; c < COMPONENTS; ++c) row[slopeColumn(side, c)] = section.of(side).slope[c];
    surface.slopes.addRow(0.0, row);
    surface.slopes.index();
}

// ---- The files ------------------------------------------------------------------

namespace {

// One file's kind: its field count, the stake's field, the columns' names
// and how a value of the file becomes a table value.
struct SectionFileKind {
    const char* rowName;
    std::size_t fields;
    std::size_t stakeField;
    bool widths;
};

constexpr SectionFileKind SUPERELEVATION_KIND{msg::SUPERELEVATION_ROW, SUPERELEVATION_FIELDS, 3, false};
constexpr SectionFileKind WIDTH_KIND{msg::WIDTH_ROW, WIDTH_FIELDS, 4, true};

// The name of the table column a field (not the stake) fills.
std::string fieldColumnName(const SectionFileKind& kind, std::size_t column) {
    if (kind.widths) return column < 4 ? columnName(Side::Left, 3 - column) : columnName(Side::Right, column - 4);
    return column < 3 ? columnName(Side::Left, 3 - column) : columnName(Side::Right, column - 2);
}

// Reads one data row into values (the table's columns) and answers its
// chainage and whether it asks for the fourth-degree transition.
double readRow(const SectionFileKind& kind, const std::vector<std::string>& fields, const ChainBreakTable& breaks,
               double* values, bool& smooth) {
    const bool transitionField = kind.widths && fields.size() == kind.fields + 1;
    if (fields.size() != kind.fields && !transitionField)
        throw DataError(msg::sectionFieldCount(kind.rowName, fields.size(), kind.widths ? "9或10" : "7"));
    const double chainage = chainageOfStakeField(breaks, fields[kind.stakeField]);
    std::size_t column = 0;
    for (std::size_t f = 0; f < kind.fields; ++f) {
        if (f == kind.stakeField) continue;
        const std::optional<double> v = parseStrictNumber(fields[f]);
        const std::string name = fieldColumnName(kind, column);
        if (!v) throw DataError(msg::sectionValueNotNumber(name, fields[f]));
        if (!std::isfinite(*v)) throw DataError(msg::notFinite(name));
        if (kind.widths) {
            if (*v < 0.0) throw DataError(msg::widthNegative(name, *v));
            values[column] = *v;
        } else {
            values[column] = *v == NO_SLOPE ? NaN : *v / PERCENT_PER_RATIO;
        }
        ++column;
    }
    smooth = false;
    if (transitionField) {
        const std::string& t = fields[kind.fields];
        if (t == SMOOTH_TRANSITION) smooth = true;
        else if (t != LINEAR_TRANSITION) throw DataError(msg::transitionUnknown(t));
    }
    return chainage;
}

void readSectionFile(const SectionFileKind& kind, const std::string& path, const ChainBreakTable& breaks,
                     ChainageTable& table, ReadReport* report) {
    table = ChainageTable(kind.fields - 1);
    std::vector<double> values(table.columns());
    readLooseRows(path, report, [&](const std::vector<std::string>& fields, long) {
        bool smooth = false;
        const double chainage = readRow(kind, fields, breaks, values.data(), smooth);
        if (table.rows() > 0 && !(chainage > table.chainage(table.rows() - 1)))
            throw DataError(msg::rowNotAhead(chainage, table.chainage(table.rows() - 1)));
        table.addRow(chainage, values.data(), smooth);
    });
    try {
        if (table.rows() == 0) {
            if (report && report->checkMode) return;
            throw DataError(msg::sectionFileEmpty(kind.rowName));
        }
        if (const std::size_t empty = table.index(); empty < table.columns())
            throw DataError(msg::columnWithoutValue(fieldColumnName(kind, empty)));
    } catch (GradixError& e) {
        e.locate(path);
        throw;
    }
}

}  // namespace

void readSuperelevationFile(const std::string& path, const ChainBreakTable& breaks, Surface& surface,
                            ReadReport* report) {
    readSectionFile(SUPERELEVATION_KIND, path, breaks, surface.slopes, report);
}

void readWidthFile(const std::string& path, const ChainBreakTable& breaks, Surface& surface, ReadReport* report) {
    readSectionFile(WIDTH_KIND, path, breaks, surface.widths, report);
}

}  // namespace gradix
