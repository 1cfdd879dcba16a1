#include "commands/tables.h"

#include <sstream>

#include "commands/stakeoutfile.h"
#include "commands/trap.h"
#include "setout/curvestable.h"
#include "setout/stakestable.h"
#include "setout/subgradetable.h"
#include "setout/surveypoints.h"
#include "stakes/stakes.h"
#include "text/dataline.h"
#include "text/numbers.h"
#include "text/textfile.h"
#include "text/messages.h"

namespace gradix {

namespace {

// Located points between two looks at progress.
constexpr std::size_t PROGRESS_STEP = 256;

struct KeptMessage : MessageSink {
    void activateMainWindow() override {}
    void showMessage(const std::string&, const std::string& text) override { last = text; }
    std::string last;
};

std::optional<double> fieldNumber(const std::string& text) { return parseStrictNumber(trimBlanks(text)); }

Outcome notLoaded(const char* what) {
    return Outcome::refused(std::string("请先初始化") + what + "。", msg::notLoaded(what));
}

// The chainage of a range's stake field, through the project's chain breaks.
Outcome rangeChainage(const Project& project, const std::string& stake, std::optional<double>& chainage) {
    if (trimBlanks(stake).empty()) return Outcome::done();
    KeptMessage sink;
    std::int16_t accepted = 1;
    const std::string qualified = zh_dlstr(project.breaks, trimBlanks(stake), sink, accepted);
    if (accepted == 0) return Outcome::refused(sink.last, msg::stakeDetail(stake, msg::STAKE_REFUSED));
    chainage = dlstr_sj(project.breaks, qualified);
    return Outcome::done();
}

// The interval and the range of a table's dialog.
template <class Options>
Outcome rangeOptions(const Project& project, const std::string& everyText, const std::string& from,
                     const std::string& to, Options& o) {
    const std::optional<double> every = fieldNumber(everyText);
    if (!every || !(*every > 0.0)) return Outcome::refused("桩距应为大于0的数。", msg::intervalNotPositive(everyText));
    o.every = *every;
    if (Outcome f = rangeChainage(project, from, o.fromChainage); !f) return f;
    if (Outcome t = rangeChainage(project, to, o.toChainage); !t) return t;
    if (o.fromChainage && o.toChainage && *o.fromChainage > *o.toChainage)
        return Outcome::refused("起点桩号不应在终点桩号之后。", msg::rangeReversed(from, to));
    return Outcome::done();
}

// The project's systems with the points' or the file's.
FieldSystems projectSystems(const Project& project, const std::string& pointsCrs, const std::string& outCrs) {
    FieldSystems s{project.crs, trimBlanks(pointsCrs), trimBlanks(outCrs), std::nullopt};
    if (!project.transformFile.empty()) s.transform = readFieldTransform(project.transformFile);
    return s;
}

// "D,D,..." of an offsets field.
Outcome offsetsOf(const std::string& text, std::vector<double>& offsets) {
    std::istringstream fields(text);
    for (std::string field; std::getline(fields, field, ',');) {
        if (trimBlanks(field).empty()) continue;
        const std::optional<double> d = fieldNumber(field);
        if (!d) return Outcome::refused("边桩距应为以逗号分隔的数。", msg::offsetNotNumber(field));
        offsets.push_back(*d);
    }
    return Outcome::done();
}

// The stakes of a table along the alignment from a dialog's fields: the
// range, the interval and the offsets; refused without an alignment.
Outcome alignmentStakes(const Project& project, const std::string& every, const std::string& from,
                        const std::string& to, const std::string& offsets, StakeTableOptions& o) {
    if (!project.alignmentMode || project.alignment.elemCount < 1) return notLoaded("平面线形（ICD文件）");
    if (Outcome range = rangeOptions(project, every, from, to, o); !range) return range;
    return offsetsOf(offsets, o.offsets);
}

}  // namespace

void writeTableFile(const Table& table, TableFormat format, const std::string& file) {
    if (format == TableFormat::Xlsx)
        writeXlsx(table, file);
    else
        writeFileAtomically(file, tableText(table, format));
}

Outcome writeStakeTable(const Project& project, const StakeTableRequest& r, const Progress& progress,
                        OutputWritten* written) {
    return runTrapped([&]() -> Outcome {
        StakeTableOptions o;
        if (Outcome stakes = alignmentStakes(project, r.every, r.from, r.to, r.offsets, o); !stakes) return stakes;
        const Profile* profile = project.profile.gradePointCount > 0 ? &project.profile : nullptr;
        const std::optional<std::vector<StakeRow>> rows =
            stakeTable(project.alignment, project.breaks, profile, o, progress);
        if (!rows) return Outcome::cancelled();
        writeTableFile(stakeTableColumns(*rows, project.breaks, o.offsets, profile != nullptr), r.format, r.file);
        if (written) {
            *written = {r.file, writtenStatus(rows->size(), "桩号的逐桩坐标表", r.file), std::nullopt};
            if (const std::string note = stakeTableRangeNote(project.alignment, project.breaks, o); !note.empty())
                written->status += "；" + note;
        }
        return Outcome::done();
    });
}

Outcome writeSubgradeTable(const Project& project, const SubgradeTableRequest& r, const Progress& progress,
                           OutputWritten* written) {
    return runTrapped([&]() -> Outcome {
        if (!project.surface.loaded()) return notLoaded("超高和宽度（超高文件、宽度文件）");
        SubgradeTableOptions o;
        if (Outcome range = rangeOptions(project, r.every, r.from, r.to, o); !range) return range;
        std::optional<GroundLine> ground;
        if (!trimBlanks(r.groundFile).empty()) ground = readGroundLine(trimBlanks(r.groundFile), project.breaks);
        const Alignment* alignment = project.alignmentMode && project.alignment.elemCount > 0 ? &project.alignment
                                                                                             : nullptr;
        const std::optional<std::vector<SubgradeRow>> rows =
            subgradeRows(project.surface, project.profile, project.breaks, alignment, o,
                         ground ? &*ground : nullptr, progress);
        if (!rows) return Outcome::cancelled();
        writeTableFile(subgradeTableColumns(*rows, project.breaks, ground.has_value()), r.format, r.file);
        if (written) *written = {r.file, writtenStatus(rows->size(), "桩号的路基设计表", r.file), std::nullopt};
        return Outcome::done();
    });
}

Outcome writeCurveTable(const Project& project, const CurveTableRequest& r, OutputWritten* written) {
    return runTrapped([&]() -> Outcome {
        if (project.profile.gradePointCount < 1) return notLoaded("纵断面（变坡点文件）");
        const std::vector<CurveRow> rows = verticalCurveTable(project.profile, project.breaks);
        writeTableFile(curveTableColumns(rows, project.breaks), r.format, r.file);
        if (written) *written = {r.file, writtenStatus(rows.size(), "变坡点的竖曲线表", r.file), std::nullopt};
        return Outcome::done();
    });
}

Outcome writeLocatedPoints(Project& project, const LocateRequest& r, std::size_t& skipped, const Progress& progress,
                           OutputWritten* written) {
    skipped = 0;
    return runTrapped([&]() -> Outcome {
        if (!project.alignmentMode || project.alignment.elemCount < 1) return notLoaded("平面线形（ICD文件）");
        const std::optional<double> maxOffset = fieldNumber(r.maxOffset);
        if (!maxOffset || !(*maxOffset >= 0.0))
            return Outcome::refused("偏距限值应为不小于0的数。", msg::notADistance(r.maxOffset));
        const FieldSystems systems = projectSystems(project, r.pointsCrs, "");
        const std::optional<PointsIntoProject> into =
            systems.convertsPoints() ? std::optional<PointsIntoProject>(PointsIntoProject(systems)) : std::nullopt;
        const SurveyPointFile file = readSurveyPoints(r.pointsFile, true, into && into->latLon());
        skipped = file.skipped.size();
        const Profile* profile = project.profile.gradePointCount > 0 ? &project.profile : nullptr;
        const Surface* surface = project.surface.loaded() ? &project.surface : nullptr;
        std::vector<LocatedPoint> rows;
        rows.reserve(file.points.size());
        for (std::size_t i = 0; i < file.points.size(); ++i) {
            if (progress && i % PROGRESS_STEP == 0 && !progress(i, file.points.size())) return Outcome::cancelled();
            SurveyPoint point = file.points[i];
            try {
                if (into) point = into->convert(point);
            } catch (DataError& e) {
                e.locate(r.pointsFile, point.line);
                return Outcome::failed(e);
            }
            try {
                rows.push_back(locateSurveyPoint(project.alignment, project.samples, project.breaks, profile,
                                                 point, *maxOffset, surface));
            } catch (GradixError& e) {
                e.locate(r.pointsFile, file.points[i].line);
                throw;
            }
        }
        writeTableFile(locatedPointColumns(rows, surface != nullptr), r.format, r.file);
        if (written) {
            *written = {r.file, writtenStatus(rows.size(), "测点的坐标反算表", r.file), std::nullopt};
            if (skipped > 0) written->status += "，" + std::to_string(skipped) + "行未读入";
        }
        if (skipped > 0) {
            DataError first = file.skipped.front();
            return Outcome::failed(DataError(msg::badLinesLeftOutFirst(skipped, first.detail(), r.file)));
        }
        return Outcome::done();
    });
}

Outcome writeStakeoutPoints(const Project& project, const StakeoutRequest& r, const Progress& progress,
                            OutputWritten* written) {
    return runTrapped([&]() -> Outcome {
        StakeTableOptions o;
        if (Outcome stakes = alignmentStakes(project, r.every, r.from, r.to, r.offsets, o); !stakes) return stakes;
        const FieldSystems systems = projectSystems(project, "", r.outCrs);
        const Profile* profile = project.profile.gradePointCount > 0 ? &project.profile : nullptr;
        const std::optional<std::vector<StakeRow>> rows =
            stakeTable(project.alignment, project.breaks, profile, o, progress);
        if (!rows) return Outcome::cancelled();
        const Surface* surface = project.surface.loaded() ? &project.surface : nullptr;
        const std::vector<StakeoutPoint> points = stakeoutPointsOfTable(*rows, project.breaks, o.offsets, surface);
        writeStakeoutFile(r.file, points, systems);
        if (written) *written = {r.file, writtenStatus(points.size(), "放样点的放样点文件", r.file), std::nullopt};
        return Outcome::done();
    });
}

Outcome setProjectSystems(Project& project, const ProjectSystemsRequest& r) {
    return runTrapped([&]() -> Outcome {
        const std::string crs = trimBlanks(r.crs), transform = trimBlanks(r.transformFile);
        if (!crs.empty()) describeCrs(crs);
        if (!transform.empty()) readFieldTransform(transform);
        project.crs = crs;
        project.transformFile = transform;
        return Outcome::done();
    });
}

}  // namespace gradix
