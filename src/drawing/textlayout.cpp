#include "drawing/textlayout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace gradix {

namespace {

constexpr double EMPTY_TEXT_WIDTH = 0.5;  // of the height: where a TEXT without width still stands

// TEXT justifications (group codes 72 and 73).
constexpr int H_CENTRE = 1, H_RIGHT = 2, H_ALIGNED = 3, H_MIDDLE = 4, H_FIT = 5;
constexpr int V_BOTTOM = 1, V_MIDDLE = 2, V_TOP = 3;
constexpr int ATTACHMENTS_PER_ROW = 3;

TextLayout layoutSingleLine(const DrawingEntity& e, const TextMetrics& m) {
    TextLayout layout;
    layout.rotation = e.rotation;
    const TextLine line = parseTextCodes(e.text, e.height);
    const double k = e.height / m.capHeight;
    double width = 0;
    for (const TextRun& r : line.runs) width += m.advance(r.text) * k * e.widthFactor;
    double widthFactor = e.widthFactor;
    layout.anchor = {e.x, e.y};
    double x0 = 0;
    double baseline = 0;
    const bool byAlignmentPoint = e.hAlign != 0 || e.vAlign != 0;
    if (e.hAlign == H_ALIGNED || e.hAlign == H_FIT) {
        const double length = std::hypot(e.x2 - e.x, e.y2 - e.y);
        if (length > 0 && width > 0) {
            widthFactor *= length / width;
            width = length;
            layout.rotation = std::atan2(e.y2 - e.y, e.x2 - e.x);
        }
    } else if (byAlignmentPoint) {
        layout.anchor = {e.x2, e.y2};
        if (e.hAlign == H_CENTRE || e.hAlign == H_MIDDLE) x0 = -width / 2;
        if (e.hAlign == H_RIGHT) x0 = -width;
        if (e.vAlign == V_BOTTOM) baseline = m.descent * k;
        if (e.vAlign == V_MIDDLE || e.hAlign == H_MIDDLE) baseline = -m.capHeight * k / 2;
        if (e.vAlign == V_TOP) baseline = -m.capHeight * k;
    }
    double x = x0;
    for (const TextRun& r : line.runs) {
        layout.runs.push_back({r, x, baseline, k, widthFactor});
        x += m.advance(r.text) * k * widthFactor;
    }
    layout.box = {x0, baseline - m.descent * k, x0 + std::max(width, e.height * EMPTY_TEXT_WIDTH),
                  baseline + m.capHeight * k};
    return layout;
}

TextLayout layoutMultiLine(const DrawingEntity& e, const TextMetrics& m) {
    TextLayout layout;
    layout.rotation = e.rotation;
    const std::vector<TextLine> lines = parseMText(e.text, e.height);
    std::vector<double> widths;
    std::vector<double> heights;
    for (const TextLine& line : lines) {
        double w = 0;
        double h = 0;
        for (const TextRun& r : line.runs) {
            w += m.advance(r.text) * r.height / m.capHeight * r.widthFactor;
            h = std::max(h, r.height);
        }
        widths.push_back(w);
        heights.push_back(h > 0 ? h : e.height);
    }
    double total = heights[0];
    for (std::size_t i = 1; i < heights.size(); ++i) total += MTEXT_LINE_SPACING * heights[i];
    const int attachment = std::clamp(e.attachment, 1, 9);
    const int column = (attachment - 1) % ATTACHMENTS_PER_ROW;
    const int row = (attachment - 1) / ATTACHMENTS_PER_ROW;
    const double top = row == 0 ? 0 : row == 1 ? total / 2 : total;
    double baseline = top - heights[0];
    double left = std::numeric_limits<double>::max();
    double right = std::numeric_limits<double>::lowest();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) baseline -= MTEXT_LINE_SPACING * heights[i];
        const double x0 = column == 0 ? 0 : column == 1 ? -widths[i] / 2 : -widths[i];
        left = std::min(left, x0);
        right = std::max(right, x0 + widths[i]);
        double x = x0;
        for (const TextRun& r : lines[i].runs) {
            const double k = r.height / m.capHeight;
            layout.runs.push_back({r, x, baseline, k, r.widthFactor});
            x += m.advance(r.text) * k * r.widthFactor;
        }
    }
    if (!(right > left)) right = left + e.height;  // an empty text still has a place
    layout.anchor = {e.x, e.y};
    layout.box = {left, top - total - m.descent * e.height / m.capHeight, right, top};
    return layout;
}

}  // namespace

std::vector<Point2> TextLayout::corners() const {
    const Affine t = frame();
    return {t.map({box.x0, box.y0}), t.map({box.x1, box.y0}), t.map({box.x1, box.y1}), t.map({box.x0, box.y1})};
}

TextLayout layoutText(const DrawingEntity& e, const TextMetrics& metrics) {
    return e.kind == EntityKind::Text ? layoutSingleLine(e, metrics) : layoutMultiLine(e, metrics);
}

}  // namespace gradix
