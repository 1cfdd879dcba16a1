#include "app/drawinglink.h"

#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <exception>
#include <cmath>
#include <optional>

#include "drawing/drawingview.h"
#include "drawing/drawingwindow.h"
#include "drawing/windowcad.h"
#include "commands/drawingcommands.h"
#include "stakes/stakes.h"

namespace gradix {

namespace {

constexpr int WHOLE_METRES = 0;  // decimals of a tick's label

}  // namespace

DrawingLink makeDrawingWindowLink(QWidget* parent) {
    auto connector = std::make_unique<DrawingWindowConnector>();
    QPointer<QWidget> main(parent);
    connector->afterAnnotation = [main] {
        if (!main) return;
        if (main->isMinimized()) main->showNormal();
        main->raise();
        main->activateWindow();
    };
    return {std::move(connector), std::make_unique<QtCadMessenger>(parent)};
}

void showStakeList(CadConnector& connector, const std::vector<StakeListRow>& rows) {
    auto* link = dynamic_cast<DrawingWindowConnector*>(&connector);
    if (!link || !link->window()) return;
    QList<QStringList> table;
    for (const StakeListRow& r : rows)
        table << QStringList{QString::fromStdString(r.label), QString::fromStdString(r.stake),
                             QString::fromStdString(r.elevation), QString::fromStdString(r.grade),
                             QString::fromStdString(r.note)};
    link->window()->showStakeList({"标注", "桩号", "高程", "纵坡(%)", "说明"}, table);
}

std::string stakeTickLabel(const ChainBreakTable& breaks, double chainage) {
    try {
        return formatStake(breaks, chainage, WHOLE_METRES);
    } catch (const std::exception&) {
        return "";  // a tick without a label still shows the road
    }
}

ReferenceAlignment referenceAlignmentOf(const Project& project) {
    const SampleTable& s = project.samples;
    if (!(s.sampleCount >= 1.0)) return {};
    // Samples 1..N run from the start to the end of the alignment; 0 and N+1
    // lie a step beyond the ends.
    const std::size_t n = std::min({static_cast<std::size_t>(s.sampleCount) + 1, s.sampleChainage.size(),
                                    s.sampleX.size(), s.sampleY.size()});
    if (n < 2) return {};
    const auto road = [n](const std::vector<double>& v) { return std::vector<double>(v.begin() + 1, v.begin() + n); };
    // Ticks on round stakes of each stretch, labelled in the one stake notation.
    try {
        return referenceAlignmentFromSamples(road(s.sampleChainage), road(s.sampleX), road(s.sampleY), project.breaks);
    } catch (const std::exception&) {
        return referenceAlignmentFromSamples(road(s.sampleChainage), road(s.sampleX), road(s.sampleY));
    }
}

void showReferenceAlignment(CadConnector& connector, const ReferenceAlignment& reference) {
    if (auto* window = dynamic_cast<DrawingWindowConnector*>(&connector)) window->setReferenceAlignment(reference);
}

bool closeDrawingWindow(CadConnector& connector) {
    auto* link = dynamic_cast<DrawingWindowConnector*>(&connector);
    if (!link || !link->window() || link->window()->wasClosed()) return true;
    return link->window()->close();
}

bool openInDrawingWindow(CadConnector& connector, const std::string& path, const std::optional<SheetRect>& show) {
    auto* link = dynamic_cast<DrawingWindowConnector*>(&connector);
    if (!link) return false;
    CadApplication* application = link->attach();
    if (!application) application = &link->start();
    DrawingWindow* window = link->window();
    if (!window || !window->openFile(QString::fromStdString(path))) return false;
    application->Visible(true);
    if (show && window->view()) window->view()->zoomToShow(QRectF(show->x0, show->y0, show->width(), show->height()), 1.0);
    window->raise();
    window->activateWindow();
    return true;
}

}  // namespace gradix
