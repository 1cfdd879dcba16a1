#include "setout/controlfit.h"

#include <cmath>
#include <map>

#include "text/angles.h"
#include "text/dataline.h"
#include "text/messages.h"
#include "text/numbers.h"
#include "text/textfile.h"

namespace gradix {

namespace {

constexpr double SECONDS_PER_DEGREE = 3600.0;
constexpr double PPM = 1e6;
// The height points lie on one line when the smaller spread of their
// positions is below this share of the larger (a strip 0.1 mm wide per metre).
constexpr double COLLINEAR_RATIO = 1e-8;
constexpr int LENGTH_DECIMALS = 4;
constexpr int ANGLE_DECIMALS = 4;

// The points of both files of the same name, in the order of to.
struct Pair {
    const SurveyPoint* from;
    const SurveyPoint* to;
};

std::map<std::string, const SurveyPoint*> byName(const std::vector<SurveyPoint>& points, const std::string& file) {
    std::map<std::string, const SurveyPoint*> names;
    for (const SurveyPoint& p : points) {
        if (!names.emplace(p.name, &p).second) {
            DataError e(msg::controlPointTwice(p.name));
            e.locate(file, p.line);
            throw e;
        }
    }
    return names;
}

// The least-squares plane fit, closed form on coordinates reduced to the
// source points' centroid (the normal equations then separate).
PlaneTransform planeFit(const std::vector<Pair>& pairs) {
    const double n = static_cast<double>(pairs.size());
    double fx = 0, fy = 0, tx = 0, ty = 0;
    for (const Pair& p : pairs) {
        fx += p.from->x;
        fy += p.from->y;
        tx += p.to->x;
        ty += p.to->y;
    }
    fx /= n, fy /= n, tx /= n, ty /= n;
    double sa = 0, sb = 0, ss = 0;
    for (const Pair& p : pairs) {
        const double x = p.from->x - fx, y = p.from->y - fy, X = p.to->x - tx, Y = p.to->y - ty;
        sa += x * X + y * Y;
        sb += x * Y - y * X;
        ss += x * x + y * y;
    }
    if (!(ss > 0.0)) throw DataError(msg::CONTROL_POINTS_COINCIDE);
    PlaneTransform t;
    t.a = sa / ss;
    t.b = sb / ss;
    t.dx = tx - (t.a * fx - t.b * fy);
    t.dy = ty - (t.b * fx + t.a * fy);
    return t;
}

double planeRms(const PlaneTransform& t, const std::vector<Pair>& pairs) {
    double sum = 0;
    for (const Pair& p : pairs) {
        const PlanePoint q = t.apply(p.from->x, p.from->y);
        sum += (q.x - p.to->x) * (q.x - p.to->x) + (q.y - p.to->y) * (q.y - p.to->y);
    }
    return std::sqrt(sum / static_cast<double>(pairs.size()));
}

// The heights: dh = H(to) − H(from) at the target positions.
HeightTransform heightFit(const std::vector<Pair>& pairs) {
    const double n = static_cast<double>(pairs.size());
    HeightTransform h;
    double mean = 0;
    for (const Pair& p : pairs) {
        mean += *p.to->z - *p.from->z;
        h.x0 += p.to->x;
        h.y0 += p.to->y;
    }
    h.c0 = mean / n;
    h.x0 /= n;
    h.y0 /= n;
    if (pairs.size() < MIN_HEIGHT_PLANE_POINTS) {
        h.x0 = h.y0 = 0.0;
        return h;
    }
    h.plane = true;
    double sxx = 0, sxy = 0, syy = 0, sxh = 0, syh = 0;
    for (const Pair& p : pairs) {
        const double x = p.to->x - h.x0, y = p.to->y - h.y0, d = *p.to->z - *p.from->z - h.c0;
        sxx += x * x, sxy += x * y, syy += y * y, sxh += x * d, syh += y * d;
    }
    const double det = sxx * syy - sxy * sxy, trace = sxx + syy;
    if (!(trace > 0.0) || !(det > COLLINEAR_RATIO * trace * trace)) throw DataError(msg::HEIGHT_POINTS_COLLINEAR);
    h.kx = (syy * sxh - sxy * syh) / det;
    h.ky = (sxx * syh - sxy * sxh) / det;
    return h;
}

std::string fixed(double v, int decimals) { return formatFixed(v, decimals); }

}  // namespace

double PlaneTransform::rotationSeconds() const { return radiansToDegrees(std::atan2(b, a)) * SECONDS_PER_DEGREE; }

double PlaneTransform::scalePpm() const { return (std::hypot(a, b) - 1.0) * PPM; }

PlanePoint PlaneTransform::apply(double x, double y) const { return {dx + a * x - b * y, dy + b * x + a * y}; }

PlanePoint PlaneTransform::inverse(double x, double y) const {
    const double u = x - dx, v = y - dy, m2 = a * a + b * b;
    return {(a * u + b * v) / m2, (a * v - b * u) / m2};
}

PlaneTransform PlaneTransform::of(double dx, double dy, double rotationSeconds, double scalePpm) {
    const double theta = degreesToRadians(rotationSeconds / SECONDS_PER_DEGREE), m = 1.0 + scalePpm / PPM;
    return {dx, dy, m * std::cos(theta), m * std::sin(theta)};
}

double HeightTransform::at(double x, double y) const {
    return plane ? c0 + kx * (x - x0) + ky * (y - y0) : c0;
}

ControlFit fitControlPoints(const std::vector<SurveyPoint>& from, const std::vector<SurveyPoint>& to, bool heights,
                            const std::string& fromFile, const std::string& toFile) {
    const std::map<std::string, const SurveyPoint*> source = byName(from, fromFile);
    byName(to, toFile);
    std::vector<Pair> pairs, heightPairs;
    for (const SurveyPoint& p : to) {
        const auto found = source.find(p.name);
        if (found == source.end()) continue;
        pairs.push_back({found->second, &p});
        if (p.z && found->second->z) heightPairs.push_back(pairs.back());
    }
    if (pairs.size() < MIN_PLANE_POINTS) throw DataError(msg::tooFewControlPoints(pairs.size(), MIN_PLANE_POINTS));
    ControlFit fit;
    fit.transform.plane = planeFit(pairs);
    if (heights) {
        if (heightPairs.empty()) throw DataError(msg::tooFewHeightPoints(0));
        fit.transform.height = heightFit(heightPairs);
    }
    double sum = 0, heightSum = 0;
    for (const Pair& p : pairs) {
        const PlanePoint q = fit.transform.plane.apply(p.from->x, p.from->y);
        ControlResidual r{p.to->name, q.x - p.to->x, q.y - p.to->y, std::nullopt};
        if (fit.transform.height && p.to->z && p.from->z) {
            r.vh = *p.from->z + fit.transform.height->at(p.to->x, p.to->y) - *p.to->z;
            heightSum += *r.vh * *r.vh;
        }
        sum += r.vx * r.vx + r.vy * r.vy;
        fit.residuals.push_back(r);
    }
    fit.rms = std::sqrt(sum / static_cast<double>(pairs.size()));
    if (heights) fit.heightRms = std::sqrt(heightSum / static_cast<double>(heightPairs.size()));
    // The bad point: each point predicted by the fit of the others.
    if (pairs.size() >= MIN_POINTS_TO_NAME_BAD) {
        double worst = -1;
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            std::vector<Pair> others = pairs;
            others.erase(others.begin() + static_cast<std::ptrdiff_t>(i));
            const PlaneTransform t = planeFit(others);
            const PlanePoint q = t.apply(pairs[i].from->x, pairs[i].from->y);
            const double e = std::hypot(q.x - pairs[i].to->x, q.y - pairs[i].to->y);
            if (e <= worst) continue;
            worst = e;
            const double rms = planeRms(t, others);
            if (e > BAD_POINT_FACTOR * rms && e > BAD_POINT_FLOOR) {
                fit.badPoint = i;
                fit.badResidual = e;
                fit.othersRms = rms;
            } else {
                fit.badPoint.reset();
            }
        }
    }
    return fit;
}

