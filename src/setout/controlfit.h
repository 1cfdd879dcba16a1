// Tying a survey into the project's system through control points known in
// both (平面四参数): the least-squares four-parameter fit of the plane, the
// optional fit of the heights, the fit's report and its saved form, which
// locate and the stake-out files apply.
//
// Axis order: X (北, north) then Y (东, east), in metres, in both systems.
// The fit takes a point (x, y) of the source system to
//   X = ΔX + a·x − b·y,   Y = ΔY + b·x + a·y,   a = m·cos θ, b = m·sin θ,
// θ the rotation, positive from north toward east (as a bearing turns), and m
// the scale, 1 + ppm·10⁻⁶.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "setout/surveypoints.h"

namespace gradix {

// Fewest control points of the plane fit.
inline constexpr std::size_t MIN_PLANE_POINTS = 2;
// Fewest height points of the plane of heights; fewer give a constant.
inline constexpr std::size_t MIN_HEIGHT_PLANE_POINTS = 3;
// Fewest control points among which one can be named a bad point.
inline constexpr std::size_t MIN_POINTS_TO_NAME_BAD = 4;
// A point is named bad only when its residual also exceeds this (m).
inline constexpr double BAD_POINT_FLOOR = 0.01;
inline constexpr double BAD_POINT_FACTOR = 3.0;

struct PlaneTransform {
    double dx = 0.0, dy = 0.0;  // m
    double a = 1.0, b = 0.0;    // m·cos θ, m·sin θ

    double rotationSeconds() const;  // θ in arc seconds
    double scalePpm() const;         // (m − 1)·10⁶
    PlanePoint apply(double x, double y) const;
    // The source point of a target point.
    PlanePoint inverse(double x, double y) const;
    // The transform of a rotation (″) and scale (ppm), as written in a saved fit.
    static PlaneTransform of(double dx, double dy, double rotationSeconds, double scalePpm);
};

// The heights of the target system minus the source's: a constant c0, or a
// plane c0 + kx·(X − x0) + ky·(Y − y0) in target coordinates.
struct HeightTransform {
    bool plane = false;
    double c0 = 0.0, kx = 0.0, ky = 0.0, x0 = 0.0, y0 = 0.0;

    double at(double x, double y) const;
};

// A saved fit: the plane, and the heights when fitted.
struct FieldTransform {
    PlaneTransform plane;
    std::optional<HeightTransform> height;
};

struct ControlResidual {
    std::string name;
    double vx, vy;              // m, computed − given in the target system
    std::optional<double> vh;   // m, with the heights
};

struct ControlFit {
    FieldTransform transform;
    std::vector<ControlResidual> residuals;  // in the order of the target file
    double rms = 0.0;                        // m, √(Σ(vx² + vy²)/n)
    std::optional<double> heightRms;         // m
    // The point named bad (an index into residuals): with at least
    // MIN_POINTS_TO_NAME_BAD points, the one whose residual in the fit of
    // the others is the largest, when it exceeds BAD_POINT_FACTOR times
    // that fit's RMS and BAD_POINT_FLOOR.
    std::optional<std::size_t> badPoint;
    double badResidual = 0.0;     // m, its residual in the fit of the others
    double othersRms = 0.0;       // m, the RMS of that fit
};

// The fit of the points of from and to of the same name (in the order of
// to); with heights, also the heights of the points that have one in both
// files: a constant from 1 or 2, a plane from 3 or more. Raises DataError
// for a name twice in a file (located at fromFile or toFile and its line),
// fewer than MIN_PLANE_POINTS common points, points that all coincide, no
// height point, and height points on one line.
ControlFit fitControlPoints(const std::vector<SurveyPoint>& from, const std::vector<SurveyPoint>& to, bool heights,
                            const std::string& fromFile = "", const std::string& toFile = "");

// The report of a fit: the parameters, each point's residual, the RMS and
// the bad point, in Chinese, one item a line.
std::string fitReport(const ControlFit& fit);

// The saved form of a transform (exact numbers, a line each) and its
// reading. readFieldTransform raises DataError located at the file and line.
std::string fieldTransformText(const FieldTransform& transform);
FieldTransform readFieldTransform(const std::string& path);

}  // namespace gradix
