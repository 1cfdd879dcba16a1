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
#include "text/failures.h"
#include "views/planview.h"
#include "views/profilesheet.h"
#include "views/profileview.h"
#include "text/messages.h"

namespace gradix {

namespace {

inline constexpr FileDialog PROFILE_SHEET_DIALOG{"profileSheetDialog", "导出纵断面图",
                                                 "DXF文件(*.dxf)|*.dxf|所有文件(*.*)|*.*"};
inline constexpr FileDialog VIEW_PICTURE_DIALOG{
    "viewPictureDialog", "导出图片", "PNG图片(*.png)|*.png|SVG图形(*.svg)|*.svg|PDF文档(*.pdf)|*.pdf"};
// The box of a failed export.
inline constexpr const char* EXPORT_FAILED_TEXT = "导出失败！";

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
    if (!views_->profileView()->hasProfile()) return false;
    const std::string path = ui_->saveFile(PROFILE_SHEET_DIALOG);
    if (path.empty()) return false;  // the dialog was cancelled
    try {
        if (namesOneOf(path, project_.inputFiles()))
            throw DataError(msg::chosenFileIsInput(path));
        writeProfileSheet(path, project_.profile, project_.breaks, ProfileSheetOptions{});
    } catch (const GradixError& e) {
        ui_->showError(ERROR_TITLE, EXPORT_FAILED_TEXT, e.detail());
        return false;
    }
    openInDrawingWindow(*connector_, path);
    return true;
}

bool MainWindow::exportViewPicture(bool plan) {
    RoadView* view = plan ? static_cast<RoadView*>(views_->planView()) : views_->profileView();
    const std::string path = ui_->saveFile(VIEW_PICTURE_DIALOG);
    if (path.empty()) return false;
    if (namesOneOf(path, project_.inputFiles())) {
        ui_->showError(ERROR_TITLE, EXPORT_FAILED_TEXT, msg::chosenFileIsInput(path));
        return false;
    }
    const QString failed = view->exportTo(QString::fromStdString(path), views_->pictureScale());
    if (!failed.isEmpty()) ui_->showError(ERROR_TITLE, EXPORT_FAILED_TEXT, failed.toStdString());
    return failed.isEmpty();
}

}  // namespace gradix
