// The views beside the classic panel: the profile view above the plan view
// (the plan shown once an alignment is loaded), a row with the vertical
// exaggeration, the picture export and the profile sheet export, and the
// read-out of the cursor.
#pragma once

#include <QString>
#include <QWidget>

#include <optional>

#include "commands/project.h"

class QDoubleSpinBox;
class QLabel;
class QPushButton;

namespace gradix {

class PlanView;
class ProfileView;

// The scale a picture of a view is exported at unless another is chosen (1:N).
inline constexpr double DEFAULT_PICTURE_SCALE = 2000;

class RoadViews : public QWidget {
    Q_OBJECT
public:
    explicit RoadViews(QWidget* parent = nullptr);

    // Shows the profile of project and, in alignment mode, its alignment.
    void showProject(const Project& project);
    // Marks the stake computed (chainage, m) in both views; none clears it.
    void markChainage(std::optional<double> chainage);

    ProfileView* profileView() const { return profile_; }
    PlanView* planView() const { return plan_; }

signals:
    // A click on the profile or the plan: the stake under it, as 桩号 takes it.
    void stakeClicked(const QString& stake);
    // The buttons "导出图片…" and "导出纵断面图…".
    void pictureExportRequested(bool plan);
    void sheetExportRequested();

private:
    ProfileView* profile_;
    PlanView* plan_;
    QDoubleSpinBox* exaggeration_;
    QLabel* readout_;
    QPushButton* exportSheet_;
    QPushButton* exportPicture_;
    ChainBreakTable breaks_;
};

}  // namespace gradix
