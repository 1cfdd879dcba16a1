#include "drawing/labelauditpanel.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "drawing/drawingview.h"
#include "drawing/drawingwindow.h"
#include "text/failures.h"
#include "text/numbers.h"

namespace gradix {

namespace {

constexpr int METRE_DECIMALS = 3;
constexpr int MARK_RADIUS = 9;     // pixels, of the circle around a reported label
constexpr int MARK_PEN = 2;        // pixels
constexpr double ZOOM_SPAN = 40.0;  // drawing units (m) at least shown around a label after a click
const QColor MARK_COLOUR(Qt::red);


LabelAuditProvider& provider() {
    static LabelAuditProvider source;
    return source;
}

// The red circles over the view, following its zoom and pan (it is repainted
// with the view beneath it).
class MarkLayer : public QWidget {
public:
    MarkLayer(DrawingView* view, const LabelAudit* audit) : QWidget(view), view_(view), audit_(audit) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setObjectName("labelMarks");
        view->installEventFilter(this);
        setGeometry(view->rect());
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == view_ && event->type() == QEvent::Resize) setGeometry(view_->rect());
        if (watched == view_ && event->type() == QEvent::Paint) update();
        return false;
    }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(QPen(MARK_COLOUR, MARK_PEN));
        for (const LabelFinding& f : audit_->findings)
            p.drawEllipse(view_->toScreen(QPointF(f.x, f.y)), MARK_RADIUS, MARK_RADIUS);
    }

private:
    DrawingView* view_;
    const LabelAudit* audit_;
};

}  // namespace

void setLabelAuditProvider(LabelAuditProvider source) { provider() = std::move(source); }

LabelAuditPanel::LabelAuditPanel(DrawingWindow* window)
    : QDockWidget(QString::fromUtf8(LABEL_AUDIT_CAPTION), window), window_(window) {
    setObjectName("labelAuditPanel");
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    summary_ = new QLabel(body);
    summary_->setObjectName("labelAuditSummary");
    summary_->setWordWrap(true);
    list_ = new QTableWidget(0, 7, body);
    list_->setObjectName("labelFindingList");
    list_->setHorizontalHeaderLabels({"句柄", "标注", "标注桩号", "道路桩号", "差值(m)", "偏距(m，右为正)", "说明"});
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(summary_);
    layout->addWidget(list_);
    setWidget(body);
    marks_ = new MarkLayer(window->view(), &audit_);
    connect(list_, &QTableWidget::cellClicked, this, [this](int row, int) { zoomTo(row); });
}

void LabelAuditPanel::runAudit() {
    audit_ = {};
    list_->setRowCount(0);
    const std::optional<LabelAuditSource> source = provider() ? provider()() : std::nullopt;
    if (!source) {
        summary_->setText(QString::fromUtf8(NO_ALIGNMENT_TEXT));
    } else {
        LabelAuditOptions options;
        options.lineName = source->lineName;
        try {
            audit_ = auditLabels(window_->drawing(), *source->alignment, *source->samples, *source->breaks,
                                 source->profile, options);
            summary_->setText(QString("标注%1个，不符%2个").arg(audit_.labels).arg(audit_.findings.size()));
        } catch (const GradixError& e) {
            summary_->setText(QString::fromStdString(std::string(e.what()) + " " + e.reason()));
        }
    }
    for (const LabelFinding& f : audit_.findings) {
        const int row = list_->rowCount();
        list_->insertRow(row);
        const std::string cells[] = {f.handle, f.text, f.labelStake, f.roadStake,
                                     formatFixed(f.difference, METRE_DECIMALS), formatSideOffset(f.offset),
                                     f.note};
        for (int column = 0; column < 7; ++column)
            list_->setItem(row, column, new QTableWidgetItem(QString::fromStdString(cells[column])));
    }
    marks_->update();
    show();
}

void LabelAuditPanel::zoomTo(int row) {
    if (row < 0 || row >= static_cast<int>(audit_.findings.size())) return;
    const LabelFinding& f = audit_.findings[static_cast<std::size_t>(row)];
    window_->view()->zoomToLabel(QPointF(f.x, f.y), f.handle, ZOOM_SPAN);
}

LabelAuditPanel* addLabelAuditCommand(DrawingWindow* window) {
    auto* panel = new LabelAuditPanel(window);
    window->addDockWidget(Qt::BottomDockWidgetArea, panel);
    panel->hide();
    QMenu* menu = window->menuBar()->addMenu(QString::fromUtf8(CHECK_MENU_CAPTION));
    QAction* action = menu->addAction(QString::fromUtf8(LABEL_AUDIT_CAPTION), panel, [panel] { panel->runAudit(); });
    action->setObjectName("actionLabelAudit");
    return panel;
}

}  // namespace gradix
