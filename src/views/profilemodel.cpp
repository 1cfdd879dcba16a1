#include "views/profilemodel.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "stakes/stakes.h"
#include "stakes/roundstakes.h"
#include "text/failures.h"
#include "text/numbers.h"
#include "text/messages.h"

namespace gradix {

namespace {

// Most vertices of a design line and most ticks of a model: a profile
// longer than this many metres of curves or stakes is refused, not drawn.
constexpr std::size_t MAX_MODEL_POINTS = 4000000;
constexpr int LABEL_DECIMALS = 3;
constexpr double MIN_PIXELS_PER_METRE = 1e-6;
constexpr double MAX_PIXELS_PER_METRE = 1e4;
// The vertical exaggerations a fit chooses from, times a power of ten.
constexpr double NICE_EXAGGERATIONS[] = {1, 1.5, 2, 2.5, 3, 4, 5, 6, 8};
constexpr double NICE_TOLERANCE = 1e-9;  // an exact fit of 2 is 2, whatever its rounding
constexpr double MIN_FITTED_RISE = 1.0;  // m: a flatter profile is fitted as one a metre high

void requireRoom(std::size_t count) {
    if (count > MAX_MODEL_POINTS)
        throw DataError(msg::profileTooLongToDraw(MAX_MODEL_POINTS));
}

}  // namespace

double stakeValueAt(const ChainBreakTable& breaks, double chainage) { return stretchStakeOf(breaks, chainage).value; }

std::string curveLabel(const Profile& profile, int j) {
    if (j < 1 || j > profile.gradePointCount) return "";
    const double R = profile.curveRadius[j];
    const double T = profile.tangentLength[j];
    if (!(R > 0) || !(T > 0)) return "";
    // E from R and T as printed, rounded once: curves that print the same R
    // and T print the same E, whatever the last bits of T.
    const double printedR = parseStrictNumber(formatFixed(R, LABEL_DECIMALS)).value_or(R);
    const double printedT = parseStrictNumber(formatFixed(T, LABEL_DECIMALS)).value_or(T);
    const double E = printedT * printedT / (2 * printedR);
    return "R=" + formatTrimmed(R, LABEL_DECIMALS) + " T=" + formatTrimmed(T, LABEL_DECIMALS) +
           " E=" + formatFixed(E, LABEL_DECIMALS);
}

ProfileLabelModel buildProfileModel(const Profile& profile, const ChainBreakTable& breaks,
                                    std::optional<double> fromChainage, std::optional<double> toChainage) {
    const int n = profile.gradePointCount;
    if (n < 2) throw DataError(msg::PROFILE_TOO_SHORT_TO_DRAW);
    const std::vector<double>& K = profile.gradePointChainage;
    const std::vector<double>& H = profile.gradePointElevation;
    const std::vector<double>& T = profile.tangentLength;
    ProfileLabelModel m;
    m.fromChainage = fromChainage.value_or(K[1]);
    m.toChainage = toChainage.value_or(K[n]);
    if (!(std::isfinite(m.fromChainage) && std::isfinite(m.toChainage) && m.fromChainage < m.toChainage))
        throw DataError(msg::rangeNotStretch(m.fromChainage, m.toChainage));
    const double from = m.fromChainage;
    const double to = m.toChainage;
    const auto inside = [&](double c) { return c >= from && c <= to; };

    // The vertices: the ends, the grade points, the tangent points, and the
    // curves sampled at most CURVE_SAMPLE_STEP apart.
    std::vector<double> at{from, to};
    for (int j = 1; j <= n; ++j) {
        if (inside(K[j])) at.push_back(K[j]);
        if (!(T[j] > 0)) continue;
        const double s = K[j] - T[j];
        const double e = K[j] + T[j];
        const double a = std::max(s, from);
        const double b = std::min(e, to);
        if (!(a < b)) continue;
        const double steps = std::ceil((e - s) / CURVE_SAMPLE_STEP);
        requireRoom(at.size() + static_cast<std::size_t>(std::min(steps, double(MAX_MODEL_POINTS) + 1)));
        const auto count = static_cast<std::size_t>(steps);
        for (std::size_t k = 0; k <= count; ++k) {
            // The ends exactly: S + (E - S) · k/N would miss E by a rounding.
            const double c = k == count ? e : s + (e - s) * static_cast<double>(k) / steps;
            if (inside(c)) at.push_back(c);
        }
    }
    std::sort(at.begin(), at.end());
    at.erase(std::unique(at.begin(), at.end()), at.end());
    m.designLine.reserve(at.size());
    m.lowestElevation = std::numeric_limits<double>::infinity();
    m.highestElevation = -std::numeric_limits<double>::infinity();
    const auto widen = [&](double e) {
        m.lowestElevation = std::min(m.lowestElevation, e);
        m.highestElevation = std::max(m.highestElevation, e);
    };
    for (double c : at) {
        const double e = DesignAt(profile, c).elevation;
        m.designLine.push_back({c, e});
        widen(e);
    }

    for (int j = 1; j <= n; ++j) {
        if (!inside(K[j])) continue;
        GradePointLabel g;
        g.index = j;
        g.chainage = K[j];
        g.elevation = H[j];
        g.designElevation = DesignAt(profile, K[j]).elevation;
        g.stake = formatStake(breaks, K[j]);
        g.elevationText = formatFixed(H[j], LABEL_DECIMALS);
        g.curve = curveLabel(profile, j);
        g.curveStart = K[j] - T[j];
        g.curveEnd = K[j] + T[j];
        g.crest = profile.gradeChange[j] < 0;
        widen(H[j]);
        m.gradePoints.push_back(std::move(g));
    }
    for (int i = 1; i < n; ++i) {
        if (K[i + 1] < from || K[i] > to) continue;
        GradeLineLabel line;
        line.fromChainage = K[i];
        line.toChainage = K[i + 1];
        line.fromElevation = H[i];
        line.toElevation = H[i + 1];
        line.grade = profile.segmentGrade[i];
        line.gradeText = formatPercent(line.grade, LABEL_DECIMALS) + "%";
        line.lengthText = formatFixed(K[i + 1] - K[i], LABEL_DECIMALS);
        m.gradeLines.push_back(std::move(line));
    }

    const std::vector<double> breakAt = chainBreakChainages(breaks);
    for (std::size_t k = 0; k < breakAt.size(); ++k) {
        const int index = static_cast<int>(k) + 1;
        if (inside(breakAt[k])) m.chainBreaks.push_back({breakAt[k], index, chainBreakNote(breaks, index)});
    }
    const std::optional<std::vector<RoundStake>> ticks =
        roundStakes(breaks, from, to, PROFILE_TICK_STEP, MAX_MODEL_POINTS);
    if (!ticks) requireRoom(MAX_MODEL_POINTS + 1);
    const double ticksPerLabel = PROFILE_LABEL_STEP / PROFILE_TICK_STEP;
    m.ticks.reserve(ticks->size());
    for (const RoundStake& r : *ticks) {
        // Every PROFILE_LABEL_STEP of stake a label: "BK2+300", whole metres.
        const bool labelled = std::fmod(r.multiple, ticksPerLabel) == 0;
        m.ticks.push_back({r.chainage, r.stake.value, labelled ? formatStake(breaks, r.stake, 0) : std::string()});
    }
    return m;
}

ProfileReadout profileReadout(const Profile& profile, const ChainBreakTable& breaks, double chainage) {
    const DesignPoint d = DesignAt(profile, chainage);
    ProfileReadout r;
    r.chainage = chainage;
    r.stake = sj_dlstr_11(breaks, chainage);
    r.kilometreStake = formatStake(breaks, chainage);
    r.elevation = d.elevation;
    r.grade = d.grade;
    return r;
}

double fittingExaggeration(double rise, double pixelsPerMetre, double room, double lowest, double highest) {
    const double exact = room / (std::max(rise, MIN_FITTED_RISE) * pixelsPerMetre);
    if (!(std::isfinite(exact) && exact > 0)) return lowest;
    // The largest nice value at or below the exact fit, counted from its power of ten.
    const double decade = std::pow(10.0, std::floor(std::log10(exact)));
    double nice = decade;
    for (double m : NICE_EXAGGERATIONS)
        if (m * decade <= exact * (1 + NICE_TOLERANCE)) nice = m * decade;
    return std::clamp(nice, lowest, highest);
}

ProfileViewport ProfileViewport::fitting(const ProfileLabelModel& model, double width, double height,
                                         const ProfileFit& fit) {
    ProfileViewport v;
    v.width = std::max(width, 1.0);
    v.height = std::max(height, 1.0);
    const double span = std::max(model.toChainage - model.fromChainage, CURVE_SAMPLE_STEP);
    v.pixelsPerMetre = std::clamp(v.width * fit.margin / span, MIN_PIXELS_PER_METRE, MAX_PIXELS_PER_METRE);
    const double top = std::clamp(fit.plotTop, 0.0, v.height);
    const double bottom = std::clamp(fit.plotBottom, top, v.height);
    const double room = std::max(bottom - top, 1.0) * fit.margin;
    const double rise = model.empty() ? 0 : model.highestElevation - model.lowestElevation;
    v.verticalExaggeration =
        fittingExaggeration(rise, v.pixelsPerMetre, room, fit.lowestExaggeration, fit.highestExaggeration);
    v.centreChainage = (model.fromChainage + model.toChainage) / 2;
    // The middle of the elevations in the middle of the band.
    const double middle = model.empty() ? 0 : (model.lowestElevation + model.highestElevation) / 2;
    v.centreElevation = middle - (v.height / 2 - (top + bottom) / 2) / (v.pixelsPerMetre * v.verticalExaggeration);
    return v;
}

void ProfileViewport::zoomAbout(double px, double py, double factor) {
    const double c = chainageAt(px);
    const double e = elevationAt(py);
    pixelsPerMetre = std::clamp(pixelsPerMetre * factor, MIN_PIXELS_PER_METRE, MAX_PIXELS_PER_METRE);
    centreChainage = c - (px - width / 2) / pixelsPerMetre;
    centreElevation = e + (py - height / 2) / (pixelsPerMetre * verticalExaggeration);
}

void ProfileViewport::pan(double dx, double dy) {
    centreChainage -= dx / pixelsPerMetre;
    centreElevation += dy / (pixelsPerMetre * verticalExaggeration);
}

}  // namespace gradix
