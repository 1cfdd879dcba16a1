// The main window's part of the views: the views beside the classic panel,
// what the commands leave for them, a click on them, and their two exports.
#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSplitter>
#include <QVBoxLayout>

#include "app/drawinglink.h"
#include "app/mainwindow.h"
#include "app/qtform.h"
#include "app/roadviews.h"
#include "commands/compute.h"
#include "commands/exports.h"
#include "text/failures.h"
#include "views/planview.h"
#include "views/profileview.h"
#include "text/messages.h"

namespace gradix {

namespace {

// A road view as the export command sees it.
class ViewPicture : public PictureSource {
public:
    ViewPicture(RoadView& view, const char* name) : view_(view), name_(name) {}
    std::string pictureName() const override { return name_; }
    bool hasPicture() const override { return view_.showsRoad(); }
    std::string writePicture(const std::string& path, double scale) override {
        return view_.exportTo(QString::fromStdString(path), scale).toStdString();
    }

private:
    RoadView& view_;
    const char* name_;
};

}  // namespace

void MainWindow::attachRoadViews(QWidget* classicPanel) {
    views_ = new RoadViews(this);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName("mainSplitter");
    // The classic panel keeps its fixed size at the top of a column that
    // grows with the window, so that the views beside it may grow too.
    auto* column = new QWidget(this);
    auto* columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(0, 0, 0, 0);
    columnLayout->addWidget(classicPanel);
    columnLayout->addStretch();
    splitter->addWidget(column);
    splitter->addWidget(views_);
    splitter->setCollapsible(0, false);
    splitter->setStretchFactor(1, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(splitter);
    connect(views_, &RoadViews::stakeClicked, this, &MainWindow::stakeClickedInView);
    connect(views_, &RoadViews::sheetExportRequested, this, [this] { exportProfileSheet(); });
    connect(views_, &RoadViews::pictureExportRequested, this, [this](bool plan) { exportViewPicture(plan); });
}

void MainWindow::viewsAfterInitialise(bool done) {
    if (!done) return;  // the project in force stays shown
    views_->showProject(project_);
    surfaceChanged();
}

void MainWindow::viewsAfterCompute() {
    if (!project_.initialised) return;
    const std::string stake = form_->text(Control::Text1);
    try {
        StakeResult result;
        if (computeStake(project_, stake, RangeTest::Extrapolate, result)) views_->markChainage(result.chainage);
    } catch (const GradixError&) {
        // A stake that cannot be evaluated is not marked; the command has said why.
    }
}

void MainWindow::stakeClickedInView(const QString& stake) {
    auto* text1 = findChild<QLineEdit*>(QStringLiteral("Text1"));
    // As Enter in 桩号: only where the field takes a stake (single-stake mode).
    if (!text1 || !text1->isEnabled()) return;
    form_->setText(Control::Text1, stake.toStdString());
    runCompute();
}

bool MainWindow::exportProfileSheet() {
    OutputWritten written;
    const Outcome outcome = gradix::exportProfileSheet(project_, *ui_, written);
    showOutcome(outcome, *ui_, messenger_);
    if (!outcome) return false;
    form_->setText(Control::Label1, written.status);
    openInDrawingWindow(*connector_, written.file, written.frame);
    return true;
}

bool MainWindow::exportViewPicture(bool plan) {
    ViewPicture picture = plan ? ViewPicture(*views_->planView(), "平面") : ViewPicture(*views_->profileView(), "纵断面");
    OutputWritten written;
    const Outcome outcome = gradix::exportViewPicture(project_, *ui_, picture, views_->pictureScale(), written);
    showOutcome(outcome, *ui_, messenger_);
    if (outcome) form_->setText(Control::Label1, written.status);
    return outcome.isDone();
}

}  // namespace gradix
