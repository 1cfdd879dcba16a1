// Drawing texts as select-and-compute and the drawing window meet them: the
// label reader finds a finite stake whose stake-field text reads back to it,
// in any of the stretch counts a road may have; the classic stake-label
// reduction gives a short number text that reads back to itself and reduces
// to itself again; the multi-line and single-line text codes are
// interpreted into finite heights and, for UTF-8 input, UTF-8 runs; the
// \U+XXXX and \M+nXXXX escapes turn UTF-8 into UTF-8.
#include <cfloat>
#include <cmath>
#include <string>

#include "dxf/dxfencoding.h"
#include "dxf/mtext.h"
#include "checks/stakelabels.h"
#include "commands/labels.h"
#include "fuzz_input.h"
#include "text/failures.h"
#include "text/numbers.h"

using namespace gradix;

namespace {

constexpr double BASE_HEIGHT = 2.5;

void requireLine(const TextLine& line, bool utf8) {
    for (const TextRun& run : line.runs) {
        fuzz::require(std::isfinite(run.height) && run.height > 0, "run heights are finite and positive");
        fuzz::require(std::isfinite(run.widthFactor) && run.widthFactor > 0, "width factors are finite and positive");
        fuzz::require(run.color >= -1 && run.color <= 256, "run colours are ACI numbers");
        if (utf8) fuzz::require(isValidUtf8(run.text), "runs of UTF-8 text are UTF-8");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    for (int stretches : {1, 3, 20}) {
        const std::optional<LabelStake> stake = parseLabelStake(labelPlainText(text, true), stretches, "ROAD");
        if (!stake) continue;
        fuzz::require(std::isfinite(stake->value), "a label's stake is finite");
        fuzz::require(stake->letter == 0 || (stake->letter >= 'A' && stake->letter < 'A' + stretches),
                      "a label's stretch letter names a stretch of the road");
        const std::string field = stakeFieldText(*stake);
        const double back = LeadingNumber(stake->letter ? field.substr(1) : field);
        fuzz::require(std::fabs(back - stake->value) <= 1e-14 * std::fabs(stake->value),
                      "the stake field's text reads back to the label's stake");
    }

    try {
        const std::string reduced = reduceStakeLabel(text);
        fuzz::require(!reduced.empty(), "a reduced label is never empty");
        const double v = LeadingNumber(reduced);
        fuzz::require(std::isfinite(v), "a reduced label is finite");
        if (std::fabs(v) >= DBL_MIN || v == 0.0) {
            fuzz::require(shortDecimal(v) == reduced, "a reduced label is short decimal text");
            // Beyond fifteen digits the number is written with an exponent
            // ("1E+18"), whose letter and sign a second reduction would take
            // out; no stake comes near that, and the command reduces once.
            if (reduced.find('E') == std::string::npos)
                fuzz::require(reduceStakeLabel(reduced) == reduced, "reducing twice changes nothing");
        }
    } catch (const DataError&) {
    }

    const bool utf8 = isValidUtf8(text);
    const std::vector<TextLine> lines = parseMText(text, BASE_HEIGHT);
    fuzz::require(!lines.empty(), "a multi-line text has at least one line");
    for (const TextLine& line : lines) requireLine(line, utf8);
    requireLine(parseTextCodes(text, BASE_HEIGHT), utf8);
    if (utf8) {
        fuzz::require(isValidUtf8(mtextPlainText(text)), "plain text of UTF-8 is UTF-8");
        fuzz::require(isValidUtf8(decodeDxfEscapes(text)), "escapes decode to UTF-8");
    }
    return 0;
}
