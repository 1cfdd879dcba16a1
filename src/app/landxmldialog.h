// The small dialog that picks one alignment of a LandXML file and one of its
// profiles.
#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "landxml/landxml.h"
#include "surface/surface.h"

class QComboBox;
class QWidget;

namespace gradix {

// Two lists: the alignments of the file ("landxmlAlignment", with their
// length and element count) and the profiles of the alignment chosen
// ("landxmlProfile"; "（无）" when it has none). OK takes the choice.
class LandXmlDialog : public QDialog {
public:
    LandXmlDialog(const std::vector<LandXmlAlignmentSummary>& alignments, QWidget* parent);
    LandXmlChoice choice() const;

private:
    void fillProfiles(int alignment);

    std::vector<LandXmlAlignmentSummary> alignments_;
    QComboBox* alignment_;
    QComboBox* profile_;
};

// Shows the dialog; the choice, or nullopt when cancelled.
std::optional<LandXmlChoice> chooseLandXmlAlignment(const std::vector<LandXmlAlignmentSummary>& alignments,
                                                    QWidget* parent);

// Where the design line lies and what the carriageway turns about
// ("surfaceDesignLine", "surfacePivot"): the choice, or nullopt when
// cancelled.
std::optional<SurfaceAxes> chooseSurfaceAxesIn(const SurfaceAxes& current, QWidget* parent);

}  // namespace gradix
