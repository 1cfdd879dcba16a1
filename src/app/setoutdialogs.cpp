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
        default: return "坐标反算";
    }
}

}  // namespace

SetoutDialog::SetoutDialog(SetoutDialogKind kind, const QString& folder, QWidget* parent)
    : QDialog(parent), kind_(kind), folder_(folder) {
    setObjectName(QStringLiteral("SetoutDialog"));
    QString title = text(kind == SetoutDialogKind::StakeTable      ? STAKE_TABLE_CAPTION
                         : kind == SetoutDialogKind::CurveTable    ? CURVE_TABLE_CAPTION
                         : kind == SetoutDialogKind::SubgradeTable ? SUBGRADE_TABLE_CAPTION
                                                                   : LOCATE_POINTS_CAPTION);
    title.chop(1);  // the "…" of the menu entry
    setWindowTitle(title);
    auto* form = new QFormLayout;
    if (kind == SetoutDialogKind::StakeTable || kind == SetoutDialogKind::SubgradeTable) {
        every_ = field(this, "every", QStringLiteral("20"));
        if (kind == SetoutDialogKind::StakeTable) {
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
        maxOffset_ = field(this, "maxOffset", QStringLiteral("100"));
        form->addRow(text("偏距限值(m)"), maxOffset_);
    }
    format_ = new QComboBox(this);
    format_->setObjectName(QStringLiteral("format"));
    for (const char* name : FORMAT_NAMES) format_->addItem(text(name));
    form->addRow(text("格式"), format_);
    file_ = field(this, "file", QDir(folder_).filePath(text(defaultName(kind)) + QStringLiteral(".xlsx")));
    auto* browse = new QPushButton(text("…"), this);
    connect(browse, &QPushButton::clicked, this, &SetoutDialog::chooseFile);
    auto* row = new QHBoxLayout;
    row->addWidget(file_);
    row->addWidget(browse);
    form->addRow(text("输出文件"), row);
    connect(format_, &QComboBox::currentIndexChanged, this, &SetoutDialog::formatChanged);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
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
    return {pointsFile_->text().toStdString(), maxOffset_->text().toStdString(), format(),
            file_->text().toStdString()};
}

}  // namespace gradix
