#include "app/roadviews.h"

#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>

#include "commands/initialise.h"
#include "stakes/stakes.h"
#include "text/failures.h"
#include "views/planview.h"
#include "views/profileview.h"
#include "views/sectionview.h"

namespace gradix {

namespace {

constexpr double MIN_EXAGGERATION = 1;
constexpr double MAX_EXAGGERATION = 1000;
constexpr int VIEWS_MIN_WIDTH = 560;
constexpr int VIEW_MIN_HEIGHT = 240;
// The cross-section needs less height than the long views: a surface a few
// metres wide, exaggerated, under its labels.
constexpr int SECTION_MIN_HEIGHT = 150;
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
    section_ = new SectionView(this);
    section_->setMinimumHeight(SECTION_MIN_HEIGHT);
    section_->hide();

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName("roadViewsSplitter");
    splitter->addWidget(profile_);
    splitter->addWidget(plan_);
    splitter->addWidget(section_);
    splitter->setStretchFactor(0, PROFILE_SHARE);
    splitter->setStretchFactor(1, PLAN_SHARE);
    splitter->setStretchFactor(2, PLAN_SHARE);

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
    // The section follows the cursor over the profile or the plan, and goes
    // back to the stake computed when the cursor leaves.
    connect(profile_, &ProfileView::readoutChanged, this, [this] {
        const std::optional<ProfileReadout>& hover = profile_->hoverReadout();
        showSectionAt(hover ? std::optional<double>(hover->chainage) : marked_);
    });
    connect(plan_, &PlanView::readoutChanged, this, [this] {
        const std::optional<PlanReadout>& hover = plan_->hoverReadout();
        showSectionAt(hover ? std::optional<double>(hover->chainage) : marked_);
    });
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
    marked_.reset();
    showSurface(project);
}

void RoadViews::showSurface(const Project& project) {
    const bool shown = project.surface.loaded() && project.profile.gradePointCount > 0;
    surface_ = shown ? project.surface : Surface{};
    sectionProfile_ = shown ? project.profile : Profile{};
    section_->setVisible(shown);
    showSectionAt(marked_);
}

void RoadViews::showSectionAt(std::optional<double> chainage) {
    if (!chainage || !surface_.loaded()) {
        section_->clear();
        return;
    }
    try {
        section_->setSection(buildSectionModel(surface_, sectionProfile_, breaks_, *chainage));
    } catch (const GradixError&) {
        section_->clear();  // a stake the profile cannot evaluate has no section
    }
}

double RoadViews::pictureScale() const { return pictureScale_->value(); }

QSize RoadViews::sizeHint() const { return VIEWS_SIZE_HINT; }

namespace {

// The extension a cross-section dialog's file has, or none for another dialog.
const char* sectionFileExtension(const FileDialog& dialog) {
    const std::string_view name(dialog.name);
    if (name == SUPERELEVATION_DIALOG.name) return ".sup";
    if (name == WIDTH_DIALOG.name) return ".wid";
    return nullptr;
}

bool hasExtension(const std::string& path, const char* extension) {
    const QString p = QString::fromStdString(path);
    return p.endsWith(QLatin1String(extension), Qt::CaseInsensitive);
}

}  // namespace

bool ViewsUserInterface::hasFileFor(const FileDialog& dialog) const {
    const char* extension = sectionFileExtension(dialog);
    return extension && std::any_of(answers_.begin(), answers_.end(),
                                    [&](const std::string& a) { return hasExtension(a, extension); });
}

std::string ViewsUserInterface::openFile(const FileDialog& dialog) {
    std::string path;
    const char* sectionExtension = sectionFileExtension(dialog);
    if (sectionExtension && !answers_.empty()) {
        const auto file = std::find_if(answers_.begin(), answers_.end(),
                                       [&](const std::string& a) { return hasExtension(a, sectionExtension); });
        if (file == answers_.end()) return path;  // the list has no such file: none of that kind
        path = *file;
        answers_.erase(file);
    } else if (!answers_.empty()) {
        path = answers_.front();
        answers_.pop_front();
    } else {
        path = inner_.openFile(dialog);
    }
    if (std::string_view(dialog.name) == STAKES_DIALOG.name) lastStakeFile_ = path;
    if (!(sectionExtension && path.empty())) opened_.push_back(path);
    return path;
}

void RoadViews::markChainage(std::optional<double> chainage) {
    profile_->setMarkedChainage(chainage);
    plan_->setMarkedChainage(chainage);
    marked_ = chainage;
    showSectionAt(chainage);
}

}  // namespace gradix
