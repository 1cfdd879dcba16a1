#include "app/setoutdialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace gradix {

namespace {

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

QLineEdit* field(QWidget* parent, const char* name, const QString& value = {}) {
    auto* edit = new QLineEdit(value, parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

// The three formats in the order of the format box, and their extensions.
const TableFormat FORMATS[] = {TableFormat::Xlsx, TableFormat::Csv, TableFormat::Tsv};
const char* const FORMAT_NAMES[] = {"xlsx (Excel)", "csv (UTF-8)", "tsv (精确数值)"};
const char* const EXTENSIONS[] = {"xlsx", "csv", "tsv"};

const char* defaultName(SetoutDialogKind kind) {
    switch (kind) {
        case SetoutDialogKind::StakeTable: return "逐桩坐标表";
        case SetoutDialogKind::CurveTable: return "竖曲线表";
        case SetoutDialogKind::SubgradeTable: return "路基设计表";
        case SetoutDialogKind::Stakeout: return "放样点";
        default: return "坐标反算";
    }
}

// The dialog's fields above its 确定 and 取消 buttons.
void addFormAndButtons(QDialog& dialog, QFormLayout* form) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

}  // namespace

SetoutDialog::SetoutDialog(SetoutDialogKind kind, const QString& folder, QWidget* parent)
    : QDialog(parent), kind_(kind), folder_(folder) {
    setObjectName(QStringLiteral("SetoutDialog"));
    QString title = text(kind == SetoutDialogKind::StakeTable      ? STAKE_TABLE_CAPTION
                         : kind == SetoutDialogKind::CurveTable    ? CURVE_TABLE_CAPTION
                         : kind == SetoutDialogKind::SubgradeTable ? SUBGRADE_TABLE_CAPTION
                         : kind == SetoutDialogKind::Stakeout      ? STAKEOUT_CAPTION
                                                                   : LOCATE_POINTS_CAPTION);
    title.chop(1);  // the "…" of the menu entry
    setWindowTitle(title);
    auto* form = new QFormLayout;
    const bool stakes = kind == SetoutDialogKind::StakeTable || kind == SetoutDialogKind::Stakeout;
    if (stakes || kind == SetoutDialogKind::SubgradeTable) {
        every_ = field(this, "every", QStringLiteral("20"));
        if (stakes) {
            offsets_ = field(this, "offsets");
            offsets_->setPlaceholderText(text("如 -7.5,7.5（右为正）"));
        }
        from_ = field(this, "from");
        to_ = field(this, "to");
        from_->setPlaceholderText(text("起点"));
        to_->setPlaceholderText(text("终点"));
        auto* range = new QHBoxLayout;
        range->addWidget(from_);
        range->addWidget(to_);
        form->addRow(text("桩距(m)"), every_);
        if (offsets_) form->addRow(text("边桩距(m)"), offsets_);
        form->addRow(text("桩号范围"), range);
    }
    if (kind == SetoutDialogKind::SubgradeTable) {
        groundFile_ = field(this, "groundFile");
        groundFile_->setPlaceholderText(text("可不填"));
        auto* browse = new QPushButton(text("…"), this);
        connect(browse, &QPushButton::clicked, this, &SetoutDialog::chooseGround);
        auto* row = new QHBoxLayout;
        row->addWidget(groundFile_);
        row->addWidget(browse);
        form->addRow(text("地面线文件"), row);
    }
    if (kind == SetoutDialogKind::LocatePoints) {
        pointsFile_ = field(this, "pointsFile");
        auto* browse = new QPushButton(text("…"), this);
        connect(browse, &QPushButton::clicked, this, &SetoutDialog::choosePoints);
        auto* row = new QHBoxLayout;
        row->addWidget(pointsFile_);
        row->addWidget(browse);
        form->addRow(text("测点文件"), row);
        pointsCrs_ = field(this, "pointsCrs");
        pointsCrs_->setPlaceholderText(text("项目坐标系（X北、Y东）；GNSS经纬度填 EPSG:4490"));
        form->addRow(text("测点坐标系"), pointsCrs_);
        maxOffset_ = field(this, "maxOffset", QStringLiteral("100"));
        form->addRow(text("偏距限值(m)"), maxOffset_);
    }
    if (kind == SetoutDialogKind::Stakeout) {
        outCrs_ = field(this, "outCrs");
        outCrs_->setPlaceholderText(text("项目坐标系（X北、Y东）；经纬度填 EPSG:4490"));
        form->addRow(text("输出坐标系"), outCrs_);
    }
    format_ = new QComboBox(this);
    format_->setObjectName(QStringLiteral("format"));
    for (const char* name : FORMAT_NAMES) format_->addItem(text(name));
    // The stake-out file's form follows its extension: .csv or .xml (LandXML).
    if (kind == SetoutDialogKind::Stakeout)
        format_->hide();
    else
        form->addRow(text("格式"), format_);
    const QString extension = kind == SetoutDialogKind::Stakeout ? QStringLiteral(".csv") : QStringLiteral(".xlsx");
    file_ = field(this, "file", QDir(folder_).filePath(text(defaultName(kind)) + extension));
    auto* browse = new QPushButton(text("…"), this);
    connect(browse, &QPushButton::clicked, this, &SetoutDialog::chooseFile);
    auto* row = new QHBoxLayout;
    row->addWidget(file_);
    row->addWidget(browse);
    form->addRow(text("输出文件"), row);
    connect(format_, &QComboBox::currentIndexChanged, this, &SetoutDialog::formatChanged);

    addFormAndButtons(*this, form);
    file_->setMinimumWidth(320);
}

TableFormat SetoutDialog::format() const { return FORMATS[std::max(0, format_->currentIndex())]; }

void SetoutDialog::formatChanged() {
    // The file's extension follows the format.
    QFileInfo info(file_->text());
    if (info.fileName().isEmpty()) return;
    file_->setText(QDir(info.path()).filePath(info.completeBaseName() + QStringLiteral(".") +
                                              QLatin1String(EXTENSIONS[std::max(0, format_->currentIndex())])));
}

void SetoutDialog::chooseFile() {
    const QString chosen = QFileDialog::getSaveFileName(this, windowTitle(), file_->text());
    if (!chosen.isEmpty()) file_->setText(chosen);
}

void SetoutDialog::choosePoints() {
    const QString chosen = QFileDialog::getOpenFileName(this, text("测点文件"), folder_);
    if (!chosen.isEmpty()) pointsFile_->setText(chosen);
}

void SetoutDialog::chooseGround() {
    const QString chosen = QFileDialog::getOpenFileName(this, text("地面线文件"), folder_);
    if (!chosen.isEmpty()) groundFile_->setText(chosen);
}

SubgradeTableRequest SetoutDialog::subgradeTableRequest() const {
    return {every_->text().toStdString(), from_->text().toStdString(), to_->text().toStdString(),
            groundFile_->text().toStdString(), format(), file_->text().toStdString()};
}

StakeTableRequest SetoutDialog::stakeTableRequest() const {
    return {every_->text().toStdString(), offsets_->text().toStdString(), from_->text().toStdString(),
            to_->text().toStdString(), format(), file_->text().toStdString()};
}

CurveTableRequest SetoutDialog::curveTableRequest() const { return {format(), file_->text().toStdString()}; }

LocateRequest SetoutDialog::locateRequest() const {
    return {pointsFile_->text().toStdString(), maxOffset_->text().toStdString(), format(), file_->text().toStdString(),
            pointsCrs_->text().toStdString()};
}

StakeoutRequest SetoutDialog::stakeoutRequest() const {
    return {every_->text().toStdString(), offsets_->text().toStdString(), from_->text().toStdString(),
            to_->text().toStdString(), outCrs_->text().toStdString(), file_->text().toStdString()};
}

ProjectSettingsDialog::ProjectSettingsDialog(const ProjectSystemsRequest& current, const QString& folder,
                                             QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("ProjectSettingsDialog"));
    QString title = text(PROJECT_SETTINGS_CAPTION);
    title.chop(1);
    setWindowTitle(title);
    auto* form = new QFormLayout;
    crs_ = field(this, "crs", QString::fromStdString(current.crs));
    crs_->setPlaceholderText(text("如 EPSG:4548 或 +proj=tmerc +lon_0=117.5 +k=1 +x_0=500000 +ellps=GRS80 +units=m"));
    form->addRow(text("坐标系统（X北、Y东）"), crs_);
    transformFile_ = field(this, "transformFile", QString::fromStdString(current.transformFile));
    transformFile_->setPlaceholderText(text("独立坐标系的四参数文件，可不填"));
    auto* browse = new QPushButton(text("…"), this);
    connect(browse, &QPushButton::clicked, this, [this, folder] {
        const QString chosen = QFileDialog::getOpenFileName(this, text("四参数文件"), folder);
        if (!chosen.isEmpty()) transformFile_->setText(chosen);
    });
    auto* row = new QHBoxLayout;
    row->addWidget(transformFile_);
    row->addWidget(browse);
    form->addRow(text("四参数文件"), row);
    addFormAndButtons(*this, form);
    crs_->setMinimumWidth(420);
}

ProjectSystemsRequest ProjectSettingsDialog::request() const {
    return {crs_->text().toStdString(), transformFile_->text().toStdString()};
}

}  // namespace gradix
