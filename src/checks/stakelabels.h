// The one reader of stake labels in drawings: which texts of a drawing name
// a stake, which stake each names, and the point and direction it labels.
// The label audit (labelaudit.h), select-and-compute (选择并计算) and
// `gradix-cli labels` all read labels through it.
//
// A label is a text holding K notation: "K1+200", "K1+200.000", "1+200",
// "Prog=1+200.000", "-0+150.000", "5+400.513 : F_Re", "BK2+320" (B the
// stretch letter, taken only when the road has that stretch; "ZK3+020" on a
// road of three stretches is the left line's K3+020), and Gradix's own
// annotation, read by its 桩号 line ("桩号：ROADK1+200.000": the line name
// ROAD before the stake). The texts read are TEXT (and the attributes of
// block inserts, which the drawing holds as texts) at their alignment point,
// MTEXT without its format codes, and the texts of a block inserted at the
// labelled point (the point is the insert's).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dxf/drawing.h"

namespace gradix {

// The caption of the stake line of Gradix's annotation.
inline constexpr const char* ANNOTATION_STAKE_CAPTION = "桩号：";

// A stake read from a label: its value in its stretch's numbering (m) and the
// stretch letter when the label carries one.
struct LabelStake {
    double value = 0.0;
    char letter = 0;  // 'A'..'Z', 0 when the label has none
};

// Reads the stake a label's plain text names (see the top of this file): the
// first K notation in it, or in the 桩号 line of an annotation after its line
// name (lineName, skipped when the line starts with it). A letter right
// before the K is the stretch letter when it stands alone and names one of
// the stretchCount stretches (stretchCount > 1). Nothing when the text names
// no stake (a title, "R= 1000.000", metres of 1000 or more).
std::optional<LabelStake> parseLabelStake(std::string_view plainText, int stretchCount,
                                          std::string_view lineName = {});

// The stake as the stake field (桩号) takes it: the letter, then the value as
// short decimal ("B2320", "1200", "5.5", "-150").
std::string stakeFieldText(const LabelStake& stake);

// The text of a drawing text without its codes: a multi-line text's format
// codes, or the %% codes of a single-line text; lines joined with '\n', the
// white space around the whole trimmed.
std::string labelPlainText(std::string_view stored, bool multiLine);

// Whether a plain text is Gradix's annotation (it has a 桩号 line).
bool isAnnotationText(std::string_view plainText);

// One stake label of a drawing.
struct StakeLabel {
    std::string handle;      // the text's, or the insert's for a block's text
    std::string text;        // plain, lines joined with '\n'
    LabelStake stake;
    double x = 0, y = 0;     // the point it labels (drawing coordinates)
    double direction = 0;    // of its baseline, radians anticlockwise from the x axis
    bool annotation = false; // Gradix's own annotation
    // The point picked on the road for an annotation, from its record; none
    // for other labels and for annotations written without one.
    std::optional<std::array<double, 2>> pick;
};

// Hands every stake label of the drawing's model space to visit, in
// drawing order (a block's texts in the block's order, at its insert), one
// at a time: a big plan's labels are never all held at once. lineName is
// the line name of annotations that carry no record of their own.
void forEachStakeLabel(const Drawing& drawing, int stretchCount, std::string_view lineName,
                       const std::function<void(const StakeLabel&)>& visit);

// Every stake label of the drawing's model space, as forEachStakeLabel hands them over.
std::vector<StakeLabel> readStakeLabels(const Drawing& drawing, int stretchCount, std::string_view lineName = {});

}  // namespace gradix
