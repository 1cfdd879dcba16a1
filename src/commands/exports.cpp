#include "commands/exports.h"

#include <filesystem>

#include "commands/trap.h"
#include "text/numbers.h"
#include "views/profilesheet.h"

namespace gradix {

namespace {

std::string fileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

Outcome exportFailed(const std::string& detail) {
    return {OutcomeKind::Failed, FailureKind::Data, EXPORT_FAILED_TEXT, detail, false};
}

// An export's own failure (a file read, a sheet that cannot be made) says
// "导出失败！", not the reading's texts.
Outcome asExportFailure(const Outcome& outcome) {
    if (outcome.kind != OutcomeKind::Failed || outcome.failure == FailureKind::Internal) return outcome;
    return exportFailed(outcome.detail.empty() ? outcome.message : outcome.detail);
}

}  // namespace

std::string writtenStatus(std::size_t count, const std::string& what, const std::string& file) {
    return "已写入" + std::to_string(count) + "个" + what + "：" + fileName(file);
}

Outcome exportViewPicture(const Project& project, UserInterface& ui, PictureSource& view, double scale,
                          OutputWritten& written) {
    if (!view.hasPicture()) return Outcome::cancelled();
    const std::string path = ui.saveFile(VIEW_PICTURE_DIALOG);
    if (path.empty()) return Outcome::cancelled();  // the dialog was cancelled
    if (namesOneOf(path, project.inputFiles())) return exportFailed(msg::chosenFileIsInput(path));
    const std::string failed = view.writePicture(path, scale);
    if (!failed.empty()) return exportFailed(failed);
    written = {path, "已导出" + view.pictureName() + "图片（1:" + shortDecimal(scale) + "）：" + fileName(path),
               std::nullopt};
    return Outcome::done();
}

Outcome exportProfileSheet(const Project& project, UserInterface& ui, OutputWritten& written) {
    if (project.profile.gradePointCount < 2) return Outcome::cancelled();
    const std::string path = ui.saveFile(PROFILE_SHEET_DIALOG);
    if (path.empty()) return Outcome::cancelled();  // the dialog was cancelled
    return asExportFailure(runTrapped([&] {
        if (namesOneOf(path, project.inputFiles())) return exportFailed(msg::chosenFileIsInput(path));
        const ProfileSheetSource source{project.profile, project.breaks,
                                        project.alignment.elemCount >= 1 ? &project.alignment : nullptr,
                                        project.surface.loaded() ? &project.surface : nullptr, nullptr};
        ProfileSheets sheets;
        try {
            sheets = profileSheets(source, ProfileSheetOptions{});
        } catch (GradixError& error) {
            error.locate(path);
            throw;
        }
        writeProfileSheets({path}, sheets);
        written = {path,
                   "已导出" + std::to_string(project.profile.gradePointCount) + "个变坡点的纵断面图：" + fileName(path),
                   sheets.pages.front().frame};
        return Outcome::done();
    }));
}

}  // namespace gradix
