#include "cadmodel/drawinghistory.h"

#include <algorithm>

namespace gradix {

DrawingTables tablesOf(const Drawing& d) {
    return {d.layers, d.styles, d.ucs, d.activeLayer, d.activeTextStyle, d.activeUcs, d.nextHandle};
}

void restoreTables(Drawing& d, const DrawingTables& t) {
    d.layers = t.layers;
    d.styles = t.styles;
    d.ucs = t.ucs;
    d.activeLayer = t.activeLayer;
    d.activeTextStyle = t.activeTextStyle;
    d.activeUcs = t.activeUcs;
    d.nextHandle = t.nextHandle;
}

void DrawingHistory::begin(const Drawing& drawing) {
    if (openBefore_) return;
    openBefore_ = tablesOf(drawing);
    openEntities_ = drawing.entities.size();
}

bool DrawingHistory::end(Drawing& drawing) {
    if (!openBefore_) return false;
    DrawingTables before = std::move(*openBefore_);
    openBefore_.reset();
    if (drawing.entities.size() <= openEntities_) {
        restoreTables(drawing, before);
        drawing.modified = modified(drawing);
        return false;
    }
    Step step;
    step.before = std::move(before);
    step.after = tablesOf(drawing);
    for (std::size_t i = openEntities_; i < drawing.entities.size(); ++i)
        step.entities.emplace_back(i, drawing.entities[i]);
    push(std::move(step));
    drawing.modified = modified(drawing);
    return true;
}

std::size_t DrawingHistory::erase(Drawing& drawing, std::vector<std::size_t> indices) {
    end(drawing);
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    Step step;
    step.erased = true;
    step.before = step.after = tablesOf(drawing);
    for (std::size_t i : indices)
        if (i < drawing.entities.size() && drawing.entities[i].added) step.entities.emplace_back(i, drawing.entities[i]);
    if (step.entities.empty()) return 0;
    remove(drawing, step);
    const std::size_t count = step.entities.size();
    push(std::move(step));
    drawing.modified = modified(drawing);
    return count;
}

bool DrawingHistory::undo(Drawing& drawing) {
    end(drawing);
    if (!canUndo()) return false;
    const Step& step = steps_[--done_];
    if (step.erased) {
        insert(drawing, step);
    } else {
        remove(drawing, step);
    }
    restoreTables(drawing, step.before);
    drawing.modified = modified(drawing);
    return true;
}

bool DrawingHistory::redo(Drawing& drawing) {
    end(drawing);
    if (!canRedo()) return false;
    const Step& step = steps_[done_++];
    if (step.erased) {
        remove(drawing, step);
    } else {
        insert(drawing, step);
    }
    restoreTables(drawing, step.after);
    drawing.modified = modified(drawing);
    return true;
}

bool DrawingHistory::modified(const Drawing& drawing) const {
    if (openBefore_ && drawing.entities.size() > openEntities_) return true;
    return saved_ != done_;
}

void DrawingHistory::push(Step step) {
    steps_.resize(done_);
    if (saved_ && *saved_ > done_) saved_.reset();
    steps_.push_back(std::move(step));
    ++done_;
}

void DrawingHistory::insert(Drawing& drawing, const Step& step) {
    for (const auto& [index, entity] : step.entities) {
        const std::size_t at = std::min(index, drawing.entities.size());
        drawing.entities.insert(drawing.entities.begin() + static_cast<std::ptrdiff_t>(at), entity);
    }
}

void DrawingHistory::remove(Drawing& drawing, const Step& step) {
    for (auto it = step.entities.rbegin(); it != step.entities.rend(); ++it)
        if (it->first < drawing.entities.size())
            drawing.entities.erase(drawing.entities.begin() + static_cast<std::ptrdiff_t>(it->first));
}

}  // namespace gradix
