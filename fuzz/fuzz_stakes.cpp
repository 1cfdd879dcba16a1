// Stake texts against a table of chain breaks taken from the input, and the
// reduction of drawing texts to stake numbers: the conversions never crash,
// every number they produce is finite or the data failure is raised, a
// refused stake is told to the person exactly once, and the number texts the
// program writes read back to their values.
//
// Input layout: byte 0 picks the break count (0..19), then 16 bytes per break
// (back and ahead stake value as raw doubles, non-finite ones read as 0), then
// the stake text.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "commands/labels.h"
#include "fuzz_input.h"
#include "stakes/stakes.h"
#include "text/failures.h"
#include "text/numbers.h"

using namespace gradix;

namespace {

// The short decimal text keeps 15 significant digits.
constexpr double SHORT_TEXT_RELATIVE = 1e-14;
// From here on the 15-digit text rounds up beyond the largest double, so it
// cannot be read back (reading it is the data failure).
constexpr double SHORT_TEXT_OVERFLOWS = 1.797693134862315e308;

// Records what the person is told: the window brought forward, then one message.
class CountingSink : public MessageSink {
public:
    int activations = 0;
    int messages = 0;
    void activateMainWindow() override { ++activations; }
    void showMessage(const std::string& title, const std::string&) override {
        fuzz::require(activations == messages + 1, "the window comes to the front before the message");
        fuzz::require(title == DATA_PROBLEM_TITLE, "stake messages carry the data-problem title");
        ++messages;
    }
};

// Break values as a chain-break file could hold them: finite, of any size.
double breakValue(const std::uint8_t*& data, std::size_t& size) {
    double v = 0.0;
    if (size >= sizeof v) {
        std::memcpy(&v, data, sizeof v);
        data += sizeof v;
        size -= sizeof v;
    }
    return std::isfinite(v) ? v : 0.0;
}

// The short text of a value reads back to it (within its 15 digits), and for
// normal doubles writing it again gives the same text.
void requireShortTextReadsBack(double v) {
    const std::string text = shortDecimal(v);
    double again = 0.0;
    try {
        again = LeadingNumber(text);
    } catch (const DataError&) {
        fuzz::require(std::fabs(v) >= SHORT_TEXT_OVERFLOWS, "short text reads back without overflow");
        return;
    }
    fuzz::require(std::fabs(again - v) <= SHORT_TEXT_RELATIVE * std::fabs(v) +
                                              std::numeric_limits<double>::denorm_min(),
                  "short text reads back");
    if (std::fabs(v) >= DBL_MIN) fuzz::require(shortDecimal(again) == text, "short text is stable");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    ChainBreakTable table;
    table.chainBreakCount = static_cast<std::int16_t>(data[0] % (MAX_CHAIN_BREAKS + 1));
    ++data;
    --size;
    for (int k = 1; k <= table.chainBreakCount; ++k) {
        table.breakBackStake[k] = breakValue(data, size);
        table.breakAheadStake[k] = breakValue(data, size);
    }
    table.breakBackStake[table.chainBreakCount + 1] = BREAK_SENTINEL;
    table.breakAheadStake[table.chainBreakCount + 1] = BREAK_SENTINEL;
    const std::string text(reinterpret_cast<const char*>(data), size);

    // zh_dlstr: accepted, or refused with exactly one message.
    CountingSink sink;
    std::int16_t accepted = -1;
    std::string qualified;
    try {
        qualified = zh_dlstr(table, text, sink, accepted);
    } catch (const DataError&) {
        // Only a stake value beyond the double range is refused this way.
        fuzz::require(sink.messages == 0, "no message before a data failure");
        return 0;
    }
    fuzz::require(accepted == 0 || accepted == 1, "accepted flag is 0 or 1");
    fuzz::require(sink.messages == (accepted == 0 ? 1 : 0) && sink.activations == sink.messages,
                  "a refused stake is told once, an accepted one not at all");
    if (accepted == 0) fuzz::require(qualified == text, "a refused stake comes back unchanged");

    if (accepted == 1) {
        try {
            const double chainage = dlstr_sj(table, qualified);
            fuzz::require(std::isfinite(chainage), "finite chainage");
            const std::string stake = sj_dlstr_11(table, chainage);
            fuzz::require(!stake.empty(), "stake text of a chainage");
            // The text written for a chainage converts to a finite chainage again.
            fuzz::require(std::isfinite(dlstr_sj(table, stake)), "finite chainage of a written stake");
        } catch (const DataError&) {
        }
    }

    try {
        const double v = LeadingNumber(text);
        fuzz::require(std::isfinite(v), "finite leading number");
        requireShortTextReadsBack(v);
        fuzz::require(!formatFixed(v, RESULT_DECIMALS).empty(), "fixed format");
        const std::string kilometres = formatKilometreStake(v);
        fuzz::require(kilometres.find('K') != std::string::npos && kilometres.find('+') != std::string::npos,
                      "drawing notation K..+...");
    } catch (const DataError&) {
    }

    // The drawing-text reduction of select-and-compute gives a short number
    // text that reads back to itself.
    try {
        const std::string reduced = reduceStakeLabel(text);
        fuzz::require(!reduced.empty(), "a reduced label is never empty");
        const double v = LeadingNumber(reduced);
        fuzz::require(std::isfinite(v), "finite reduced label");
        if (std::fabs(v) >= DBL_MIN || v == 0.0) fuzz::require(shortDecimal(v) == reduced, "reduced label is short text");
    } catch (const DataError&) {
    }

    const std::string position = GetStrP(text, "\\");
    fuzz::require(!position.empty() && position.find_first_not_of("0123456789") == std::string::npos,
                  "GetStrP gives decimal digits");
    return 0;
}
