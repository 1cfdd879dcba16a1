// What the drawing commands did to a drawing, as steps that can be undone
// and redone: an annotation with the layer, style and coordinate-system
// entries its command added, or annotations erased. A command's changes are
// one edit; an edit that added no entity (a pick cancelled with Esc, a stake
// refused) is taken back whole when the command ends, so that a drawing
// counts as modified only once an annotation has been added. The drawing is
// modified while its steps done differ from those done when it was last
// saved (or opened). Standard library only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dxf/drawing.h"

namespace gradix {

// The drawing's tables and current names, which an edit may change.
struct DrawingTables {
    std::vector<DrawingLayer> layers;
    std::vector<DrawingTextStyle> styles;
    std::vector<DrawingUcs> ucs;
    std::string activeLayer;
    std::string activeTextStyle;
    std::string activeUcs;
    std::uint64_t nextHandle = 1;
};

class DrawingHistory {
public:
    // Opens the edit of a command unless one is open: remembers the tables
    // and the entity count of drawing before its first change.
    void begin(const Drawing& drawing);
    // Ends the open edit: kept as a step when it added entities (true),
    // otherwise its table entries are taken back (false, as without an open edit).
    bool end(Drawing& drawing);
    // Erases the entities of indices that Gradix added (others are left) as
    // one step; the number erased.
    std::size_t erase(Drawing& drawing, std::vector<std::size_t> indices);
    // Takes back the last step done / does again the last step undone; false when there is none.
    bool undo(Drawing& drawing);
    bool redo(Drawing& drawing);
    bool canUndo() const { return done_ > 0; }
    bool canRedo() const { return done_ < steps_.size(); }
    // The drawing was saved: the steps done now are those of the file.
    void markSaved() { saved_ = done_; }
    // Whether the drawing differs from the file it was opened from or saved to.
    bool modified(const Drawing& drawing) const;

private:
    struct Step {
        DrawingTables before;
        DrawingTables after;
        std::vector<std::pair<std::size_t, DrawingEntity>> entities;  // ascending indices
        bool erased = false;  // the entities were erased (else added)
    };
    void push(Step step);
    static void insert(Drawing& drawing, const Step& step);
    static void remove(Drawing& drawing, const Step& step);

    std::vector<Step> steps_;
    std::size_t done_ = 0;
    std::optional<std::size_t> saved_{0};  // none: the saved state was undone and then replaced
    std::optional<DrawingTables> openBefore_;
    std::size_t openEntities_ = 0;
};

DrawingTables tablesOf(const Drawing& drawing);
void restoreTables(Drawing& drawing, const DrawingTables& tables);

}  // namespace gradix
