#include "views/profilemodel.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "stakes/stakes.h"
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

// "0.000" with the trailing zeros and a trailing point dropped: 8000, 120, 7081.1.
std::string trimmedDecimal(double value) {
    std::string text = formatFixed(value, LABEL_DECIMALS);
    if (text.find('.') == std::string::npos) return text;
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}

// The stretches of the road between the chain breaks: stretch m runs from
// chainage start (exclusive, except for the first) to end (inclusive), its
// stake being chainage + offset.
struct Stretch {
    double start;
    double end;
    double offset;
};

std::vector<Stretch> stretchesOf(const ChainBreakTable& breaks) {
    std::vector<Stretch> out;
    const int n = std::clamp<int>(breaks.chainBreakCount, 0, BREAK_SLOTS - 2);
    double offset = 0;
    double start = -std::numeric_limits<double>::infinity();
    for (int k = 1; k <= n; ++k) {
        const double at = breaks.breakBackStake[k] - offset;  // chainage of break k
        out.push_back({start, at, offset});
        offset += breaks.breakAheadStake[k] - breaks.breakBackStake[k];
        start = at;
    }
    out.push_back({start, std::numeric_limits<double>::infinity(), offset});
    return out;
}

void requireRoom(std::size_t count) {
    if (count > MAX_MODEL_POINTS)
        throw DataError(msg::profileTooLongToDraw(MAX_MODEL_POINTS));
}

}  // namespace

double stakeValueAt(const ChainBreakTable& breaks, double chainage) {
    const int n = std::clamp<int>(breaks.chainBreakCount, 0, BREAK_SLOTS - 2);
    double v = chainage;
    for (int k = 1; k <= n; ++k)
        if (v > breaks.breakBackStake[k]) v = v + breaks.breakAheadStake[k] - breaks.breakBackStake[k];
    return v;
}

std::string curveLabel(const Profile& profile, int j) {
    if (j < 1 || j > profile.gradePointCount) return "";
    const double R = profile.curveRadius[j];
    const double T = profile.tangentLength[j];
    if (!(R > 0) || !(T > 0)) return "";
    const double E = T * T / (2 * R);
    return "R=" + trimmedDecimal(R) + " T=" + trimmedDecimal(T) + " E=" + formatFixed(E, LABEL_DECIMALS);
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
        g.stake = formatKilometreStake(stakeValueAt(breaks, K[j]));
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

    const std::vector<Stretch> stretches = stretchesOf(breaks);
    for (std::size_t k = 0; k + 1 < stretches.size(); ++k) {
        const double c = stretches[k].end;
        if (inside(c))
            m.chainBreaks.push_back({c, shortDecimal(breaks.breakBackStake[k + 1]) + "=" +
                                            shortDecimal(breaks.breakAheadStake[k + 1])});
    }
    requireRoom(static_cast<std::size_t>(std::min((to - from) / PROFILE_TICK_STEP, double(MAX_MODEL_POINTS) + 1)));
    for (std::size_t k = 0; k < stretches.size(); ++k) {
        const Stretch& s = stretches[k];
        const double a = std::max(s.start, from);
        const double b = std::min(s.end, to);
        if (a > b) continue;
        // The stretch's first stake is its own only where the one before does not end there.
        const bool startOwned = k == 0 || s.start < from;
        const double first = std::ceil((a + s.offset) / PROFILE_TICK_STEP);
        const double last = std::floor((b + s.offset) / PROFILE_TICK_STEP);
        const auto ticksPerLabel = static_cast<long long>(PROFILE_LABEL_STEP / PROFILE_TICK_STEP);
        // Counted in whole steps, so that the loop ends also where the stake
        // values are too large for a step of one to change them.
        const double count = last - first;
        for (double k = 0; k <= count; ++k) {
            const double j = first + k;
            const double stake = j * PROFILE_TICK_STEP;
            const double c = stake - s.offset;
            if (c == a && !startOwned && !m.ticks.empty() && m.ticks.back().chainage == c) continue;
            StakeTick tick{c, stake, ""};
            if (static_cast<long long>(j) % ticksPerLabel == 0) {
                tick.label = formatKilometreStake(stake);
                const std::size_t point = tick.label.find('.');
                if (point != std::string::npos) tick.label.erase(point);  // "K0+100", whole metres
            }
            m.ticks.push_back(std::move(tick));
            requireRoom(m.ticks.size());
        }
    }
    return m;
}

ProfileReadout profileReadout(const Profile& profile, const ChainBreakTable& breaks, double chainage) {
    const DesignPoint d = DesignAt(profile, chainage);
    ProfileReadout r;
    r.chainage = chainage;
    r.stake = sj_dlstr_11(breaks, chainage);
    r.kilometreStake = formatKilometreStake(stakeValueAt(breaks, chainage));
    r.elevation = d.elevation;
    r.grade = d.grade;
    return r;
}

ProfileViewport ProfileViewport::fitting(const ProfileLabelModel& model, double width, double height,
                                         double verticalExaggeration, double margin) {
    ProfileViewport v;
    v.width = std::max(width, 1.0);
    v.height = std::max(height, 1.0);
    v.verticalExaggeration = verticalExaggeration;
    const double span = std::max(model.toChainage - model.fromChainage, CURVE_SAMPLE_STEP);
    const double rise = std::max(model.highestElevation - model.lowestElevation, CURVE_SAMPLE_STEP);
    v.pixelsPerMetre = std::min(v.width * margin / span, v.height * margin / (rise * verticalExaggeration));
    v.pixelsPerMetre = std::clamp(v.pixelsPerMetre, MIN_PIXELS_PER_METRE, MAX_PIXELS_PER_METRE);
    v.centreChainage = (model.fromChainage + model.toChainage) / 2;
    v.centreElevation = model.empty() ? 0 : (model.lowestElevation + model.highestElevation) / 2;
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
