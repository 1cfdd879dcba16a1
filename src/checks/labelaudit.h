// The drawing-label audit: does every stake label of a plan stand where its
// stake is? Each label's point is located on the alignment by the pick path;
// a label whose stake differs from the road's stake there by more than the
// tolerance, or that lies too far from the road, is reported. Gradix's own
// annotations are also checked against the current profile for their
// elevation and grade, so that a stale annotation is found.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "alignment/alignment.h"
#include "dxf/drawing.h"
#include "profile/profile.h"
#include "stakes/chainbreaks.h"

namespace gradix {

// A stake read from a label: its value in its stretch's numbering (m) and the
// stretch letter when the label carries one.
struct LabelStake {
    double value = 0.0;
    char letter = 0;  // 'A'..'Z', 0 when the label has none
};

// Reads the stake notation of a label's plain text: "K1+200", "K1+200.000",
// "1+200", "Prog=1+200.000", "-0+150.000", "BK2+320" (a stretch letter before
// the K is taken only when stretchCount allows it: 'A' up to the letter of
// stretch stretchCount) and Gradix's annotation "桩号：NAMEK1+200.000" (NAME,
// the line name, skipped when given). Nothing when the text holds no stake.
std::optional<LabelStake> parseLabelStake(std::string_view plainText, int stretchCount,
                                          std::string_view lineName = {});

// Where and how to audit.
struct LabelAuditOptions {
    double tolerance = 0.01;   // m: larger stake differences are reported
    double maxOffset = 50.0;   // m: labels farther from the road are reported
    std::string lineName;      // the annotation's line name, "" when unknown
};

// One reported label.
struct LabelFinding {
    std::string handle;      // the label's handle ("" when the drawing has none)
    std::string text;        // the label's plain text, lines joined by " "
    std::string labelStake;  // as the label states it, in Gradix's stake notation ("B2320.000")
    std::string roadStake;   // the road's stake at the label's point
    double difference = 0;   // the label stake's chainage minus the road's at the label (m)
    double offset = 0;       // of the label's point from the road (m, positive right)
    std::string note;        // "" or what else is wrong ("far", a stale elevation or grade)
    double x = 0, y = 0;     // the label's point in drawing coordinates (x east, y north)
};

// What the audit found, and how many labels it read.
struct LabelAudit {
    std::vector<LabelFinding> findings;
    std::size_t labels = 0;
};

// Audits every stake label of the drawing's model space: TEXT, MTEXT, the
// attributes of block inserts and the texts of a block inserted at the
// labelled point (the point is the insert's). With a profile (gradePointCount
// >= 2), Gradix's annotations ("高程：", "纵坡：" lines) are checked too.
// Raises DataError when an evaluation of the alignment fails.
LabelAudit auditLabels(const Drawing& drawing, const Alignment& alignment, SampleTable& samples,
                       const ChainBreakTable& breaks, const Profile* profile, const LabelAuditOptions& options);

}  // namespace gradix
