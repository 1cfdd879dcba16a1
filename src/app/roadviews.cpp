#include "app/roadviews.h"

#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "stakes/stakes.h"
#include "views/planview.h"
#include "views/profileview.h"

namespace gradix {

namespace {

constexpr double MIN_EXAGGERATION = 1;
constexpr double MAX_EXAGGERATION = 1000;
constexpr int VIEWS_MIN_WIDTH = 560;
constexpr int VIEW_MIN_HEIGHT = 240;
constexpr int PROFILE_SHARE = 3;  // of the height, against the plan's 2
constexpr int PLAN_SHARE = 2;
constexpr double MIN_PICTURE_SCALE = 1;
constexpr double MAX_PICTURE_SCALE = 1e7;
const QSize VIEWS_SIZE_HINT(760, 560);

}  // namespace

RoadViews::RoadViews(QWidget* parent) : QWidget(parent) {
    setObjectName("roadViews");
    profile_ = new ProfileView(this);
    plan_ = new PlanView(this);
    profile_->setMinimumHeight(VIEW_MIN_HEIGHT);
    plan_->setMinimumHeight(VIEW_MIN_HEIGHT);
    plan_->hide();

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName("roadViewsSplitter");
    splitter->addWidget(profile_);
    splitter->addWidget(plan_);
    splitter->setStretchFactor(0, PROFILE_SHARE);
    splitter->setStretchFactor(1, PLAN_SHARE);

    auto* exaggerationLabel = new QLabel(QStringLiteral("竖向放大"), this);
    exaggeration_ = new QDoubleSpinBox(this);
    exaggeration_->setObjectName("verticalExaggeration");
    exaggeration_->setRange(MIN_EXAGGERATION, MAX_EXAGGERATION);
    exaggeration_->setDecimals(1);
    exaggeration_->setSuffix(QStringLiteral(" ×"));
    exaggeration_->setValue(DEFAULT_VERTICAL_EXAGGERATION);
    exaggerationLabel->setBuddy(exaggeration_);
    auto* scaleLabel = new QLabel(QStringLiteral("图片比例 1:"), this);
    pictureScale_ = new QDoubleSpinBox(this);
    pictureScale_->setObjectName("pictureScale");
    pictureScale_->setRange(MIN_PICTURE_SCALE, MAX_PICTURE_SCALE);
    pictureScale_->setDecimals(0);
    pictureScale_->setValue(DEFAULT_PICTURE_SCALE);
    scaleLabel->setBuddy(pictureScale_);
    exportPicture_ = new QPushButton(QStringLiteral("导出图片…"), this);
    exportPicture_->setObjectName("exportPicture");
    exportSheet_ = new QPushButton(QStringLiteral("导出纵断面图…"), this);
    exportSheet_->setObjectName("exportProfileSheet");
    exportPicture_->setEnabled(false);
    exportSheet_->setEnabled(false);
    readout_ = new QLabel(this);
    readout_->setObjectName("viewReadout");
    readout_->setMinimumWidth(0);
    readout_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* row = new QHBoxLayout;
    row->addWidget(exaggerationLabel);
    row->addWidget(exaggeration_);
    row->addWidget(scaleLabel);
    row->addWidget(pictureScale_);
    row->addWidget(exportPicture_);
    row->addWidget(exportSheet_);
    row->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(row);
    layout->addWidget(splitter, 1);
    layout->addWidget(readout_);
    setMinimumWidth(VIEWS_MIN_WIDTH);

    connect(exaggeration_, &QDoubleSpinBox::valueChanged, profile_, &ProfileView::setVerticalExaggeration);
    // A fit to the whole profile chooses its own exaggeration; the box shows it.
    connect(profile_, &ProfileView::verticalExaggerationChanged, exaggeration_, &QDoubleSpinBox::setValue);
    connect(profile_, &ProfileView::readoutChanged, readout_, &QLabel::setText);
    connect(plan_, &PlanView::readoutChanged, readout_, &QLabel::setText);
    connect(profile_, &ProfileView::stakeClicked, this, [this](const QString& stake) { emit stakeClicked(stake); });
    connect(plan_, &PlanView::chainageClicked, this, [this](double chainage) {
        emit stakeClicked(QString::fromStdString(sj_dlstr_11(breaks_, chainage)));
    });
    connect(profile_, &RoadView::exportRequested, this, [this] { emit pictureExportRequested(false); });
    connect(plan_, &RoadView::exportRequested, this, [this] { emit pictureExportRequested(true); });
    connect(exportPicture_, &QPushButton::clicked, this, [this] { emit pictureExportRequested(false); });
    connect(exportSheet_, &QPushButton::clicked, this, [this] { emit sheetExportRequested(); });
}

void RoadViews::showProject(const Project& project) {
    breaks_ = project.breaks;
    const bool profileShown = profile_->setProfile(project.profile, project.breaks).isEmpty();
    exportPicture_->setEnabled(profileShown);
    exportSheet_->setEnabled(profileShown);
    if (project.alignmentMode && plan_->setAlignment(project.alignment, project.samples, project.breaks).isEmpty()) {
        plan_->show();
    } else {
        plan_->clear();
        plan_->hide();
    }
}

double RoadViews::pictureScale() const { return pictureScale_->value(); }

QSize RoadViews::sizeHint() const { return VIEWS_SIZE_HINT; }

std::string ViewsUserInterface::openFile(const FileDialog& dialog) {
    std::string path;
    if (!answers_.empty()) {
        path = answers_.front();
        answers_.pop_front();
    } else {
        path = inner_.openFile(dialog);
    }
    if (std::string_view(dialog.name) == STAKES_DIALOG.name) lastStakeFile_ = path;
    opened_.push_back(path);
    return path;
}

void RoadViews::markChainage(std::optional<double> chainage) {
    profile_->setMarkedChainage(chainage);
    plan_->setMarkedChainage(chainage);
}

}  // namespace gradix
