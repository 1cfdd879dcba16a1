// The field's coordinates and the project's: survey points brought from the
// receiver's system (CGCS2000 latitude and longitude, another zone) into the
// project's plane, and stake-out points handed back in the system the crew
// asks for. The projections are PROJ's (geodesy/crs.h); a saved four-
// parameter fit ties an independent project system to the zone.
//
// Axis order everywhere: X (北) then Y (东), latitude then longitude.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "geodesy/crs.h"
#include "setout/controlfit.h"
#include "setout/stakeout.h"
#include "setout/surveypoints.h"

namespace gradix {

// The systems of a command: the project's (the zone the fit starts from,
// when a fit ties the project in), the survey points' and the stake-out
// file's ("" for the project's own), and the saved fit.
struct FieldSystems {
    std::string projectCrs;
    std::string pointsCrs;
    std::string outCrs;
    std::optional<FieldTransform> transform;

    // Whether the survey points need converting, or the stake-out points.
    bool convertsPoints() const { return !pointsCrs.empty() || transform.has_value(); }
    bool convertsOutput() const { return !outCrs.empty() || transform.has_value(); }
};

// Survey points into the project's plane: from pointsCrs into projectCrs
// through PROJ (when pointsCrs is given), then the fit's plane and heights.
// Raises DataError when a system is given without the project's, and as
// CrsConversion does.
class PointsIntoProject {
public:
    explicit PointsIntoProject(const FieldSystems& systems);
    // Whether the points' file gives latitude and longitude.
    bool latLon() const { return conversion_ && conversion_->source().geographic; }
    // The point in the project's X and Y (and Z). Raises DataError for a point
    // outside a system's area of use (naming it) and one PROJ cannot convert.
    SurveyPoint convert(const SurveyPoint& point) const;

private:
    std::optional<CrsConversion> conversion_;
    std::optional<FieldTransform> transform_;
};

// Stake-out points out of the project's plane: back through the fit, then
// from projectCrs into outCrs (latitude and longitude for a geographic one).
class PointsOutOfProject {
public:
    explicit PointsOutOfProject(const FieldSystems& systems);
    bool latLon() const { return conversion_ && conversion_->target().geographic; }
    // The points converted in place. Raises DataError naming the first point
    // outside a system's area of use or that PROJ cannot convert.
    void convert(std::vector<StakeoutPoint>& points) const;

private:
    std::optional<CrsConversion> conversion_;
    std::optional<FieldTransform> transform_;
};

}  // namespace gradix
