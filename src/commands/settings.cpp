#include "commands/settings.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

#include "text/failures.h"
#include "text/textfile.h"
#include "text/messages.h"

namespace gradix {

namespace {

constexpr char FOLDER_SEPARATOR = '/';
constexpr const char* SETTINGS_LINE_END = "\r\n";
constexpr const char* DEFAULT_ROTATION = "0";

bool folderIsWritable(const std::string& folder) {
    return !folder.empty() && ::access(folder.c_str(), W_OK) == 0;
}

}  // namespace

std::string programFilePath(const std::string& folder, const std::string& fileName) {
    if (!folder.empty() && folder.back() == FOLDER_SEPARATOR) return folder + fileName;
    return folder + FOLDER_SEPARATOR + fileName;
}

std::string userConfigFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        return programFilePath(xdg, "gradix");
    if (const char* home = std::getenv("HOME"); home && *home)
        return programFilePath(programFilePath(home, ".config"), "gradix");
    return "gradix";
}

SettingsFile::SettingsFile(std::string programFolder, std::string configFolder) {
    // An installed copy cannot write beside itself: the user's configuration
    // folder then serves for reading and writing alike.
    if (folderIsWritable(programFolder) || configFolder.empty()) {
        path_ = programFilePath(programFolder, SETTINGS_FILE_NAME);
    } else {
        std::error_code ignored;
        std::filesystem::create_directories(configFolder, ignored);
        path_ = programFilePath(configFolder, SETTINGS_FILE_NAME);
    }
}

SettingsFile SettingsFile::discarding() { return SettingsFile(); }

void SettingsFile::SaveSettings(const std::string& text9) const {
    if (path_.empty()) return;
    try {
        writeFileAtomically(path_, text9 + SETTINGS_LINE_END);
    } catch (const GradixError& e) {
        DataError failure(msg::settingsNotWritten(e.reason()));
        failure.locate(path_);
        throw failure;
    }
}

std::string SettingsFile::LoadSettings() const {
    if (path_.empty()) return DEFAULT_ROTATION;
    try {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path_, ec)) return DEFAULT_ROTATION;
        const std::vector<std::string> lines = readTextLines(path_);
        if (lines.empty()) return DEFAULT_ROTATION;
        return lines.front();
    } catch (...) {
        return DEFAULT_ROTATION;
    }
}

}  // namespace gradix
