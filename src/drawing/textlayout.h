// How the drawing window places a TEXT or an MTEXT: its runs (mtext.h) on
// their baselines in the text's own frame (x along the text, y up, drawing
// units), the frame's anchor and rotation, and the box the text fills.
//
// TEXT: left-aligned texts stand at their insertion point; other
// justifications at their alignment point, centred, right-aligned or middle,
// on the baseline, bottom, middle or top; aligned and fitted texts stretch
// from the insertion to the alignment point. MTEXT: lines 5/3 of their
// height apart, the block placed by its attachment point (1 top left ..
// 9 bottom right). Standard library only: the widths come from TextMetrics.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "drawing/planegeometry.h"
#include "dxf/drawing.h"
#include "dxf/mtext.h"

namespace gradix {

// The reference font as the window measures it, in its own pixels.
struct TextMetrics {
    std::function<double(const std::string&)> advance;  // width of a UTF-8 text
    double capHeight = 1;                               // height of a capital letter
    double descent = 0;                                 // below the baseline
};

// The pitch of MTEXT lines, in text heights.
inline constexpr double MTEXT_LINE_SPACING = 5.0 / 3.0;

// One run placed in the text's frame.
struct PlacedRun {
    TextRun run;
    double x = 0;            // start of the run on the baseline
    double baseline = 0;
    double k = 1;            // drawing units per font pixel
    double widthFactor = 1;
};

struct TextLayout {
    std::vector<PlacedRun> runs;
    Box box;                 // in the text's frame
    Point2 anchor;           // the frame's origin in drawing coordinates
    double rotation = 0;     // of the frame, radians anticlockwise

    // The frame in drawing coordinates.
    Affine frame() const { return Affine::translation(anchor.x, anchor.y).after(Affine::rotation(rotation)); }
    // The box's corners in drawing coordinates: lower left, lower right, upper right, upper left.
    std::vector<Point2> corners() const;
};

// The layout of e (a TEXT or an MTEXT; other kinds are laid out as MTEXT).
TextLayout layoutText(const DrawingEntity& e, const TextMetrics& metrics);

}  // namespace gradix
