#include "app/checkdialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QKeyEvent>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <set>

#include "app/mainwindow.h"
#include "commands/drawingcommands.h"
#include "commands/landxmlproject.h"
#include "drawing/labelauditpanel.h"
#include "text/messages.h"

namespace gradix {

namespace {

constexpr int COLUMNS = 4;

}  // namespace

CheckedFiles checkedFilesOf(const Project& project) {
    CheckedFiles files;
    if (project.alignmentMode) {
        (isLandXmlPath(project.icdFileName) ? files.landxml : files.icd) = project.icdFileName;
    } else {
        files.breaks = project.breaksFileName;
    }
    if (project.profileFileName != project.icdFileName) files.profile = project.profileFileName;
    return files;
}

CheckedFiles checkedFilesOf(const ProjectFiles& load) {
    std::vector<std::string> files;
    for (const std::string& f : load.files)
        if (!f.empty()) files.push_back(f);
    CheckedFiles checked;
    if (files.empty()) return checked;
    if (load.alignmentMode) {
        (isLandXmlPath(files.front()) ? checked.landxml : checked.icd) = files.front();
    } else {
        checked.breaks = files.front();
    }
    if (files.size() > 1) checked.profile = files[1];
    return checked;
}

CheckRow noteRow(const std::string& note) {
    const std::string separator = msg::PLACE_SEPARATOR;
    CheckRow row{NOTE_SEVERITY_TEXT, "", 0, note};
    // "FILE，第N行：TEXT": the line's mark, its digits, the separator.
    const std::string lineMark = "，第";
    for (std::size_t at = note.find(lineMark); at != std::string::npos; at = note.find(lineMark, at + 1)) {
        std::size_t end = at + lineMark.size();
        long line = 0;
        while (end < note.size() && note[end] >= '0' && note[end] <= '9' && line < LONG_MAX / 10)
            line = line * 10 + (note[end++] - '0');
        const std::string tail = "行" + separator;
        if (end > at + lineMark.size() && note.compare(end, tail.size(), tail) == 0)
            return {NOTE_SEVERITY_TEXT, note.substr(0, at), line, note.substr(end + tail.size())};
    }
    // "FILE：TEXT"
    if (const std::size_t at = note.find(separator); at != std::string::npos && at > 0)
        return {NOTE_SEVERITY_TEXT, note.substr(0, at), 0, note.substr(at + separator.size())};
    return row;
}

CheckDialog::CheckDialog(std::vector<Finding> findings, const QString& summary, UserInterface& ui, QWidget* parent,
                         const std::vector<std::string>& notes)
    : QDialog(parent), ui_(ui) {
    setObjectName("checkDialog");
    setWindowTitle(QString::fromUtf8(CHECK_DATA_CAPTION));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(summary, this);
    label->setObjectName("checkSummary");
    std::vector<CheckRow> rows;
    for (const std::string& note : notes) rows.push_back(noteRow(note));
    for (const Finding& f : findings) rows.push_back({severityText(f.severity), f.file, f.line, f.text});
    list_ = new QTableWidget(static_cast<int>(rows.size()), COLUMNS, this);
    list_->setObjectName("findingList");
    list_->setHorizontalHeaderLabels({"严重性", "文件", "行", "内容"});
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->horizontalHeader()->setStretchLastSection(true);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const CheckRow& f = rows[i];
        const QString cells[] = {QString::fromStdString(f.severity), QString::fromStdString(f.file),
                                 QString::number(f.line), QString::fromStdString(f.text)};
        for (int column = 0; column < COLUMNS; ++column)
            list_->setItem(static_cast<int>(i), column, new QTableWidgetItem(cells[column]));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* copy = buttons->addButton(QString::fromUtf8(COPY_CAPTION), QDialogButtonBox::ActionRole);
    copy->setObjectName("copyButton");
    connect(copy, &QPushButton::clicked, this, &CheckDialog::copyRows);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    list_->installEventFilter(this);  // Ctrl+C copies the rows, not just the current cell
    layout->addWidget(label);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    resize(900, 400);
}

bool CheckDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        copyRows();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CheckDialog::copyRows() {
    std::set<int> rows;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows()) rows.insert(index.row());
    if (rows.empty())
        for (int row = 0; row < list_->rowCount(); ++row) rows.insert(row);
    QString text;
    for (int row : rows) {
        QStringList cells;
        for (int column = 0; column < COLUMNS; ++column) cells << list_->item(row, column)->text();
        text += cells.join('\t') + '\n';
    }
    ui_.setClipboard(text.toStdString());
}

void addCheckMenu(QMenuBar* bar, MainWindow& window) {
    MainWindow* parent = &window;
    const auto project = [parent]() -> Project& { return parent->project(); };
    QMenu* menu = bar->addMenu(QString::fromUtf8(CHECK_DATA_MENU_CAPTION));
    menu->setObjectName("checkMenu");
    QAction* action = menu->addAction(QString::fromUtf8(CHECK_DATA_CAPTION));
    action->setObjectName("checkDataAction");
    QObject::connect(action, &QAction::triggered, parent, [parent, project] {
        const Project& loaded = project();
        std::vector<Finding> findings;
        std::vector<std::string> notes;
        QString summary = QString::fromUtf8(NOT_INITIALISED_TEXT);
        // The files of a load that did not complete, else those of the project in force.
        const std::optional<ProjectFiles>& failed = parent->failedLoad();
        if (failed || loaded.initialised) {
            findings = checkProject(failed ? checkedFilesOf(*failed) : checkedFilesOf(loaded), CheckRules{});
            if (!failed) notes = loaded.notes;
            const auto errors = std::count_if(findings.begin(), findings.end(),
                                              [](const Finding& f) { return f.severity == Severity::Error; });
            summary = findings.empty() ? QString::fromUtf8(CLEAN_TEXT)
                                       : QString("错误%1个，警告%2个")
                                             .arg(errors)
                                             .arg(static_cast<qsizetype>(findings.size()) - errors);
            if (!notes.empty())
                summary = (findings.empty() ? QStringLiteral("未发现问题") : summary) +
                          QString("，读入提示%1条。").arg(notes.size());
            if (failed) summary = QString::fromUtf8(FAILED_LOAD_TEXT) + summary;
        }
        auto* dialog = new CheckDialog(std::move(findings), summary, parent->ui(), parent, notes);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
    });
    setLabelAuditProvider([guarded = QPointer<MainWindow>(parent)]() -> std::optional<LabelAuditSource> {
        if (!guarded) return std::nullopt;  // the main window is gone
        Project& loaded = guarded->project();
        if (!loaded.initialised || !loaded.alignmentMode || loaded.alignment.elemCount < 1) return std::nullopt;
        const Profile* profile = loaded.profile.gradePointCount >= 2 ? &loaded.profile : nullptr;
        return LabelAuditSource{&loaded.alignment, &loaded.samples, &loaded.breaks, profile,
                                lineNameOf(loaded.icdFileName)};
    });
}

}  // namespace gradix