std::string fitReport(const ControlFit& fit) {
    const PlaneTransform& t = fit.transform.plane;
    std::string s = "平面四参数（X北、Y东）\n";
    s += "ΔX(北)\t" + fixed(t.dx, LENGTH_DECIMALS) + " m\n";
    s += "ΔY(东)\t" + fixed(t.dy, LENGTH_DECIMALS) + " m\n";
    s += "旋转\t" + fixed(t.rotationSeconds(), ANGLE_DECIMALS) + "″\n";
    s += "尺度\t" + fixed(t.scalePpm(), ANGLE_DECIMALS) + " ppm\n";
    if (const std::optional<HeightTransform>& h = fit.transform.height) {
        if (h->plane)
            s += "高程平面\tdH = c0 + kx·(X − X0) + ky·(Y − Y0)\tc0 " + fixed(h->c0, LENGTH_DECIMALS) + " m\tkx " +
                 shortestText(h->kx) + "\tky " + shortestText(h->ky) + "\tX0 " + fixed(h->x0, LENGTH_DECIMALS) +
                 "\tY0 " + fixed(h->y0, LENGTH_DECIMALS) + "\n";
        else
            s += "高程常数\tdH = " + fixed(h->c0, LENGTH_DECIMALS) + " m\n";
    }
    s += "点名\tvX(北)\tvY(东)\t残差";
    s += fit.transform.height ? "\tvH\n" : "\n";
    for (const ControlResidual& r : fit.residuals) {
        s += r.name + "\t" + fixed(r.vx, LENGTH_DECIMALS) + "\t" + fixed(r.vy, LENGTH_DECIMALS) + "\t" +
             fixed(std::hypot(r.vx, r.vy), LENGTH_DECIMALS);
        if (fit.transform.height) s += "\t" + (r.vh ? fixed(*r.vh, LENGTH_DECIMALS) : std::string());
        s += "\n";
    }
    s += "中误差(RMS)\t" + fixed(fit.rms, LENGTH_DECIMALS) + " m\n";
    if (fit.heightRms) s += "高程中误差(RMS)\t" + fixed(*fit.heightRms, LENGTH_DECIMALS) + " m\n";
    if (fit.badPoint)
        s += "粗差点\t" + fit.residuals[*fit.badPoint].name + "（由其余点拟合时残差 " +
             fixed(fit.badResidual, LENGTH_DECIMALS) + " m，其余点中误差 " + fixed(fit.othersRms, LENGTH_DECIMALS) +
             " m）\n";
    return s;
}

