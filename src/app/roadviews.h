// The views beside the classic panel: the profile view above the plan view
// (the plan shown once an alignment is loaded) and the cross-section view
// (shown once the project has a surface: the section at the stake computed,
// or at the stake under the cursor on the profile or the plan), a row with the vertical
// exaggeration, the picture export and the profile sheet export, and the
// read-out of the cursor.
#pragma once

#include <QString>
#include <QWidget>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "commands/project.h"
#include "commands/userinterface.h"

class QDoubleSpinBox;
class QLabel;
class QPushButton;

namespace gradix {

class PlanView;
class ProfileView;
class SectionView;

// The scale a picture of a view is exported at unless another is chosen (1:N).
inline constexpr double DEFAULT_PICTURE_SCALE = 2000;

class RoadViews : public QWidget {
    Q_OBJECT
public:
    explicit RoadViews(QWidget* parent = nullptr);

    // Shows the profile of project and, in alignment mode, its alignment.
    void showProject(const Project& project);
    // The project's surface: the section view shown with the section at the
    // stake marked, or hidden when the project has no surface or no profile.
    void showSurface(const Project& project);
    // Marks the stake computed (chainage, m) in the views; none clears it.
    void markChainage(std::optional<double> chainage);

    ProfileView* profileView() const { return profile_; }
    PlanView* planView() const { return plan_; }
    SectionView* sectionView() const { return section_; }
    // The scale chosen for exported pictures (1:N).
    double pictureScale() const;
    QSize sizeHint() const override;

signals:
    // A click on the profile or the plan: the stake under it, as 桩号 takes it.
    void stakeClicked(const QString& stake);
    // The buttons "导出图片…" and "导出纵断面图…".
    void pictureExportRequested(bool plan);
    void sheetExportRequested();

private:
    // The section at a chainage, or the hint when none.
    void showSectionAt(std::optional<double> chainage);

    ProfileView* profile_;
    PlanView* plan_;
    SectionView* section_;
    Surface surface_;
    Profile sectionProfile_;  // the profile the sections take their design elevation from
    std::optional<double> marked_;
    QDoubleSpinBox* exaggeration_;
    QDoubleSpinBox* pictureScale_;
    QLabel* readout_;
    QPushButton* exportSheet_;
    QPushButton* exportPicture_;
    ChainBreakTable breaks_;
};

// The window's side of the commands with two additions for the views: it
// answers open dialogs from a list of files first (a project opened from the
// command line), and it remembers the stake file last chosen, whose last
// stake the views mark. Everything else goes to the interface it wraps.
// The superelevation and width dialogs take the first file of the list
// with their extension (*.sup, *.wid), wherever it stands, and answer none
// when the list has none; a cancelled one is not among the files opened.
class ViewsUserInterface : public UserInterface {
public:
    explicit ViewsUserInterface(UserInterface& inner) : inner_(inner) {}

    // The paths the next open dialogs answer, in order.
    void answerOpenDialogs(std::deque<std::string> paths) { answers_ = std::move(paths); }
    const std::string& lastStakeFile() const { return lastStakeFile_; }

    std::string openFile(const FileDialog& dialog) override;
    std::string saveFile(const FileDialog& dialog) override { return inner_.saveFile(dialog); }
    std::string saveFileSuggesting(const FileDialog& dialog, const std::string& suggestion) override {
        return inner_.saveFileSuggesting(dialog, suggestion);
    }
    void showDetailedMessage(const std::string& title, const std::string& text, const std::string& detail) override {
        inner_.showDetailedMessage(title, text, detail);
    }
    bool hasFileFor(const FileDialog& dialog) const override;
    std::optional<LandXmlChoice> chooseLandXml(const std::vector<LandXmlAlignmentSummary>& alignments) override {
        return inner_.chooseLandXml(alignments);
    }
    // The paths the open dialogs answered since the last clearOpened, in order.
    const std::vector<std::string>& opened() const { return opened_; }
    void clearOpened() { opened_.clear(); }
    // How many of the paths given to answerOpenDialogs are still unused.
    std::size_t unusedAnswers() const { return answers_.size(); }
    void showError(const std::string& title, const std::string& text, const std::string& detail) override {
        inner_.showError(title, text, detail);
    }
    void setClipboard(const std::string& text) override { inner_.setClipboard(text); }
    void activateMainWindow() override { inner_.activateMainWindow(); }
    void showMessage(const std::string& title, const std::string& text) override {
        inner_.showMessage(title, text);
    }

private:
    UserInterface& inner_;
    std::deque<std::string> answers_;
    std::string lastStakeFile_;
    std::vector<std::string> opened_;
};

}  // namespace gradix
