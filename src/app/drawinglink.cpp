#include "app/drawinglink.h"

#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <exception>
#include <cmath>
#include <optional>

#include "drawing/windowcad.h"
#include "commands/drawingcommands.h"
#include "stakes/stakes.h"
#include "views/stakeaxis.h"

namespace gradix {

namespace {

// Most ticks of a reference line: a longer road has none.
constexpr std::size_t MAX_REFERENCE_TICKS = 4000000;
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
    ReferenceAlignment reference =
        referenceAlignmentFromSamples(road(s.sampleChainage), road(s.sampleX), road(s.sampleY), REFERENCE_TICK_SPACING);
    // The ticks on the round stakes of each stretch, on the alignment itself.
    reference.ticks.clear();
    try {
        const std::optional<std::vector<RoundStake>> stakes =
            roundStakes(project.breaks, s.sampleChainage[1], s.sampleChainage[n - 1], REFERENCE_TICK_SPACING,
                        MAX_REFERENCE_TICKS);
        if (!stakes) return reference;
        for (const RoundStake& r : *stakes) {
            double X = 0, Y = 0, bearing = 0;
            PointAtChainage(project.alignment, r.chainage, X, Y, bearing);
            if (!(std::isfinite(X) && std::isfinite(Y) && std::isfinite(bearing))) continue;
            reference.ticks.push_back({X, Y, bearing, formatStake(project.breaks, r.stake, WHOLE_METRES)});
        }
    } catch (const std::exception&) {
        reference.ticks.clear();  // the line still shows the road
    }
    return reference;
}

void showReferenceAlignment(CadConnector& connector, const ReferenceAlignment& reference) {
    if (auto* window = dynamic_cast<DrawingWindowConnector*>(&connector)) window->setReferenceAlignment(reference);
}

bool closeDrawingWindow(CadConnector& connector) {
    auto* link = dynamic_cast<DrawingWindowConnector*>(&connector);
    if (!link || !link->window() || link->window()->wasClosed()) return true;
    return link->window()->close();
}

bool openInDrawingWindow(CadConnector& connector, const std::string& path) {
    auto* link = dynamic_cast<DrawingWindowConnector*>(&connector);
    if (!link) return false;
    CadApplication* application = link->attach();
    if (!application) application = &link->start();
    DrawingWindow* window = link->window();
    if (!window || !window->openFile(QString::fromStdString(path))) return false;
    application->Visible(true);
    window->raise();
    window->activateWindow();
    return true;
}

}  // namespace gradix
