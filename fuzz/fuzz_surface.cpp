// Superelevation and width files (bit 0 of the input's first byte chooses
// the kind, bit 1 a chain-break table; the rest is the file): a read either
// succeeds with rows of increasing chainage and finite values (widths not
// negative) or raises the data failure located at the file; a surface of
// what was read answers a finite elevation at every probed stake and
// offset, or beyond-edge.
#include <cmath>

#include "fuzz_input.h"
#include "surface/surface.h"
#include "text/failures.h"

using namespace gradix;

namespace {

constexpr double PROBED_OFFSETS[] = {-40.0, -7.5, -3.75, -0.0, 0.0, 1e-9, 3.75, 12.0, 40.0};
constexpr std::size_t PROBED_ROWS = 64;

void requireRows(const ChainageTable& t, bool widths) {
    for (std::size_t r = 0; r < t.rows(); ++r) {
        fuzz::require(fuzz::finite(t.chainage(r)), "finite chainages");
        if (r > 0) fuzz::require(t.chainage(r) > t.chainage(r - 1), "rows in increasing chainage");
        for (std::size_t c = 0; c < t.columns(); ++c) {
            const double v = t.value(r, c);
            if (widths) fuzz::require(fuzz::finite(v) && v >= 0.0, "widths finite and not negative");
            else fuzz::require(std::isnan(v) || fuzz::finite(v), "slopes finite or no value");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool widths = (data[0] & 1) != 0;
    ChainBreakTable table;
    if (data[0] & 2) {
        table.chainBreakCount = 2;
        table.breakBackStake = {0, 2350, 4100, BREAK_SENTINEL};
        table.breakAheadStake = {0, 2300, 4180, BREAK_SENTINEL};
    }
    fuzz::InputFile file(data + 1, size - 1, widths ? ".wid" : ".sup");
    Surface surface;
    try {
        if (widths) {
            readWidthFile(file.path(), table, surface);
            setUniformSlopes(surface, crownSection());
        } else {
            readSuperelevationFile(file.path(), table, surface);
            setUniformWidths(surface, crownSection());
        }
    } catch (const DataError& e) {
        fuzz::require(e.file() == file.path(), "a refused file is named");
        return 0;
    }
    const ChainageTable& read = widths ? surface.widths : surface.slopes;
    requireRows(read, widths);
    for (Pivot pivot : {Pivot::Centre, Pivot::InnerEdge, Pivot::MedianEdge}) {
        surface.pivot = pivot;
        prepareSurface(surface);
        for (std::size_t r = 0; r < read.rows() && r < PROBED_ROWS; ++r)
            for (double at : {read.chainage(r) - 0.5, read.chainage(r), read.chainage(r) + 0.5}) {
                const Section section = sectionAt(surface, at);
                for (double offset : PROBED_OFFSETS) {
                    const SurfacePoint p = surfacePointOf(surface, section, 100.0, offset);
                    if (!p.beyondEdge)
                        fuzz::require(std::isfinite(p.elevation) || !std::isfinite(section.heightAt(offset)),
                                      "an elevation on the surface is finite where its heights are");
                }
            }
    }
    return 0;
}
