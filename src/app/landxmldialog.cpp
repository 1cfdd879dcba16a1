#include "app/landxmldialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QString>

#include "text/numbers.h"

namespace gradix {

namespace {

constexpr const char* DIALOG_TITLE = "选择LandXML平面线和纵断面";
constexpr const char* NO_PROFILE = "（无）";

}  // namespace

LandXmlDialog::LandXmlDialog(const std::vector<LandXmlAlignmentSummary>& alignments, QWidget* parent)
    : QDialog(parent), alignments_(alignments), alignment_(new QComboBox(this)), profile_(new QComboBox(this)) {
    setObjectName(QStringLiteral("landxmlDialog"));
    setWindowTitle(QString::fromUtf8(DIALOG_TITLE));
    alignment_->setObjectName(QStringLiteral("landxmlAlignment"));
    profile_->setObjectName(QStringLiteral("landxmlProfile"));
    for (const LandXmlAlignmentSummary& a : alignments_)
        alignment_->addItem(QString::fromStdString(a.name + "  (" + formatFixed(a.length, 3) + " m, " +
                                                   std::to_string(a.elements) + " elements)"));
    auto* layout = new QFormLayout(this);
    layout->addRow(QString::fromUtf8("平面线："), alignment_);
    layout->addRow(QString::fromUtf8("纵断面："), profile_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(alignment_, &QComboBox::currentIndexChanged, this, [this](int i) { fillProfiles(i); });
    fillProfiles(0);
}

void LandXmlDialog::fillProfiles(int alignment) {
    profile_->clear();
    if (alignment < 0 || alignment >= static_cast<int>(alignments_.size())) return;
    const LandXmlAlignmentSummary& a = alignments_[static_cast<std::size_t>(alignment)];
    for (const std::string& p : a.profiles) profile_->addItem(QString::fromStdString(p));
    if (a.profiles.empty()) profile_->addItem(QString::fromUtf8(NO_PROFILE));
    profile_->setEnabled(a.profiles.size() > 1);
}

LandXmlChoice LandXmlDialog::choice() const {
    const int i = alignment_->currentIndex();
    if (i < 0 || i >= static_cast<int>(alignments_.size())) return {};
    const LandXmlAlignmentSummary& a = alignments_[static_cast<std::size_t>(i)];
    const int p = profile_->currentIndex();
    const std::string profile =
        p >= 0 && p < static_cast<int>(a.profiles.size()) ? a.profiles[static_cast<std::size_t>(p)] : std::string();
    return {a.name, profile};
}

std::optional<LandXmlChoice> chooseLandXmlAlignment(const std::vector<LandXmlAlignmentSummary>& alignments,
                                                    QWidget* parent) {
    LandXmlDialog dialog(alignments, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.choice();
}

std::optional<SurfaceAxes> chooseSurfaceAxesIn(const SurfaceAxes& current, QWidget* parent) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("surfaceAxesDialog"));
    dialog.setWindowTitle(QString::fromUtf8("设计线和超高旋转轴"));
    auto* line = new QComboBox(&dialog);
    line->setObjectName(QStringLiteral("surfaceDesignLine"));
    for (const char* name : {"中线", "中间带外缘", "路基边缘（二、三、四级公路）"}) line->addItem(QString::fromUtf8(name));
    line->setCurrentIndex(static_cast<int>(current.designLine));
    auto* pivot = new QComboBox(&dialog);
    pivot->setObjectName(QStringLiteral("surfacePivot"));
    for (const char* name : {"中线", "内侧行车道边缘（加宽前）", "中间带边缘"}) pivot->addItem(QString::fromUtf8(name));
    pivot->setCurrentIndex(static_cast<int>(current.pivot));
    auto* layout = new QFormLayout(&dialog);
    layout->addRow(QString::fromUtf8("设计高程所在："), line);
    layout->addRow(QString::fromUtf8("超高旋转轴："), pivot);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return SurfaceAxes{static_cast<DesignLine>(line->currentIndex()), static_cast<Pivot>(pivot->currentIndex())};
}

}  // namespace gradix
