// Profile files, with and without a chain-break table (bit 0 of the input's
// first byte decides; the rest is the file): a read either succeeds with a
// finite prepared table, stops at a refused stake after telling the person
// once, or raises the data failure located at the file and line; every
// evaluation is finite or raises, and the one-search evaluation agrees with
// the two separate ones.
#include "fuzz_input.h"
#include "profile/profile.h"
#include "text/failures.h"

using namespace gradix;

namespace {

// Grade points whose curve ends are also probed (the rest costs time only).
constexpr int PROBED_POINTS = 64;
// Chainages before and after the profile that are evaluated (m).
constexpr double BEYOND_ENDS = 10.0;

class CountingSink : public MessageSink {
public:
    int activations = 0;
    int messages = 0;
    void activateMainWindow() override { ++activations; }
    void showMessage(const std::string&, const std::string&) override { ++messages; }
};

void evaluateAt(const Profile& profile, double chainage) {
    DesignPoint p{};
    try {
        p = DesignAt(profile, chainage);
    } catch (const DataError&) {
        return;
    }
    fuzz::require(fuzz::finite(p.elevation) && fuzz::finite(p.grade), "finite elevation and grade");
    fuzz::require(p.elevation == DesignElevation(profile, chainage), "one search, same elevation");
    fuzz::require(p.grade == DesignGrade(profile, chainage), "one search, same grade");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    ChainBreakTable table;
    if (data[0] & 1) {
        table.chainBreakCount = 2;
        table.breakBackStake = {0, 2350, 4100, BREAK_SENTINEL};
        table.breakAheadStake = {0, 2300, 4180, BREAK_SENTINEL};
    }
    fuzz::InputFile file(data + 1, size - 1, ".zdm");
    Profile profile;
    CountingSink sink;
    ProfileRead read = ProfileRead::Loaded;
    try {
        read = readProfileFile(file.path(), table, sink, profile);
    } catch (const DataError& e) {
        fuzz::require(fuzz::refusalIsLocated(e, file.path(), DataFileKind::Profile),
                      "a refused profile names the file and the line");
        fuzz::require(sink.messages == 0, "no stake message before a data failure");
        return 0;
    }
    if (read == ProfileRead::StakeRefused) {
        fuzz::require(sink.messages == 1 && sink.activations == 1, "a refused stake is told once");
        return 0;
    }
    fuzz::require(sink.messages == 0, "a loaded profile refused no stake");

    const int n = profile.gradePointCount;
    fuzz::require(n >= 1 && n <= MAX_GRADE_POINTS, "a loaded profile has 1 to 32767 grade points");
    for (int i = 1; i <= n; ++i) {
        fuzz::require(fuzz::finite(profile.gradePointChainage[i]) && fuzz::finite(profile.gradePointElevation[i]) &&
                          fuzz::finite(profile.curveRadius[i]) && fuzz::finite(profile.gradeChange[i]) &&
                          fuzz::finite(profile.tangentLength[i]) && fuzz::finite(profile.curveEndChainage[i]),
                      "finite prepared table");
        if (i < n) fuzz::require(fuzz::finite(profile.segmentGrade[i]), "finite grades");
        if (i == 1 || i == n)
            fuzz::require(profile.tangentLength[i] == 0.0 && profile.gradeChange[i] == 0.0 &&
                              profile.curveEndChainage[i] == profile.gradePointChainage[i],
                          "no vertical curve at the first and the last grade point");
        else
            fuzz::require(profile.curveRadius[i] >= 0.0, "tangent lengths became radii");
    }

    const double first = profile.gradePointChainage[1];
    const double last = profile.gradePointChainage[n];
    // At the first grade point, where no vertical curve reaches back over it,
    // the profile gives that point's elevation and the first grade exactly.
    if (n >= 2 && !(first > last) && profile.gradePointChainage[2] - profile.tangentLength[2] > first) {
        const DesignPoint atFirst = DesignAt(profile, first);
        fuzz::require(atFirst.elevation == profile.gradePointElevation[1] && atFirst.grade == profile.segmentGrade[1],
                      "elevation and grade at the first grade point");
    }
    for (double x : {first - BEYOND_ENDS, first, first + (last - first) / 2, last, last + BEYOND_ENDS})
        evaluateAt(profile, x);
    for (int i = 1; i <= n && i <= PROBED_POINTS; ++i) {
        evaluateAt(profile, profile.gradePointChainage[i] - profile.tangentLength[i]);
        evaluateAt(profile, profile.gradePointChainage[i]);
        evaluateAt(profile, profile.curveEndChainage[i]);
    }
    return 0;
}
