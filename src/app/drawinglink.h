// The window's link to the drawing: the connector the two drawing commands
// reach the drawing through, the messenger that reports a failed
// connection, and the alignment shown in the drawing window as the
// reference line, so that the engineer sees where to pick.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "cad/cad.h"
#include "cadmodel/referencealignment.h"
#include "commands/drawingcommands.h"
#include "commands/project.h"
#include "sheets/sheetlayout.h"

class QWidget;

namespace gradix {

// The connector and messenger the window uses unless others are given.
struct DrawingLink {
    std::unique_ptr<CadConnector> connector;
    std::unique_ptr<CadMessenger> messenger;
};

// The program's own drawing link: Gradix's drawing window (found open or
// opened with a new, empty drawing) and a message box with only an OK
// button over parent. This is the one place the production link is chosen.
// After an annotation is placed, parent comes back to the front.
DrawingLink makeDrawingWindowLink(QWidget* parent);

// The label of a stake tick at chainage (m): formatStake in whole metres
// ("K1+200", "BK2+300"); "" when the chainage has no stake text.
std::string stakeTickLabel(const ChainBreakTable& breaks, double chainage);

// The loaded alignment as the reference line: its samples from the start to
// the end of the road (the samples beyond both ends left out), X north and
// Y east, and a labelled stake tick on every round 100 m of stake of each
// stretch (formatStake in whole metres), on the alignment. Empty when no
// alignment is loaded.
ReferenceAlignment referenceAlignmentOf(const Project& project);

// Hands the reference line to connector when it is one with a drawing
// window (now and for every window it opens later); other connectors have
// nothing to show it on.
void showReferenceAlignment(CadConnector& connector, const ReferenceAlignment& reference);

// Opens the DXF file at path in the drawing window of connector (the window
// opened when it is not; its unsaved changes settled first) and brings it to
// the front, zoomed to show (drawing coordinates, mm) where given. False when
// connector has no drawing window or the file was not opened (the window has
// said why).
bool openInDrawingWindow(CadConnector& connector, const std::string& path,
                         const std::optional<SheetRect>& show = std::nullopt);

// Shows rows, the stake labels of a selection computed, in the stake list
// of connector's drawing window (when it is one).
void showStakeList(CadConnector& connector, const std::vector<StakeListRow>& rows);

// Closes the drawing window of connector, if one is open, asking about
// unsaved changes of its drawing. False when the person keeps it open.
bool closeDrawingWindow(CadConnector& connector);

}  // namespace gradix
