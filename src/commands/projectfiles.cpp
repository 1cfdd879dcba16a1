#include "commands/projectfiles.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <system_error>

#include "text/ascii.h"
#include "text/failures.h"
#include "text/messages.h"
#include "text/textfile.h"

namespace gradix {

namespace {

constexpr char FIELD_SEPARATOR = '\t';
constexpr const char* LINE_END = "\r\n";
constexpr const char* ALIGNMENT_KEY = "alignment";
constexpr const char* BREAKS_KEY = "breaks";
// The project's systems after its files.
constexpr std::string_view CRS_KEY = "crs=";
constexpr std::string_view TRANSFORM_KEY = "transform=";
constexpr const char* NAME_SEPARATOR = ", ";

// What a dropped file is, by its extension.
enum class Role { Alignment, LandXml, Breaks, Profile, Superelevation, Widths, Unknown };

Role roleOf(const std::string& path) {
    const std::string ext = upperCaseAscii(std::filesystem::path(path).extension().string());
    if (ext == ".ICD") return Role::Alignment;
    if (ext == ".XML") return Role::LandXml;
    if (ext == ".DL") return Role::Breaks;
    if (ext == ".ZDM" || ext == ".SQX") return Role::Profile;
    if (ext == ".SUP") return Role::Superelevation;
    if (ext == ".WID") return Role::Widths;
    return Role::Unknown;
}

std::string fileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

std::string joinedNames(const std::vector<std::string>& paths, const char* separator = "、") {
    std::string out;
    for (const std::string& p : paths) out += (out.empty() ? "" : separator) + fileName(p);
    return out;
}

bool fitsOneLine(const std::string& path) {
    return !path.empty() && path.find_first_of("\t\r\n") == std::string::npos;
}

// One line of the file: the mode key, then the files; false for a line
// this version does not understand.
bool parseLine(const std::string& line, ProjectFiles& project) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find(FIELD_SEPARATOR, start)) != std::string::npos; start = tab + 1)
        fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    if (fields.size() < 2) return false;
    if (fields.front() == ALIGNMENT_KEY) project.alignmentMode = true;
    else if (fields.front() == BREAKS_KEY) project.alignmentMode = false;
    else return false;
    for (auto f = fields.begin() + 1; f != fields.end(); ++f) {
        if (f->rfind(CRS_KEY, 0) == 0)
            project.crs = f->substr(CRS_KEY.size());
        else if (f->rfind(TRANSFORM_KEY, 0) == 0)
            project.transform = f->substr(TRANSFORM_KEY.size());
        else
            project.files.push_back(*f);
    }
    return !project.files.empty() && std::all_of(project.files.begin(), project.files.end(), fitsOneLine);
}

// Lines longer than this (bytes) are no project of this or a later version
// (a project is a few paths of at most 4096 bytes): they are passed over
// unread. Unknown lines kept for a later version: at most MAX_KEPT_LINES,
// so that the file written back stays small whatever was found in it.
constexpr std::size_t MAX_PROJECT_LINE_BYTES = std::size_t{1} << 16;
constexpr std::size_t MAX_KEPT_LINES = MAX_RECENT_PROJECTS;
constexpr std::size_t READ_CHUNK = std::size_t{1} << 16;

// Calls take on each non-empty line of the file (ended by CR, LF or CR LF)
// of at most MAX_PROJECT_LINE_BYTES, as bytes; a longer line is passed over without
// being held. Stops when take answers false or the file cannot be read.
void forEachShortLine(const std::string& path, const std::function<bool(const std::string&)>& take) {
    std::ifstream in(path, std::ios::binary);
    std::string chunk(READ_CHUNK, '\0'), line;
    bool tooLong = false;
    const auto end = [&] {
        const bool more = tooLong || line.empty() || take(line);
        line.clear();
        tooLong = false;
        return more;
    };
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = chunk.begin() + in.gcount();
        for (auto at = chunk.begin(); at != got;) {
            const auto lineEnd = std::find_if(at, got, [](char c) { return c == '\r' || c == '\n'; });
            if (!tooLong && line.size() + static_cast<std::size_t>(lineEnd - at) <= MAX_PROJECT_LINE_BYTES) {
                line.append(at, lineEnd);
            } else {
                tooLong = true;
                line.clear();
            }
            if (lineEnd == got) break;
            if (!end()) return;
            at = lineEnd + 1;
        }
    }
    end();
}

}  // namespace

std::string projectFileNames(const ProjectFiles& project) { return joinedNames(project.files, NAME_SEPARATOR); }

bool isAlignmentFile(const std::string& path) {
    const Role role = roleOf(path);
    return role == Role::Alignment || role == Role::LandXml;
}

RecentProjects::RecentProjects(std::string path) : path_(std::move(path)) {}

