// The dialogs of the menu "输出": 逐桩坐标表, 竖曲线表 and 坐标反算. Each only
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

// The kind of dialog.
enum class SetoutDialogKind { StakeTable, CurveTable, LocatePoints };
inline constexpr std::size_t SETOUT_DIALOG_KINDS = 3;

// One dialog for the three tables; the fields that the kind needs are shown:
// interval, offsets, range (stake table), the point file and the offset limit
// (坐标反算), and for all the format and the file. Fields are named for
// tests: "every", "offsets", "from", "to", "pointsFile", "maxOffset",
// "format", "file".
class SetoutDialog : public QDialog {
    Q_OBJECT
public:
    SetoutDialog(SetoutDialogKind kind, const QString& folder, QWidget* parent);

    StakeTableRequest stakeTableRequest() const;
    CurveTableRequest curveTableRequest() const;
    LocateRequest locateRequest() const;

private:
    TableFormat format() const;
    void chooseFile();
    void choosePoints();
    void formatChanged();

    SetoutDialogKind kind_;
    QString folder_;
    QLineEdit *every_ = nullptr, *offsets_ = nullptr, *from_ = nullptr, *to_ = nullptr;
    QLineEdit *pointsFile_ = nullptr, *maxOffset_ = nullptr, *file_ = nullptr;
    QComboBox* format_ = nullptr;
};

}  // namespace gradix
