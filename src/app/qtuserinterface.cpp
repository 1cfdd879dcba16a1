#include "app/qtuserinterface.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QMessageBox>
#include <QWidget>
#include <memory>

#include "app/landxmldialog.h"

namespace gradix {

namespace {

constexpr QChar FILTER_SEPARATOR = u'|';
constexpr QChar PATTERN_SEPARATOR = u';';
// On Windows "*.*" finds every file, also one without a dot.
constexpr const char* WINDOWS_ALL_FILES = "*.*";
constexpr const char* EVERY_FILE = "*";

// Gives the dialog's file models the wildcards of the file type chosen. The
// dialog itself cannot take the patterns from the visible texts: they hold
// full-width parentheses and ";"-separated lists, which it does not parse.
void applyFileType(QFileDialog& dialog, const std::vector<FilterEntry>& entries, int index) {
    if (index < 0 || index >= static_cast<int>(entries.size())) return;
    const QStringList wildcards = windowsLikeWildcards(entries[static_cast<std::size_t>(index)].patterns);
    for (QFileSystemModel* model : dialog.findChildren<QFileSystemModel*>()) model->setNameFilters(wildcards);
}

}  // namespace

std::vector<FilterEntry> parseDialogFilter(const char* filter) {
    const QStringList parts = QString::fromUtf8(filter).split(FILTER_SEPARATOR);
    std::vector<FilterEntry> entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries.push_back({parts[i], parts[i + 1].split(PATTERN_SEPARATOR, Qt::SkipEmptyParts)});
    return entries;
}

QStringList windowsLikeWildcards(const QStringList& patterns) {
    QStringList wildcards;
    for (const QString& pattern : patterns) {
        const QString trimmed = pattern.trimmed();
        if (trimmed == QLatin1String(WINDOWS_ALL_FILES)) {
            wildcards << QLatin1String(EVERY_FILE);
            continue;
        }
        QString wildcard;
        for (const QChar ch : trimmed) {
            if (ch.isLetter() && ch.toUpper() != ch.toLower())
                wildcard += QLatin1Char('[') + ch.toUpper() + ch.toLower() + QLatin1Char(']');
            else
                wildcard += ch;
        }
        wildcards << wildcard;
    }
    return wildcards;
}

QFileDialog* createFileDialog(const FileDialog& fileDialog, QFileDialog::AcceptMode acceptMode,
                              const QString& folder, QWidget* parent) {
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(QLatin1String(fileDialog.name));
    // Qt's own dialog on every desktop: a desktop's native dialog would read
    // the file types from the visible texts and filter nothing.
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setWindowTitle(QString::fromUtf8(fileDialog.title));
    dialog->setAcceptMode(acceptMode);
    dialog->setFileMode(acceptMode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                              : QFileDialog::AnyFile);
    if (!folder.isEmpty()) dialog->setDirectory(folder);

    const std::vector<FilterEntry> entries = parseDialogFilter(fileDialog.filter);
    QStringList texts;
    for (const FilterEntry& entry : entries) texts << entry.text;
    dialog->setNameFilters(texts);
    applyFileType(*dialog, entries, 0);
    // The dialog applies its own reading of the chosen type first; ours then
    // replaces it.
    QObject::connect(dialog, &QFileDialog::filterSelected, dialog, [dialog, entries, texts](const QString& text) {
        applyFileType(*dialog, entries, static_cast<int>(texts.indexOf(text)));
    });
    return dialog;
}

QString findExamplesFolder(const QString& programFolder) {
    const QDir program(programFolder);
    for (const QString& candidate : {program.filePath(QStringLiteral("examples")),
                                     program.filePath(QStringLiteral("../share/gradix/examples"))}) {
        if (QFileInfo(candidate).isDir()) return QDir::cleanPath(candidate);
    }
    return {};
}

QtUserInterface::QtUserInterface(QWidget& window, QString firstFolder)
    : window_(window), folder_(std::move(firstFolder)) {}

std::string QtUserInterface::runDialog(const FileDialog& fileDialog, QFileDialog::AcceptMode acceptMode,
                                       const QString& suggestion) {
    const QString folder = suggestion.isEmpty() ? folder_ : QFileInfo(suggestion).absolutePath();
    const std::unique_ptr<QFileDialog> dialog(createFileDialog(fileDialog, acceptMode, folder, &window_));
    if (!suggestion.isEmpty()) dialog->selectFile(QFileInfo(suggestion).fileName());
    if (dialog->exec() != QDialog::Accepted) return {};
    const QStringList files = dialog->selectedFiles();
    if (files.isEmpty() || files.front().isEmpty()) return {};
    folder_ = QFileInfo(files.front()).absolutePath();
    return QDir::toNativeSeparators(files.front()).toStdString();
}

std::string QtUserInterface::openFile(const FileDialog& dialog) {
    return runDialog(dialog, QFileDialog::AcceptOpen);
}

std::string QtUserInterface::saveFile(const FileDialog& dialog) {
    return runDialog(dialog, QFileDialog::AcceptSave);
}

std::string QtUserInterface::saveFileSuggesting(const FileDialog& dialog, const std::string& suggestion) {
    return runDialog(dialog, QFileDialog::AcceptSave, QString::fromStdString(suggestion));
}

void QtUserInterface::showError(const std::string& title, const std::string& text, const std::string& detail) {
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Ok, &window_);
    box.setTextFormat(Qt::PlainText);
    if (!detail.empty()) box.setDetailedText(QString::fromStdString(detail));
    box.exec();
}

void QtUserInterface::setClipboard(const std::string& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(QString::fromStdString(text));
}

void QtUserInterface::activateMainWindow() {
    if (window_.isMinimized()) window_.showNormal();
    window_.show();
    window_.raise();
    window_.activateWindow();
}

void QtUserInterface::showMessage(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Ok, &window_);
    box.setTextFormat(Qt::PlainText);  // a typed stake is shown as typed
    box.exec();
}

void QtUserInterface::showDetailedMessage(const std::string& title, const std::string& text,
                                          const std::string& detail) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Ok, &window_);
    box.setTextFormat(Qt::PlainText);
    if (!detail.empty()) box.setDetailedText(QString::fromStdString(detail));
    box.exec();
}

std::optional<SurfaceAxes> QtUserInterface::chooseSurfaceAxes(const SurfaceAxes& current) {
    return chooseSurfaceAxesIn(current, &window_);
}

std::optional<LandXmlChoice> QtUserInterface::chooseLandXml(const std::vector<LandXmlAlignmentSummary>& alignments) {
    return chooseLandXmlAlignment(alignments, &window_);
}

}  // namespace gradix
