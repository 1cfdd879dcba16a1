// The tables of the window's menu "输出": 逐桩坐标表, 竖曲线表, 坐标反算 (a
// point file located) and 路基设计表, each from the fields of its dialog into
// a file.
#pragma once

#include <string>

#include "commands/exports.h"
#include "commands/outcome.h"
#include "commands/project.h"
#include "setout/stakeplaces.h"
#include "setout/table.h"

namespace gradix {

// The fields of the dialog of 逐桩坐标表, as typed.
struct StakeTableRequest {
    std::string every = "20";  // m
    std::string offsets;       // m, "D,D,...", positive to the right; may be empty
    std::string from, to;      // stake texts; both empty for the whole alignment
    TableFormat format = TableFormat::Xlsx;
    std::string file;          // the table's file
};

// The fields of the dialog of 路基设计表.
struct SubgradeTableRequest {
    std::string every = "20";  // m
    std::string from, to;      // stake texts; both empty for the whole road
    std::string groundFile;    // the ground line (地面线); may be empty
    TableFormat format = TableFormat::Xlsx;
    std::string file;
};

// The fields of the dialog of 竖曲线表.
struct CurveTableRequest {
    TableFormat format = TableFormat::Xlsx;
    std::string file;
};

// The fields of the dialog of 坐标反算.
struct LocateRequest {
    std::string pointsFile;
    std::string maxOffset = "100";  // m
    TableFormat format = TableFormat::Xlsx;
    std::string file;
    std::string pointsCrs = {};     // the points' system ("" for the project's plane)
};

// The fields of the dialog of 放样点文件.
struct StakeoutRequest {
    std::string every = "20";  // m
    std::string offsets;       // m, "D,D,...", positive to the right; may be empty
    std::string from, to;      // stake texts; both empty for the whole alignment
    std::string outCrs;        // the file's system ("" for the project's plane)
    std::string file;          // .csv or .xml
};

// The fields of the dialog of 项目设置.
struct ProjectSystemsRequest {
    std::string crs;            // "EPSG:N" or a PROJ string; "" for none
    std::string transformFile;  // a saved fit; "" for none
};

// A table in its format into its file (written beside it and renamed into place).
void writeTableFile(const Table& table, TableFormat format, const std::string& file);

// The stake table of the loaded alignment (with the profile's design when a
// project is loaded in alignment mode). Refused with its reason for a field
// that is not a number, a stake the chain breaks refuse or a range the wrong
// way round; Cancelled when progress stops it; the failures of the tables
// and of the file otherwise. Once the file is written, written (when given)
// holds it and "已写入N个桩号的逐桩坐标表：NAME".
Outcome writeStakeTable(const Project& project, const StakeTableRequest& request, const Progress& progress = {},
                        OutputWritten* written = nullptr);

// The subgrade table of the loaded surface along the profile (and the
// alignment's main points in alignment mode), with the ground line when one
// is given. Refused before a surface is loaded and for the fields as
// writeStakeTable refuses them; Cancelled when progress stops it; the
// failures of the ground line, the table and the file otherwise. written
// (when given): "已写入N个桩号的路基设计表：NAME".
Outcome writeSubgradeTable(const Project& project, const SubgradeTableRequest& request,
                           const Progress& progress = {}, OutputWritten* written = nullptr);

// The vertical-curve table of the loaded profile; written (when given):
// "已写入N个变坡点的竖曲线表：NAME".
Outcome writeCurveTable(const Project& project, const CurveTableRequest& request, OutputWritten* written = nullptr);

// Every point of the point file located on the loaded alignment (with the
// design of the profile), bad lines left out and counted in skipped; with
// a points' system, each point converted into the project's system (and
// through its fit) first: a point outside a system's area of use fails the
// run, naming it, with nothing written;
// written (when given): "已写入N个测点的坐标反算表：NAME", with "，M行未读入"
// after it when lines were left out.
Outcome writeLocatedPoints(Project& project, const LocateRequest& request, std::size_t& skipped,
                           const Progress& progress = {}, OutputWritten* written = nullptr);

// The stake-out points (centre and side stakes) of the stake table's places
// into a stake-out file (writeStakeoutFile) in the project's systems;
// refused as writeStakeTable refuses; written (when given):
// "已写入N个放样点的放样点文件：NAME".
Outcome writeStakeoutPoints(const Project& project, const StakeoutRequest& request, const Progress& progress = {},
                            OutputWritten* written = nullptr);

// Sets the project's coordinate system and fit after checking them: the
// system known to PROJ, the fit's file readable. Refused with the reason.
Outcome setProjectSystems(Project& project, const ProjectSystemsRequest& request);

}  // namespace gradix
