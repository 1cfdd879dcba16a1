#include "geodesy/crs.h"

#include <proj.h>

#include <cmath>
#include <utility>

#include "text/ascii.h"
#include "text/failures.h"
#include "text/messages.h"

namespace gradix {

namespace {

// A PROJ string names a system once it says so; "+proj=tmerc ..." alone is
// a conversion to PROJ.
constexpr std::string_view PROJ_STRING_START = "+";
constexpr std::string_view CRS_TYPE = "+type=crs";

struct ContextDeleter {
    void operator()(PJ_CONTEXT* c) const { proj_context_destroy(c); }
};
struct PjDeleter {
    void operator()(PJ* p) const { proj_destroy(p); }
};
using Context = std::unique_ptr<PJ_CONTEXT, ContextDeleter>;
using Pj = std::unique_ptr<PJ, PjDeleter>;

// A context of its own, quiet (failures come back as messages here), with
// the database found or a failure that says it is missing.
Context newContext() {
    Context c(proj_context_create());
    if (!c) throw DataError(msg::PROJ_DATABASE_MISSING);
    proj_log_level(c.get(), PJ_LOG_NONE);
    if (proj_context_get_database_path(c.get()) == nullptr) throw DataError(msg::PROJ_DATABASE_MISSING);
    return c;
}

bool isGeographic(PJ_TYPE type) {
    return type == PJ_TYPE_GEOGRAPHIC_2D_CRS || type == PJ_TYPE_GEOGRAPHIC_3D_CRS;
}

std::string withCrsType(const std::string& definition) {
    const std::string trimmed(trimmedView(definition, " \t", " \t"));
    if (trimmed.rfind(PROJ_STRING_START, 0) == 0 && trimmed.find(CRS_TYPE) == std::string::npos)
        return trimmed + " " + std::string(CRS_TYPE);
    return trimmed;
}

// The system a definition names, with what it is.
Pj createCrs(PJ_CONTEXT* c, const std::string& definition, CrsDescription& description) {
    Pj crs(proj_create(c, withCrsType(definition).c_str()));
    if (!crs) throw DataError(msg::crsUnknown(definition));
    const PJ_TYPE type = proj_get_type(crs.get());
    if (!isGeographic(type) && type != PJ_TYPE_PROJECTED_CRS) throw DataError(msg::crsNotPlanar(definition));
    description.definition = definition;
    const char* name = proj_get_name(crs.get());
    description.name = name ? name : "";
    description.geographic = isGeographic(type);
    double west = 0, south = 0, east = 0, north = 0;
    const char* areaName = nullptr;
    if (proj_get_area_of_use(c, crs.get(), &west, &south, &east, &north, &areaName) && west > -1000.0)
        description.area = AreaOfUse{west, south, east, north, areaName ? areaName : ""};
    return crs;
}

// A conversion between two systems with coordinates in the order east,
// north (longitude, latitude) on both sides.
Pj conversionBetween(PJ_CONTEXT* c, PJ* from, PJ* to, const std::string& fromText, const std::string& toText) {
    Pj raw(proj_create_crs_to_crs_from_pj(c, from, to, nullptr, nullptr));
    if (!raw) throw DataError(msg::crsNoConversion(fromText, toText));
    Pj normalised(proj_normalize_for_visualization(c, raw.get()));
    if (!normalised) throw DataError(msg::crsNoConversion(fromText, toText));
    return normalised;
}

std::optional<CrsPoint> run(PJ* pj, CrsPoint p) {
    PJ_COORD in = proj_coord(p.east, p.north, 0.0, 0.0);
    const PJ_COORD out = proj_trans(pj, PJ_FWD, in);
    if (!std::isfinite(out.v[0]) || !std::isfinite(out.v[1]) || out.v[0] == HUGE_VAL) return std::nullopt;
    return CrsPoint{out.v[1], out.v[0]};
}

}  // namespace

bool AreaOfUse::contains(double longitude, double latitude) const {
    if (!(latitude >= south && latitude <= north)) return false;
    if (west <= east) return longitude >= west && longitude <= east;
    return longitude >= west || longitude <= east;  // across the antimeridian
}

struct CrsConversion::State {
    Context context;
    CrsDescription source, target;
    Pj sourceCrs, targetCrs;
    Pj forward;
    Pj toLongitudeLatitude;  // source to its own geographic system, when neither side is geographic
};

CrsConversion::CrsConversion(const std::string& from, const std::string& to) : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.context = newContext();
    s.sourceCrs = createCrs(s.context.get(), from, s.source);
    s.targetCrs = createCrs(s.context.get(), to, s.target);
    s.forward = conversionBetween(s.context.get(), s.sourceCrs.get(), s.targetCrs.get(), from, to);
    const bool areas = s.source.area || s.target.area;
    if (areas && !s.source.geographic && !s.target.geographic) {
        Pj geographic(proj_crs_get_geodetic_crs(s.context.get(), s.sourceCrs.get()));
        if (!geographic) throw DataError(msg::crsNoConversion(from, to));
        s.toLongitudeLatitude = conversionBetween(s.context.get(), s.sourceCrs.get(), geographic.get(), from, to);
    }
}

CrsConversion::~CrsConversion() {
    // The operations before the context they were made in.
    if (!state_) return;
    state_->toLongitudeLatitude.reset();
    state_->forward.reset();
    state_->sourceCrs.reset();
    state_->targetCrs.reset();
}

CrsConversion::CrsConversion(CrsConversion&&) noexcept = default;
CrsConversion& CrsConversion::operator=(CrsConversion&&) noexcept = default;

const CrsDescription& CrsConversion::source() const { return state_->source; }
const CrsDescription& CrsConversion::target() const { return state_->target; }

std::optional<CrsPoint> CrsConversion::convert(CrsPoint point) const { return run(state_->forward.get(), point); }

const CrsDescription* CrsConversion::systemExcluding(CrsPoint point) const {
    const State& s = *state_;
    if (!s.source.area && !s.target.area) return nullptr;
    std::optional<CrsPoint> latLon;
    if (s.source.geographic)
        latLon = point;
    else if (s.target.geographic)
        latLon = convert(point);
    else
        latLon = run(s.toLongitudeLatitude.get(), point);
    for (const CrsDescription* d : {&s.source, &s.target})
        if (d->area && (!latLon || !d->area->contains(latLon->east, latLon->north))) return d;
    return nullptr;
}

CrsDescription describeCrs(const std::string& definition) {
    const Context context = newContext();
    CrsDescription d;
    createCrs(context.get(), definition, d);
    return d;
}

}  // namespace gradix
