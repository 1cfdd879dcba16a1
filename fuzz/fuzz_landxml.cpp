// LandXML files through the reader: a read either raises one of the two
// failure kinds, located at the file, or gives finite tables whose chain is
// continuous (each element, as the chain evaluates it, ends within the
// refusal gap of the next element's start), chainages that follow the
// lengths, a well-formed chain-break table and a prepared profile whose
// grade points increase. The list of the file's alignments never crashes.
#include <cmath>

#include "fuzz_input.h"
#include "landxml/landxml.h"
#include "text/failures.h"

using namespace gradix;

namespace {

// The continuity the reader promises: JOINT_REFUSAL_GAP, plus the rounding of
// coordinates (relative) and of the evaluation of the chainage.
constexpr double CONTINUITY_RELATIVE = 1e-9;
// Elements whose ends are evaluated: the clothoid series loses accuracy far
// from its origin, so only moderately turning elements are checked.
constexpr double ACCURATE_TURNING = 3.0;  // rad

double turning(const Alignment& al, int i) {
    const double r1 = al.elemStartRadius[i], r2 = al.elemEndRadius[i], l = al.elemLength[i];
    double t = 0.0;
    if (r1 != INFINITE_RADIUS) t = std::max(t, l / std::fabs(r1));
    if (r2 != INFINITE_RADIUS) t = std::max(t, l / std::fabs(r2));
    return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputFile file(data, size, ".xml");
    try {
        listLandXml(file.path());
    } catch (const DataError& e) {
        fuzz::require(e.file() == file.path(), "a refused list names the file");
    }
    LandXmlProject p;
    try {
        p = readLandXml(file.path());
    } catch (const DataError& e) {
        fuzz::require(e.file() == file.path(), "a refused file names the file");
        return 0;
    }
    const Alignment& al = p.alignment;
    const int n = al.elemCount;
    fuzz::require(n >= 1 && n < ELEMENT_CAPACITY, "1 to 999 elements");
    for (int i = 1; i <= n + 1; ++i) {
        fuzz::require(fuzz::finite(al.elemChainage[i]) && fuzz::finite(al.elemStartX[i]) &&
                          fuzz::finite(al.elemStartY[i]) && fuzz::finite(al.elemStartBearing[i]),
                      "finite tables");
        if (i <= n) {
            fuzz::require(al.elemLength[i] > 0.0, "no zero-length element");
            fuzz::require(al.elemChainage[i + 1] == al.elemChainage[i] + al.elemLength[i], "chainages follow lengths");
        }
    }
    for (int i = 1; i <= n; ++i) {
        if (!(turning(al, i) <= ACCURATE_TURNING)) continue;
        double x = 0, y = 0, b = 0;
        try {
            PointAtChainage(al, std::nextafter(al.elemChainage[i + 1], al.elemChainage[i]), x, y, b);
        } catch (const DataError&) {
            continue;
        }
        const double tolerance = JOINT_REFUSAL_GAP + CONTINUITY_RELATIVE * (std::fabs(x) + std::fabs(y) +
                                                                             std::fabs(al.elemChainage[i + 1]));
        fuzz::require(std::hypot(x - al.elemStartX[i + 1], y - al.elemStartY[i + 1]) <= tolerance,
                      "an element ends near the next one's start");
    }
    const ChainBreakTable& t = p.breaks;
    fuzz::require(t.chainBreakCount >= 0 && t.chainBreakCount <= BREAK_SLOTS - 2, "at most 19 equations");
    fuzz::require(t.breakBackStake[t.chainBreakCount + 1] == BREAK_SENTINEL, "the sentinel closes the table");
    for (int k = 1; k <= t.chainBreakCount; ++k)
        fuzz::require(std::fabs(t.breakBackStake[k]) <= MAX_STATION && std::fabs(t.breakAheadStake[k]) <= MAX_STATION,
                      "equations within the stations a road can have");
    fuzz::require(std::fabs(al.elemChainage[1]) <= MAX_STATION && std::fabs(al.elemChainage[n + 1]) <= MAX_STATION,
                  "an alignment within the stations a road can have");
    fuzz::require(p.notes.size() <= MAX_LISTED_LANDXML_NOTES + 1, "the notes listed are capped");
    if (p.hasProfile) {
        const Profile& v = p.profile;
        fuzz::require(v.gradePointCount >= 1, "a profile holds a grade point");
        for (int i = 1; i <= v.gradePointCount; ++i) {
            fuzz::require(fuzz::finite(v.gradePointElevation[i]) && fuzz::finite(v.curveEndChainage[i]) &&
                              v.curveRadius[i] >= 0.0,
                          "a prepared profile");
            if (i > 1) fuzz::require(v.gradePointChainage[i] > v.gradePointChainage[i - 1], "increasing grade points");
        }
    }
    return 0;
}
