// The dialogs of the menu "输出": 逐桩坐标表, 竖曲线表, 坐标反算 and 路基设计表. Each only
// collects its fields into a request; the tables are made in src/commands.
#pragma once

#include <QDialog>

#include "commands/tables.h"

class QComboBox;
class QLineEdit;

namespace gradix {

// The menu and its entries.
inline constexpr const char* OUTPUT_MENU_CAPTION = "输出";
inline constexpr const char* STAKE_TABLE_CAPTION = "逐桩坐标表…";
inline constexpr const char* CURVE_TABLE_CAPTION = "竖曲线表…";
inline constexpr const char* LOCATE_POINTS_CAPTION = "坐标反算…";
inline constexpr const char* SUBGRADE_TABLE_CAPTION = "路基设计表…";
inline constexpr const char* STAKEOUT_CAPTION = "放样点文件…";
// The entry of the menu 文件 with the project's coordinate system.
inline constexpr const char* PROJECT_SETTINGS_CAPTION = "项目设置…";

// The kind of dialog.
enum class SetoutDialogKind { StakeTable, CurveTable, LocatePoints, SubgradeTable, Stakeout };
inline constexpr std::size_t SETOUT_DIALOG_KINDS = 5;

// One dialog for the four tables and the stake-out file; the fields that the
// kind needs are shown: interval, offsets, range (stake table, and with the
// file's system the stake-out file), the point file, its system and the
// offset limit (坐标反算), interval, range and ground line (路基设计表), and
// for all the file and, but for the stake-out file (told by its extension),
// the format. Fields are named for tests: "every", "offsets", "from", "to",
// "pointsFile", "pointsCrs", "maxOffset", "groundFile", "outCrs", "format",
// "file".
class SetoutDialog : public QDialog {
    Q_OBJECT
public:
    SetoutDialog(SetoutDialogKind kind, const QString& folder, QWidget* parent);

    StakeTableRequest stakeTableRequest() const;
    CurveTableRequest curveTableRequest() const;
    LocateRequest locateRequest() const;
    SubgradeTableRequest subgradeTableRequest() const;
    StakeoutRequest stakeoutRequest() const;

private:
    TableFormat format() const;
    void chooseFile();
    void choosePoints();
    void chooseGround();
    void formatChanged();

    SetoutDialogKind kind_;
    QString folder_;
    QLineEdit *every_ = nullptr, *offsets_ = nullptr, *from_ = nullptr, *to_ = nullptr;
    QLineEdit *pointsFile_ = nullptr, *maxOffset_ = nullptr, *groundFile_ = nullptr, *file_ = nullptr;
    QLineEdit *pointsCrs_ = nullptr, *outCrs_ = nullptr;
    QComboBox* format_ = nullptr;
};

// 项目设置: the project's coordinate system and its four-parameter file,
// fields "crs" and "transformFile".
class ProjectSettingsDialog : public QDialog {
    Q_OBJECT
public:
    ProjectSettingsDialog(const ProjectSystemsRequest& current, const QString& folder, QWidget* parent);
    ProjectSystemsRequest request() const;

private:
    QLineEdit *crs_ = nullptr, *transformFile_ = nullptr;
};

}  // namespace gradix
