// Chain-break files: a read either succeeds with a finite table inside its
// slots or raises the data failure (the file is always there, so never the
// cancelled one); the table in force is well formed after either. The stake
// conversions on any table so read stay finite or raise, and the stake text of
// a chainage converts back to that chainage wherever the back values follow
// the road.
#include <algorithm>
#include <cmath>

#include "fuzz_input.h"
#include "stakes/chainbreaks.h"
#include "stakes/stakes.h"
#include "text/failures.h"

using namespace gradix;

namespace {

// sj_dlstr_11 writes "0.000": the text is within half a millimetre of the value.
constexpr double HALF_MILLIMETRE = 0.0005;
// Relative rounding slack of the sums across the breaks (a few ulps each).
constexpr double SUM_RELATIVE_SLACK = 1e-13;

class CountingSink : public MessageSink {
public:
    int calls = 0;
    void activateMainWindow() override { ++calls; }
    void showMessage(const std::string&, const std::string&) override { ++calls; }
};

// Entry 0 is 0 and the sentinel stands after the last break, unless the -1
// mark of a file without breaks set the count back to 0.
void requireWellFormed(const ChainBreakTable& table) {
    const int n = table.chainBreakCount;
    fuzz::require(n >= 0 && n <= MAX_CHAIN_BREAKS, "at most 19 breaks");
    fuzz::require(table.breakBackStake[0] == 0.0 && table.breakAheadStake[0] == 0.0, "entry 0 is 0");
    fuzz::require(table.breakBackStake[1] == NO_BREAK_MARK || table.breakBackStake[n + 1] == BREAK_SENTINEL,
                  "sentinel after the last break");
}

// True when the back values never decrease: then sj_dlstr_11 passes the
// breaks 1..m-1 of its letter and dlstr_sj undoes exactly those.
bool backValuesFollowTheRoad(const ChainBreakTable& table) {
    for (int k = 2; k <= table.chainBreakCount; ++k)
        if (table.breakBackStake[k] < table.breakBackStake[k - 1]) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputFile file(data, size, ".dl");
    ChainBreakTable table;
    try {
        readChainBreakFile(file.path(), table);
    } catch (const DataError& e) {
        fuzz::require(fuzz::refusalIsLocated(e, file.path(), DataFileKind::ChainBreaks),
                      "a refused file names the file and the line");
        requireWellFormed(table);
        return 0;
    }
    requireWellFormed(table);
    const int n = table.chainBreakCount;
    double scale = 1.0;
    for (int k = 1; k <= n; ++k) {
        fuzz::require(std::isfinite(table.breakBackStake[k]) && std::isfinite(table.breakAheadStake[k]),
                      "finite break values");
        scale = std::max({scale, std::fabs(table.breakBackStake[k]), std::fabs(table.breakAheadStake[k])});
    }

    // The chainage of every break (its back value carried into the first
    // stretch's numbering), and a little before and after it.
    const bool roundTrips = backValuesFollowTheRoad(table);
    double offset = 0.0;  // chainage minus stake value in the current stretch
    CountingSink sink;
    for (int k = 1; k <= n; ++k) {
        const double atBreak = table.breakBackStake[k] + offset;
        offset += table.breakBackStake[k] - table.breakAheadStake[k];
        for (const double chainage : {atBreak - 0.25, atBreak, atBreak + 0.25}) {
            if (!std::isfinite(chainage)) continue;
            const std::string stake = sj_dlstr_11(table, chainage);
            std::int16_t accepted = 1;
            const std::string qualified = zh_dlstr(table, stake, sink, accepted);
            // A stake text written by the program carries its letter and passes
            // unchanged, where the letters count the stretches along the road.
            if (roundTrips)
                fuzz::require(qualified == stake && accepted == 1 && sink.calls == 0, "a lettered stake is accepted");
            sink.calls = 0;
            try {
                const double back = dlstr_sj(table, qualified);
                fuzz::require(std::isfinite(back), "finite chainage of a stake");
                const double slack = HALF_MILLIMETRE + SUM_RELATIVE_SLACK * (n + 1) *
                                                           std::max(scale, std::fabs(chainage));
                if (roundTrips)
                    fuzz::require(std::fabs(back - chainage) <= slack, "stake text converts back to its chainage");
            } catch (const DataError&) {
            }
        }
    }
    return 0;
}
