// The drawing-label audit: does every stake label of a plan stand where its
// stake is? The labels are those the one label reader reads
// (stakelabels.h). Each is compared with the road's stake where it labels:
// an annotation of Gradix's at the point picked for it (its record); a label
// whose baseline runs across the road (within LABEL_ACROSS_ROAD of the
// road's normal) where its baseline meets the road, so that a label written
// beside its tick agrees with it; any other label at the foot of its point,
// found by the pick path. A label whose stake differs from the road's by
// more than the tolerance, or that lies too far from the road, is reported.
// Gradix's own annotations are also checked against the current profile for
// their elevation and grade, so that a stale annotation is found.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "alignment/alignment.h"
#include "checks/stakelabels.h"
#include "dxf/drawing.h"
#include "profile/profile.h"
#include "stakes/chainbreaks.h"
#include "text/angles.h"

namespace gradix {

// How far (radians) a label's baseline may part from the road's normal and
// still count as running across the road: 15°.
inline constexpr double LABEL_ACROSS_ROAD = degreesToRadians(15.0);

// Where and how to audit.
struct LabelAuditOptions {
    double tolerance = 0.01;   // m: larger stake differences are reported
    double maxOffset = 50.0;   // m: labels farther from the road are reported
    std::string lineName;      // the line name of annotations without a record, "" when unknown
};

// One reported label.
struct LabelFinding {
    std::string handle;      // the label's handle ("" when the drawing has none)
    std::string text;        // the label's plain text, lines joined by " "
    std::string labelStake;  // as the label states it, in Gradix's stake notation ("B2320.000")
    std::string roadStake;   // the road's stake at the label's point
    double difference = 0;   // the label stake's chainage minus the road's where it labels (m)
    double offset = 0;       // of the point compared from the road (m, positive right)
    std::string note;        // "" or what else is wrong ("far", a stale elevation or grade)
    double x = 0, y = 0;     // where the label stands in drawing coordinates (x east, y north)
};

// What the audit found, and how many labels it read.
struct LabelAudit {
    std::vector<LabelFinding> findings;
    std::size_t labels = 0;
};

// Audits every stake label of the drawing's model space (readStakeLabels).
// With a profile (gradePointCount >= 2), Gradix's annotations ("高程：",
// "纵坡：" lines) are checked too.
// Raises DataError when an evaluation of the alignment fails.
LabelAudit auditLabels(const Drawing& drawing, const Alignment& alignment, SampleTable& samples,
                       const ChainBreakTable& breaks, const Profile* profile, const LabelAuditOptions& options);

}  // namespace gradix
