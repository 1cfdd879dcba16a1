// Helpers shared by the source files of the alignment module; not part of its
// interface.
#pragma once

#include <cmath>
#include <string>

#include "alignment/alignment.h"
#include "text/angles.h"
#include "text/failures.h"
#include "text/messages.h"

namespace gradix::detail {

// Number of elements of a chain whose tables may be read, 0..ELEMENT_CAPACITY-1
// (entry elemCount+1 must exist). Raises DataError for any other count or for
// tables shorter than their fixed capacity.
inline int checkedElementCount(const Alignment& alignment) {
    const int n = alignment.elemCount;
    if (n < 0) throw DataError(msg::negativeElementCount(n));
    if (n + 1 > ELEMENT_CAPACITY)
        throw DataError(msg::elementBeyondTables(n + 1, ELEMENT_CAPACITY, ELEMENT_CAPACITY - 1));
    const std::size_t needed = static_cast<std::size_t>(ELEMENT_CAPACITY) + 1;
    if (alignment.elemStartRadius.size() < needed || alignment.elemEndRadius.size() < needed ||
        alignment.elemLength.size() < needed || alignment.elemChainage.size() < needed ||
        alignment.elemStartX.size() < needed || alignment.elemStartY.size() < needed ||
        alignment.elemStartBearing.size() < needed)
        throw DataError(msg::ELEMENT_TABLES_SHORT);
    return n;
}

// Raises DataError naming the element unless v is finite (NaN fails too).
inline double requireFiniteAt(double v, const char* what, int element) {
    if (!std::isfinite(v))
        throw DataError(msg::elementValueNotFinite(what, element));
    return v;
}

}  // namespace gradix::detail
