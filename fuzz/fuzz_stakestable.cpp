// The places of a stake table (逐桩坐标表) over a range and interval taken
// from the input, under chain breaks taken from it too: the table is made
// or refused with the data failure, never a hang or a runaway allocation;
// the places made lie within the range, in chainage order, and number no
// more than the row limit (and the named places) allows; a range on a road
// is clipped to the road or refused.
//
// Input layout: five raw doubles (road start and end, from, to, interval),
// then one byte for the break count (0..19) and 16 bytes per break (back and
// ahead stake value), as fuzz_stakes reads them.
#include <cmath>
#include <cstring>

#include "fuzz_input.h"
#include "setout/stakestable.h"
#include "text/failures.h"

using namespace gradix;

namespace {

// Tables of more rows than this are made correctly but slowly: the fuzzer
// passes over them (their count is all the guard decides).
constexpr double MOST_FUZZED_ROWS = 2e5;
// The named places besides the regular stakes: the start, the end and both
// sides of every break.
constexpr std::size_t NAMED_PLACES = 2 + 2 * MAX_CHAIN_BREAKS;

double take(const std::uint8_t*& data, std::size_t& size) {
    double v = 0.0;
    if (size >= sizeof v) {
        std::memcpy(&v, data, sizeof v);
        data += sizeof v;
        size -= sizeof v;
    }
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const double start = take(data, size), end = take(data, size);
    const double from = take(data, size), to = take(data, size), every = take(data, size);
    ChainBreakTable table;
    if (size > 0) {
        table.chainBreakCount = static_cast<std::int16_t>(data[0] % (MAX_CHAIN_BREAKS + 1));
        ++data;
        --size;
    }
    for (int k = 1; k <= table.chainBreakCount; ++k) {
        const double back = take(data, size), ahead = take(data, size);
        table.breakBackStake[k] = std::isfinite(back) ? back : 0.0;
        table.breakAheadStake[k] = std::isfinite(ahead) ? ahead : 0.0;
    }
    table.breakBackStake[table.chainBreakCount + 1] = BREAK_SENTINEL;
    table.breakAheadStake[table.chainBreakCount + 1] = BREAK_SENTINEL;

    // A range on a road: within it, or refused.
    if (fuzz::finite(start) && fuzz::finite(end) && start <= end) {
        try {
            const RoadRange r = rangeOnRoad(start, end, from, to, table);
            fuzz::require(start <= r.from && r.from <= r.to && r.to <= end, "a clipped range lies on the road");
            fuzz::require(r.note.empty() == (from >= start - MIN_STAKE_INTERVAL && to <= end + MIN_STAKE_INTERVAL),
                          "a note exactly when the range reaches beyond the road");
        } catch (const DataError&) {
        }
    }

    const double estimate = (to - from) / every;
    if (estimate > MOST_FUZZED_ROWS && estimate <= MAX_STAKE_TABLE_ROWS && every >= MIN_STAKE_INTERVAL) return 0;
    try {
        const std::vector<StakePlace> places = stakePlaces(nullptr, table, from, to, from, to, every);
        fuzz::require(places.size() <= static_cast<std::size_t>(MAX_STAKE_TABLE_ROWS) + NAMED_PLACES,
                      "no more places than the row limit allows");
        for (std::size_t i = 0; i < places.size(); ++i) {
            fuzz::require(from <= places[i].chainage && places[i].chainage <= to, "places within the range");
            if (i > 0) fuzz::require(places[i - 1].chainage <= places[i].chainage, "places in chainage order");
        }
    } catch (const DataError&) {
    }
    return 0;
}
