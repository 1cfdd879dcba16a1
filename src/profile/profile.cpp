// The grade-point table: reading the profile file, preparing the table, and
// evaluating the design elevation and tangent grade at a chainage.
//
// Accuracy: every result is the closed-form expression of a straight grade or
// of a parabolic vertical curve, evaluated once in double precision in the
// order written below (no series, no iteration). The error of an elevation is
// a few units in the last place of the elevations and chainage differences
// involved, far below the 0.0001 m shown to the person. The interval search
// only chooses which expression applies; it gives the same interval as the
// scan from grade point 1, so results do not depend on it.
#include "profile/profile.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "stakes/stakes.h"
#include "text/dataline.h"
#include "text/failures.h"
#include "text/filekind.h"
#include "text/numbers.h"
#include "text/textfile.h"
#include "text/messages.h"

namespace gradix {

namespace {

// Fields of a profile line, counted from 0.
constexpr std::size_t STAKE_FIELD = 0;
constexpr std::size_t ELEVATION_FIELD = 1;
constexpr std::size_t RADIUS_FIELD = 2;
// Only a line of exactly this many fields gives its grade point a radius.
constexpr std::size_t FIELDS_WITH_RADIUS = 3;
// The first data line of a file, where a missing grade point is reported.
constexpr long FIRST_LINE = 1;

// Whether the third field of a line holds a radius that a line of exactly
// three fields would give its grade point: a number that is not 0 (text
// after the elevation that reads as 0 is a comment, and nothing is lost).
bool holdsRadius(const std::string& field) {
    try {
        return LeadingNumber(field) != 0.0;
    } catch (const GradixError&) {
        return true;  // a number beyond the double range is a number all the same
    }
}

// Keeps the message of a stake refused in check mode instead of showing it.
class KeptMessage : public MessageSink {
public:
    void activateMainWindow() override {}
    void showMessage(const std::string&, const std::string& text) override { text_ = text; }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// Sets every array of the table to entries 0..last (entry 0 unused), keeping
// what the entries up to last already hold.
void resizeTable(Profile& p, std::size_t last) {
    for (std::vector<double>* a : {&p.gradePointChainage, &p.gradePointElevation, &p.curveRadius,
                                   &p.segmentGrade, &p.gradeChange, &p.tangentLength, &p.curveEndChainage})
        a->resize(last + 1);
}

// True when every array holds the entries 1..n.
bool holdsEntries(const Profile& p, int n) {
    const std::size_t need = static_cast<std::size_t>(n) + 1;
    for (const std::vector<double>* a : {&p.gradePointChainage, &p.gradePointElevation, &p.curveRadius,
                                         &p.segmentGrade, &p.gradeChange, &p.tangentLength, &p.curveEndChainage})
        if (a->size() < need) return false;
    return true;
}

// The steps of PrepareProfile. failingPoint follows the grade point being
// worked on, so that the reader can name the line of a failure.
void prepareGradePoints(Profile& p, int& failingPoint) {
    p.curveEndsAscending = false;
    const int n = p.gradePointCount;
    failingPoint = 0;
    if (n < 1) throw DataError(msg::NO_GRADE_POINT);
    const std::size_t need = static_cast<std::size_t>(n) + 1;
    if (p.gradePointChainage.size() < need || p.gradePointElevation.size() < need || p.curveRadius.size() < need)
        throw DataError(msg::gradePointTableShort(n));
    for (std::vector<double>* a : {&p.segmentGrade, &p.gradeChange, &p.tangentLength, &p.curveEndChainage})
        if (a->size() < need) a->resize(need);

    const std::vector<double>& K = p.gradePointChainage;
    const std::vector<double>& H = p.gradePointElevation;
    std::vector<double>& R = p.curveRadius;
    std::vector<double>& g = p.segmentGrade;
    std::vector<double>& w = p.gradeChange;
    std::vector<double>& T = p.tangentLength;
    std::vector<double>& E = p.curveEndChainage;

    // No segment leaves the last grade point; its entry is held at 0 so that a
    // profile of a single grade point extrapolates level before it.
    g[n] = 0.0;
    for (int i = 1; i <= n - 1; ++i) {
        failingPoint = i + 1;
        g[i] = (H[i + 1] - H[i]) / (K[i + 1] - K[i]);
        if (!std::isfinite(g[i])) {
            if (K[i + 1] == K[i])
                throw DataError(msg::equalGradePointStakes(i, i + 1));
            throw DataError(msg::gradeNotFinite(i, i + 1));
        }
    }

    w[1] = 0.0;
    for (int i = 2; i <= n - 1; ++i) {
        failingPoint = i;
        w[i] = g[i] - g[i - 1];
        if (!std::isfinite(w[i])) throw DataError(msg::gradeChangeNotFinite(i));
    }
    w[n] = 0.0;

    // A negative radius is the tangent length of the curve: R = 2T / |w|.
    for (int i = 2; i <= n - 1; ++i) {
        if (!(R[i] < 0.0)) continue;
        failingPoint = i;
        const double tangent = -R[i];
        R[i] = 2.0 * tangent / std::fabs(w[i]);
        if (!std::isfinite(R[i])) {
            if (w[i] == 0.0)
                throw DataError(msg::tangentWithoutGradeChange(tangent, i));
            throw DataError(msg::radiusFromTangentNotFinite(i));
        }
    }

    T[1] = 0.0;
    for (int i = 2; i <= n - 1; ++i) {
        failingPoint = i;
        T[i] = std::fabs(w[i]) * R[i] / 2.0;
        if (!std::isfinite(T[i]))
            throw DataError(msg::curveTangentNotFinite(i));
    }
    T[n] = 0.0;

    for (int i = 1; i <= n; ++i) {
        failingPoint = i;
        E[i] = (i == 1 || i == n) ? K[i] : K[i] + T[i];
        if (!std::isfinite(E[i]))
            throw DataError(msg::curveEndNotFinite(i));
    }
    failingPoint = 0;

    indexCurveEnds(p);
}

// The grade-point count, checked before an evaluation: the table must hold
// at least one grade point and all entries up to its count.
int evaluableCount(const Profile& p, double chainage) {
    if (!std::isfinite(chainage)) throw DataError(msg::CHAINAGE_NOT_FINITE);
    const int n = p.gradePointCount;
    if (n < 1) throw DataError(msg::NO_GRADE_POINT);
    if (!holdsEntries(p, n))
        throw DataError(msg::gradePointTableShort(n));
    return n;
}

// A profile of a single grade point has no grade at or beyond it: the
// table has no entry 0 to take the last grade from.
[[noreturn]] void beyondLonePoint() {
    throw DataError(msg::LONE_GRADE_POINT);
}

// Interval index i for K(1) <= x <= K(n), n >= 2: the first i in 1..n-2 with
// E(i) <= x < E(i+1), else n-1. When the curve ends never decrease, that i
// is the one before the first E greater than x (found by bisection); a
// first E already greater than x leaves no such i. Where they decrease, the
// table of indexCurveEnds answers; a table that was never indexed is
// scanned from the first grade point.
int intervalIndex(const Profile& p, int n, double x) {
    const std::vector<double>& E = p.curveEndChainage;
    if (p.curveEndsAscending) {
        const auto firstGreater = std::upper_bound(E.begin() + 1, E.begin() + n + 1, x);
        const int j = static_cast<int>(firstGreater - E.begin());
        return j >= 2 ? std::min(j - 1, n - 1) : n - 1;
    }
    if (!p.overlapBreaks.empty()) {
        const auto firstGreater = std::upper_bound(p.overlapBreaks.begin(), p.overlapBreaks.end(), x);
        if (firstGreater == p.overlapBreaks.begin()) return n - 1;
        return p.overlapInterval[static_cast<std::size_t>(firstGreater - p.overlapBreaks.begin()) - 1];
    }
    for (int i = 1; i <= n - 2; ++i)
        if (E[i] <= x && x < E[i + 1]) return i;
    return n - 1;
}

// Elevation on the located interval, the cases taken in their order; x lies
// within K(1)..K(n), n >= 2.
double elevationWithin(const Profile& p, int n, int i, double x) {
    const std::vector<double>& K = p.gradePointChainage;
    const std::vector<double>& H = p.gradePointElevation;
    const std::vector<double>& R = p.curveRadius;
    const std::vector<double>& g = p.segmentGrade;
    const std::vector<double>& w = p.gradeChange;
    const std::vector<double>& T = p.tangentLength;
    const std::vector<double>& E = p.curveEndChainage;
    // Start of the vertical curve at point i+1, rounded to a double before
    // it is compared.
    const double start = K[i + 1] - T[i + 1];

    // Straight grade: (x + T(i)) - E(i) is the distance from grade point i.
    if (E[i] <= x && x < start) return H[i] + ((x + T[i]) - E[i]) * g[i];
    // First half of the curve: incoming grade line plus the ordinate from
    // the curve start.
    if (start <= x && x < K[i + 1]) {
        const double onGrade = H[i] + ((x + T[i]) - E[i]) * g[i];
        const double fromStart = x + T[i + 1] - K[i + 1];
        const double ordinate = fromStart * fromStart / (2.0 * R[i + 1]);
        if (w[i + 1] > 0.0) return onGrade + ordinate;  // sag
        if (w[i + 1] < 0.0) return onGrade - ordinate;  // crest
        return 0.0;
    }
    // Second half: outgoing grade line plus the ordinate back from the end.
    if (K[i + 1] <= x && x < E[i + 1]) {
        const double onGrade = H[i + 1] + (x - K[i + 1]) * g[i + 1];
        const double toEnd = K[i + 1] + T[i + 1] - x;
        const double ordinate = toEnd * toEnd / (2.0 * R[i + 1]);
        if (w[i + 1] > 0.0) return onGrade + ordinate;
        if (w[i + 1] < 0.0) return onGrade - ordinate;
        return 0.0;
    }
    // The last straight grade includes the end of the profile.
    if (x == K[n]) return H[n - 1] + (x - K[n - 1]) * g[n - 1];
    // Only overlapping vertical curves leave a chainage uncovered.
    return 0.0;
}

// Tangent grade on the located interval, the cases taken in their order.
double gradeWithin(const Profile& p, int n, int i, double x) {
    const std::vector<double>& K = p.gradePointChainage;
    const std::vector<double>& R = p.curveRadius;
    const std::vector<double>& g = p.segmentGrade;
    const std::vector<double>& w = p.gradeChange;
    const std::vector<double>& T = p.tangentLength;
    const std::vector<double>& E = p.curveEndChainage;
    const double start = K[i + 1] - T[i + 1];

    if (E[i] <= x && x < start) return g[i];
    // The grade changes linearly along the whole curve, reaching g(i+1) at its end.
    if (start <= x && x < E[i + 1]) {
        if (w[i + 1] > 0.0) return g[i] + (x - start) / R[i + 1];
        if (w[i + 1] < 0.0) return g[i] - (x - start) / R[i + 1];
        return 0.0;
    }
    if (x == K[n]) return g[n - 1];
    return 0.0;
}

double elevationAt(const Profile& p, int n, double x) {
    const std::vector<double>& K = p.gradePointChainage;
    const std::vector<double>& H = p.gradePointElevation;
    const std::vector<double>& g = p.segmentGrade;
    if (x < K[1]) return H[1] + (x - K[1]) * g[1];
    if (n == 1) beyondLonePoint();
    if (x > K[n]) return H[n - 1] + (x - K[n - 1]) * g[n - 1];
    return elevationWithin(p, n, intervalIndex(p, n, x), x);
}

double gradeAt(const Profile& p, int n, double x) {
    const std::vector<double>& K = p.gradePointChainage;
    const std::vector<double>& g = p.segmentGrade;
    if (x < K[1]) return g[1];
    if (n == 1) beyondLonePoint();
    if (x > K[n]) return g[n - 1];
    return gradeWithin(p, n, intervalIndex(p, n, x), x);
}

}  // namespace

ProfileRead readProfileFile(const std::string& path, const ChainBreakTable& table, MessageSink& sink,
                            Profile& profile, ReadReport* report) {
    // The lines are read one at a time: the reading stops at the first line
    // that ends the table or cannot be in it, whatever follows.
    TextLineReader lines(path);
    refuseOtherKind(path, DataFileKind::Profile);
    const bool checking = report != nullptr && report->checkMode;

    // From here on the table is being refilled: its count follows the lines
    // read, and the bisection waits for the preparation.
    profile.gradePointCount = 0;
    profile.curveEndsAscending = false;
    profile.overlapBreaks.clear();
    profile.overlapInterval.clear();
    long c = 0;     // grade points stored
    long line = 0;  // the line being read; c + 1 while no line is refused
    try {
        for (std::string raw; lines.next(raw);) {
            line = lines.lineNumber();
            const std::string prepared = prepareDataLine(raw);
            if (prepared.empty()) {
                if (report) noteLinesAfterEmptyLine(lines, line, *report);
                break;
            }
            const long next = c + 1;
            if (next > MAX_GRADE_POINTS)
                throw DataError(msg::tooManyGradePoints(MAX_GRADE_POINTS));
            resizeTable(profile, static_cast<std::size_t>(next));
            const std::vector<std::string> fields = splitFields(prepared);
            KeptMessage kept;
            try {
                // The stake is checked before the line's form: a stake in a
                // gap is refused even on a line that has nothing else.
                std::int16_t stakeAccepted = 1;
                const std::string qualified =
                    zh_dlstr(table, fields[STAKE_FIELD], checking ? kept : sink, stakeAccepted);
                if (stakeAccepted == 0) {
                    if (!checking) return ProfileRead::StakeRefused;
                    report->refusals.push_back({line, kept.text()});
                    continue;
                }
                profile.gradePointChainage[next] = dlstr_sj(table, qualified);
                // A chainage no road reaches is a damaged file, refused as LandXML refuses it.
                if (!(std::fabs(profile.gradePointChainage[next]) <= MAX_STATION))
                    throw DataError(msg::stationBeyond("里程", profile.gradePointChainage[next], MAX_STATION));

                if (fields.size() <= ELEVATION_FIELD)
                    throw DataError(msg::SINGLE_FIELD_LINE);
                profile.gradePointElevation[next] = LeadingNumber(fields[ELEVATION_FIELD]);
                profile.curveRadius[next] =
                    fields.size() == FIELDS_WITH_RADIUS ? LeadingNumber(fields[RADIUS_FIELD]) : 0.0;
            } catch (const GradixError& e) {
                if (!checking) throw;
                report->refusals.push_back({line, e.reason()});
                continue;
            }
            if (report && fields.size() > FIELDS_WITH_RADIUS && holdsRadius(fields[RADIUS_FIELD]))
                report->notes.push_back({line, msg::radiusNotRead(line, fields.size())});
            if (report) report->entryLines.push_back(line);
            c = next;
            profile.gradePointCount = static_cast<std::int16_t>(c);
        }
        if (c == 0 && !checking) {
            line = FIRST_LINE;
            throw DataError(msg::PROFILE_FILE_EMPTY);
        }
    } catch (GradixError& e) {
        e.locate(path, line);
        throw;
    }
    if (checking) {
        resizeTable(profile, static_cast<std::size_t>(c));
        return ProfileRead::Loaded;
    }

    int failingPoint = 0;
    try {
        prepareGradePoints(profile, failingPoint);
    } catch (GradixError& e) {
        // Grade point i was read from line i: no line before it was skipped.
        e.locate(path, failingPoint);
        throw;
    }
    return ProfileRead::Loaded;
}

void indexCurveEnds(Profile& p) {
    const int n = p.gradePointCount;
    const std::vector<double>& E = p.curveEndChainage;
    p.overlapBreaks.clear();
    p.overlapInterval.clear();
    p.curveEndsAscending = n >= 1 && std::is_sorted(E.begin() + 1, E.begin() + n + 1);
    if (p.curveEndsAscending || n < 3) return;

    // The intervals [E(i), E(i+1)) for i = 1..n-2 begin and end only at curve
    // ends, so between two consecutive distinct curve ends every chainage
    // lies in the same intervals: the first of them, or none, is the answer
    // there. Intervals are taken in table order, and each stretch gets the
    // first interval that covers it; `nextOpen` skips stretches already
    // answered, so that every stretch is visited once.
    std::vector<double>& breaks = p.overlapBreaks;
    breaks.assign(E.begin() + 1, E.begin() + n);
    std::sort(breaks.begin(), breaks.end());
    breaks.erase(std::unique(breaks.begin(), breaks.end()), breaks.end());
    const std::size_t stretches = breaks.size();
    const int none = n - 1;
    p.overlapInterval.assign(stretches, none);
    std::vector<std::size_t> nextOpen(stretches + 1);
    for (std::size_t k = 0; k <= stretches; ++k) nextOpen[k] = k;
    const auto findOpen = [&](std::size_t k) {
        std::size_t root = k;
        while (nextOpen[root] != root) root = nextOpen[root];
        while (nextOpen[k] != root) k = std::exchange(nextOpen[k], root);
        return root;
    };
    const auto breakIndex = [&](double v) {
        return static_cast<std::size_t>(std::lower_bound(breaks.begin(), breaks.end(), v) - breaks.begin());
    };
    for (int i = 1; i <= n - 2; ++i) {
        if (!(E[i] < E[i + 1])) continue;  // an empty interval holds no chainage
        const std::size_t last = breakIndex(E[i + 1]);  // stretches [first, last) lie inside
        for (std::size_t k = findOpen(breakIndex(E[i])); k < last; k = findOpen(k)) {
            p.overlapInterval[k] = i;
            nextOpen[k] = k + 1;
        }
    }
}

void PrepareProfile(Profile& profile) {
    int failingPoint = 0;
    prepareGradePoints(profile, failingPoint);
}

double DesignElevation(const Profile& profile, double chainage) {
    const int n = evaluableCount(profile, chainage);
    return requireFinite(elevationAt(profile, n, chainage), msg::DESIGN_ELEVATION);
}

double DesignGrade(const Profile& profile, double chainage) {
    const int n = evaluableCount(profile, chainage);
    return requireFinite(gradeAt(profile, n, chainage), msg::DESIGN_GRADE);
}

DesignPoint DesignAt(const Profile& profile, double chainage) {
    const int n = evaluableCount(profile, chainage);
    const std::vector<double>& K = profile.gradePointChainage;
    DesignPoint result{};
    if (chainage < K[1] || chainage > K[n] || n == 1) {
        result = {elevationAt(profile, n, chainage), gradeAt(profile, n, chainage)};
    } else {
        const int i = intervalIndex(profile, n, chainage);
        result = {elevationWithin(profile, n, i, chainage), gradeWithin(profile, n, i, chainage)};
    }
    requireFinite(result.elevation, msg::DESIGN_ELEVATION);
    requireFinite(result.grade, msg::DESIGN_GRADE);
    return result;
}

}  // namespace gradix
