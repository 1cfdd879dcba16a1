// The files of a project as the window handles them outside the dialogs:
// the projects remembered for 最近项目, and data files dropped on the window
// sorted into the order the initialisation reads them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace gradix {

// File of the remembered projects, beside the settings file.
inline constexpr const char* RECENT_PROJECTS_FILE_NAME = "gradix-recent.txt";
// How many projects are remembered.
inline constexpr std::size_t MAX_RECENT_PROJECTS = 8;

// The mode and the files of one initialisation, in the order it read them:
// the ICD or LandXML file (alignment mode) or the chain-break file, then the
// profile (none when a LandXML file brought its own).
struct ProjectFiles {
    bool alignmentMode = false;
    std::vector<std::string> files;
    // The project's coordinate system and four-parameter file ("" for none).
    std::string crs = {};
    std::string transform = {};

    bool operator==(const ProjectFiles&) const = default;
};

// "road.dl, road.zdm": the file names without their folders, in order.
std::string projectFileNames(const ProjectFiles& project);

// Whether a file is read in alignment mode, by its extension: an ICD or a
// LandXML file (any case).
bool isAlignmentFile(const std::string& path);

// The projects last initialised, newest first, kept in a text file of one
// line per project ("alignment" or "breaks", then the files, then
// "crs=SYSTEM" and "transform=FILE" when the project has them, separated by
// tabs). Lines this version does not understand are kept as they are, after
// the projects, up to eight of them; lines of more than 64 KiB are no
// project and are passed over unread, so a damaged or foreign file costs
// neither the projects in it nor a large file written back.
class RecentProjects {
public:
    // path: the file; "" keeps nothing (remember and save do nothing).
    explicit RecentProjects(std::string path = "");

    const std::string& path() const { return path_; }
    const std::vector<ProjectFiles>& projects() const { return projects_; }

    // Reads the file; a missing or unreadable file is an empty list, a line
    // that is no project is left out. Never raises.
    void load();
    // Puts project first (once: an entry of the same files moves up, with
    // the systems of project) and keeps the
    // newest MAX_RECENT_PROJECTS. A project with a file name holding a tab
    // or a line end cannot be kept in the file and is left out.
    void remember(const ProjectFiles& project);
    // Removes every project.
    void clear();
    // Writes the file atomically (writeFileAtomically). Raises DataError
    // located at the file when it cannot be written.
    void save() const;

private:
    std::string path_;
    std::vector<ProjectFiles> projects_;
    std::vector<std::string> unknownLines_;
};

// The files of a project that do not exist (or are no regular files).
std::vector<std::string> missingFiles(const ProjectFiles& project);

// Data files dropped on the window, sorted by their extensions (any case):
// .ICD an alignment, .xml a LandXML alignment, .dl chain breaks, .zdm and
// .sqx a profile.
struct DroppedFiles {
    ProjectFiles project;              // in the order of the initialisation
    std::vector<std::string> unknown;  // files of no known extension
    std::string profile;               // the profile dropped, "" for none
    // Why the files make no project ("" when they do): in Chinese, for the person.
    std::string problem;

    bool usable() const { return problem.empty(); }
};

// Sorts paths (in any order) into a project. It needs exactly one of an
// ICD, LandXML or chain-break file and one profile (a LandXML file may come
// without: it may bring its own, or the profile dialog asks for it), at most
// one superelevation (*.sup) and one width file (*.wid), put after the
// profile, and no file of an unknown extension.
DroppedFiles sortDroppedFiles(const std::vector<std::string>& paths);

}  // namespace gradix
