// The person's side of the commands in Qt: file dialogs, message boxes, the
// clipboard and bringing the main window to the front.
#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <vector>

#include "commands/userinterface.h"

class QWidget;

namespace gradix {

// One entry of a dialog's file-type list: the text shown and its patterns
// as written ("*.txt", "*.ICD", "*.*").
struct FilterEntry {
    QString text;
    QStringList patterns;
};

// Splits a filter of the form "text|pattern;pattern|text|pattern" into its
// entries. The visible texts are kept exactly, mixed parentheses included.
std::vector<FilterEntry> parseDialogFilter(const char* filter);

// Turns patterns into wildcards that match file names as the Windows dialogs
// do: letters in either case (*.ICD finds road.icd too), and "*.*" finds
// every file, one without an extension included.
QStringList windowsLikeWildcards(const QStringList& patterns);

// Builds (does not show) the Qt dialog for fileDialog: its title, its file-type list
// with the visible texts of the filter and the patterns really filtering,
// opening in folder (when not empty). acceptMode chooses open or save.
QFileDialog* createFileDialog(const FileDialog& fileDialog, QFileDialog::AcceptMode acceptMode,
                              const QString& folder, QWidget* parent);

// The examples/ folder beside the program, or in the installed data folder;
// empty when neither exists.
QString findExamplesFolder(const QString& programFolder);

class QtUserInterface : public UserInterface {
public:
    // window: the main window, parent of every dialog and box. firstFolder:
    // where the first file dialog of this run opens (may be empty).
    QtUserInterface(QWidget& window, QString firstFolder);

    // Open and save dialogs: the chosen path, "" when cancelled. Each opens
    // in the folder of the file last chosen in this run.
    std::string openFile(const FileDialog& dialog) override;
    std::string saveFile(const FileDialog& dialog) override;
    // A save dialog opened in the folder of suggestion with its name filled in.
    std::string saveFileSuggesting(const FileDialog& dialog, const std::string& suggestion) override;
    // Message box with the critical icon; detail goes into its details.
    void showError(const std::string& title, const std::string& text, const std::string& detail) override;
    // Clears the clipboard and puts plain text on it.
    void setClipboard(const std::string& text) override;
    // Brings the main window to the front.
    void activateMainWindow() override;
    // Message box with only an OK button.
    void showMessage(const std::string& title, const std::string& text) override;
    // The same box with detail in its details.
    void showDetailedMessage(const std::string& title, const std::string& text, const std::string& detail) override;
    // The dialog that picks an alignment of a LandXML file and its profile.
    std::optional<LandXmlChoice> chooseLandXml(const std::vector<LandXmlAlignmentSummary>& alignments) override;
    std::optional<SurfaceAxes> chooseSurfaceAxes(const SurfaceAxes& current) override;

    // Where the next file dialog opens.
    const QString& dialogFolder() const { return folder_; }

private:
    std::string runDialog(const FileDialog& fileDialog, QFileDialog::AcceptMode acceptMode,
                          const QString& suggestion = QString());

    QWidget& window_;
    QString folder_;
};

}  // namespace gradix
