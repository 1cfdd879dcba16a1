// Coordinate systems (坐标系统) and the conversion of points between two of
// them: CGCS2000 latitude and longitude (EPSG:4490), a 3° Gauss-Krüger zone
// (EPSG:4548, ...) or a zone given as a PROJ string. Every projection is
// PROJ's; this header is all the rest of Gradix sees of it.
//
// Axis order, whatever PROJ's own order for the system: a point of a
// projected system is X (north), Y (east) in metres, a point of a
// geographic one latitude (north), longitude (east) in degrees.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace gradix {

// A point in Gradix's axis order: X (北) then Y (东), or latitude then longitude.
struct CrsPoint {
    double north;
    double east;
};

// Where a system is meant to be used, in degrees of longitude and latitude
// (PROJ's area of use); west > east for an area across the antimeridian.
struct AreaOfUse {
    double west, south, east, north;
    std::string name;

    bool contains(double longitude, double latitude) const;
};

// What a system is: its definition as given, its name, geographic or
// projected, and its area of use (a PROJ string has none).
struct CrsDescription {
    std::string definition;
    std::string name;
    bool geographic = false;
    std::optional<AreaOfUse> area;
};

// The conversion of points from one system to another. Each conversion
// holds its own PROJ context, so conversions on different threads never
// share one; a conversion itself is used by one thread at a time.
class CrsConversion {
public:
    // from and to: "EPSG:N" (any case) or a PROJ string ("+proj=tmerc ...").
    // Raises DataError when PROJ's database (proj.db) cannot be found, for a
    // definition PROJ does not know, for a system that is neither geographic
    // nor projected, and when no conversion between the two exists.
    CrsConversion(const std::string& from, const std::string& to);
    ~CrsConversion();
    CrsConversion(CrsConversion&&) noexcept;
    CrsConversion& operator=(CrsConversion&&) noexcept;

    const CrsDescription& source() const;
    const CrsDescription& target() const;

    // The point in the target system; nothing when PROJ cannot convert it.
    std::optional<CrsPoint> convert(CrsPoint point) const;

    // The system (source or target) whose area of use the point (in the
    // source system) lies outside; nullptr when it lies within both, each
    // that declares one.
    const CrsDescription* systemExcluding(CrsPoint point) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// What a definition names (as CrsConversion reads it), for a system given
// alone (the project's, remembered before any point is converted). Raises
// as CrsConversion does.
CrsDescription describeCrs(const std::string& definition);

}  // namespace gradix
