#include "setout/fieldsystems.h"

#include "text/failures.h"
#include "text/messages.h"

namespace gradix {

namespace {

std::optional<CrsConversion> conversionOf(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty()) return std::nullopt;
    return CrsConversion(from, to);
}

void requireProjectCrs(const FieldSystems& s, const std::string& other) {
    if (!other.empty() && s.projectCrs.empty()) throw DataError(msg::PROJECT_CRS_MISSING);
}

CrsPoint converted(const CrsConversion& c, CrsPoint p) {
    if (const CrsDescription* d = c.systemExcluding(p)) throw DataError(msg::outsideAreaOfUse(d->name, d->area->name));
    const std::optional<CrsPoint> q = c.convert(p);
    if (!q) throw DataError(msg::POINT_NOT_CONVERTED);
    return *q;
}

}  // namespace

PointsIntoProject::PointsIntoProject(const FieldSystems& s)
    : conversion_((requireProjectCrs(s, s.pointsCrs), conversionOf(s.pointsCrs, s.projectCrs))),
      transform_(s.transform) {}

SurveyPoint PointsIntoProject::convert(const SurveyPoint& point) const {
    SurveyPoint p = point;
    if (conversion_) {
        const CrsPoint q = converted(*conversion_, {p.x, p.y});
        p.x = q.north;
        p.y = q.east;
    }
    if (transform_) {
        const PlanePoint q = transform_->plane.apply(p.x, p.y);
        p.x = q.x;
        p.y = q.y;
        if (p.z && transform_->height) *p.z += transform_->height->at(p.x, p.y);
    }
    return p;
}

PointsOutOfProject::PointsOutOfProject(const FieldSystems& s)
    : conversion_((requireProjectCrs(s, s.outCrs), conversionOf(s.projectCrs, s.outCrs))), transform_(s.transform) {}

void PointsOutOfProject::convert(std::vector<StakeoutPoint>& points) const {
    for (StakeoutPoint& p : points) {
        try {
            if (transform_) {
                if (p.h && transform_->height) *p.h -= transform_->height->at(p.x, p.y);
                const PlanePoint q = transform_->plane.inverse(p.x, p.y);
                p.x = q.x;
                p.y = q.y;
            }
            if (conversion_) {
                const CrsPoint q = converted(*conversion_, {p.x, p.y});
                p.x = q.north;
                p.y = q.east;
            }
        } catch (DataError& e) {
            throw DataError(msg::stakeoutPointFailed(p.name, e.reason()));
        }
    }
}

}  // namespace gradix
