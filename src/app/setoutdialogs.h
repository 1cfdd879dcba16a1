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

// The kind of dialog.
enum class SetoutDialogKind { StakeTable, CurveTable, LocatePoints, SubgradeTable };
inline constexpr std::size_t SETOUT_DIALOG_KINDS = 4;

// One dialog for the four tables; the fields that the kind needs are shown:
// interval, offsets, range (stake table), the point file and the offset limit
// (坐标反算), interval, range and ground line (路基设计表), and for all the
// format and the file. Fields are named for tests: "every", "offsets",
// "from", "to", "pointsFile", "maxOffset", "groundFile", "format", "file".
class SetoutDialog : public QDialog {
    Q_OBJECT
public:
    SetoutDialog(SetoutDialogKind kind, const QString& folder, QWidget* parent);

    StakeTableRequest stakeTableRequest() const;
    CurveTableRequest curveTableRequest() const;
    LocateRequest locateRequest() const;
    SubgradeTableRequest subgradeTableRequest() const;

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
    QComboBox* format_ = nullptr;
};

}  // namespace gradix