void RecentProjects::load() {
    projects_.clear();
    unknownLines_.clear();
    if (path_.empty()) return;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path_, ec)) return;
    try {
        forEachShortLine(path_, [&](const std::string& bytes) {
            const std::string line = decodeText(bytes);
            ProjectFiles project;
            if (parseLine(line, project)) {
                if (projects_.size() < MAX_RECENT_PROJECTS &&
                    std::find(projects_.begin(), projects_.end(), project) == projects_.end())
                    projects_.push_back(std::move(project));
            } else if (unknownLines_.size() < MAX_KEPT_LINES) {
                unknownLines_.push_back(line);
            }
            return projects_.size() < MAX_RECENT_PROJECTS || unknownLines_.size() < MAX_KEPT_LINES;
        });
    } catch (const GradixError&) {
        // An undecodable line (no GB18030 decoder): the projects read so far stay.
    }
}

void RecentProjects::remember(const ProjectFiles& project) {
    if (path_.empty() || project.files.empty() ||
        !std::all_of(project.files.begin(), project.files.end(), fitsOneLine))
        return;
    projects_.erase(std::remove_if(projects_.begin(), projects_.end(),
                                   [&project](const ProjectFiles& p) {
                                       return p.alignmentMode == project.alignmentMode && p.files == project.files;
                                   }),
                    projects_.end());
    projects_.insert(projects_.begin(), project);
    if (projects_.size() > MAX_RECENT_PROJECTS) projects_.resize(MAX_RECENT_PROJECTS);
}

void RecentProjects::clear() { projects_.clear(); }

void RecentProjects::save() const {
    if (path_.empty()) return;
    std::string text;
    for (const ProjectFiles& p : projects_) {
        text += p.alignmentMode ? ALIGNMENT_KEY : BREAKS_KEY;
        for (const std::string& f : p.files) text += FIELD_SEPARATOR + f;
        if (fitsOneLine(p.crs)) text += FIELD_SEPARATOR + std::string(CRS_KEY) + p.crs;
        if (fitsOneLine(p.transform)) text += FIELD_SEPARATOR + std::string(TRANSFORM_KEY) + p.transform;
        text += LINE_END;
    }
    for (const std::string& line : unknownLines_) text += line + LINE_END;
    try {
        writeFileAtomically(path_, text);
    } catch (const GradixError& e) {
        DataError failure(msg::recentProjectsNotWritten(e.reason()));
        failure.locate(path_);
        throw failure;
    }
}

std::vector<std::string> missingFiles(const ProjectFiles& project) {
    std::vector<std::string> missing;
    for (const std::string& f : project.files) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(f, ec)) missing.push_back(f);
    }
    return missing;
}

DroppedFiles sortDroppedFiles(const std::vector<std::string>& paths) {
    DroppedFiles dropped;
    std::vector<std::string> alignments, landXml, breaks, profiles, superelevations, widths;
    for (const std::string& p : paths) {
        switch (roleOf(p)) {
            case Role::Alignment: alignments.push_back(p); break;
            case Role::LandXml: landXml.push_back(p); break;
            case Role::Breaks: breaks.push_back(p); break;
            case Role::Profile: profiles.push_back(p); break;
            case Role::Superelevation: superelevations.push_back(p); break;
            case Role::Widths: widths.push_back(p); break;
            case Role::Unknown: dropped.unknown.push_back(p); break;
        }
    }
    std::vector<std::string> roads = alignments;
    roads.insert(roads.end(), landXml.begin(), landXml.end());
    roads.insert(roads.end(), breaks.begin(), breaks.end());
    if (!dropped.unknown.empty())
        dropped.problem = "无法识别的文件：" + joinedNames(dropped.unknown) +
                          "。\n可拖入的数据文件：平面ICD文件(*.ICD)、LandXML文件(*.xml)、断链文件(*.dl)、"
                          "纵断面文件(*.zdm、*.sqx)、超高文件(*.sup)、宽度文件(*.wid)。";
    else if (roads.size() > 1)
        dropped.problem = "只能拖入一个平面或断链文件，拖入了：" + joinedNames(roads) + "。";
    else if (roads.empty())
        dropped.problem = "缺少平面ICD文件、LandXML文件或断链文件。";
    else if (profiles.size() > 1)
        dropped.problem = "只能拖入一个纵断面文件，拖入了：" + joinedNames(profiles) + "。";
    else if (profiles.empty() && landXml.empty())
        dropped.problem = "缺少纵断面文件(*.zdm、*.sqx)。";
    else if (superelevations.size() > 1 || widths.size() > 1)
        dropped.problem = "只能拖入一个超高文件和一个宽度文件，拖入了：" +
                          joinedNames(superelevations.size() > 1 ? superelevations : widths) + "。";
    if (!dropped.usable()) return dropped;
    dropped.project.alignmentMode = breaks.empty();
    dropped.project.files = {roads.front()};
    if (!profiles.empty()) dropped.project.files.push_back(dropped.profile = profiles.front());
    // The cross-section files after the profile, as the initialisation asks for them.
    if (!superelevations.empty()) dropped.project.files.push_back(superelevations.front());
    if (!widths.empty()) dropped.project.files.push_back(widths.front());
    return dropped;
}

}  // namespace gradix
