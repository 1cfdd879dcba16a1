// The texts of a drawing as Gradix reads them, in the form ezdxfTexts gives
// (dxf_checker.h), so that the two readers can be compared. Needs gradix_dxf.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "dxf/drawing.h"

namespace gradix::testing {

// (entity type, text) of the TEXT and MTEXT entities of model space, in order.
inline std::vector<std::pair<std::string, std::string>> gradixTexts(const Drawing& d) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const DrawingEntity& e : d.entities) {
        if (e.kind == EntityKind::Text) out.emplace_back("TEXT", e.text);
        if (e.kind == EntityKind::MText) out.emplace_back("MTEXT", e.text);
    }
    return out;
}

}  // namespace gradix::testing