std::string fieldTransformText(const FieldTransform& t) {
    std::string s = "# Gradix 平面四参数：X = dx + m(x·cosθ − y·sinθ)，Y = dy + m(x·sinθ + y·cosθ)；"
                    "X北、Y东；θ = rotation（″），m = 1 + scale（ppm）·1e-6\n";
    s += "dx\t" + shortestText(t.plane.dx) + "\n";
    s += "dy\t" + shortestText(t.plane.dy) + "\n";
    s += "rotation\t" + shortestText(t.plane.rotationSeconds()) + "\n";
    s += "scale\t" + shortestText(t.plane.scalePpm()) + "\n";
    if (const std::optional<HeightTransform>& h = t.height) {
        if (h->plane)
            s += "height\tplane\t" + shortestText(h->c0) + "\t" + shortestText(h->kx) + "\t" + shortestText(h->ky) +
                 "\t" + shortestText(h->x0) + "\t" + shortestText(h->y0) + "\n";
        else
            s += "height\tconstant\t" + shortestText(h->c0) + "\n";
    }
    return s;
}

FieldTransform readFieldTransform(const std::string& path) {
    std::map<std::string, double> plane;
    FieldTransform t;
    const std::vector<std::string> lines = readTextLines(path);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string content = lines[i].substr(0, lines[i].find('#'));
        const std::vector<std::string> f = splitLooseFields(content);
        if (f.empty()) continue;
        std::vector<double> v;
        for (std::size_t k = (f[0] == "height" ? 2 : 1); k < f.size(); ++k)
            if (const std::optional<double> d = parseStrictNumber(f[k]); d && std::isfinite(*d)) v.push_back(*d);
        const bool single = f[0] == "dx" || f[0] == "dy" || f[0] == "rotation" || f[0] == "scale";
        const bool constant = f[0] == "height" && f.size() == 3 && f[1] == "constant" && v.size() == 1;
        const bool planar = f[0] == "height" && f.size() == 7 && f[1] == "plane" && v.size() == 5;
        if (single && f.size() == 2 && v.size() == 1)
            plane[f[0]] = v[0];
        else if (constant)
            t.height = HeightTransform{false, v[0]};
        else if (planar)
            t.height = HeightTransform{true, v[0], v[1], v[2], v[3], v[4]};
        else {
            DataError e(msg::transformLine(lines[i]));
            e.locate(path, static_cast<long>(i) + 1);
            throw e;
        }
    }
    if (plane.size() != 4) {
        DataError e(msg::TRANSFORM_INCOMPLETE);
        e.locate(path);
        throw e;
    }
    t.plane = PlaneTransform::of(plane["dx"], plane["dy"], plane["rotation"], plane["scale"]);
    return t;
}

}  // namespace gradix
