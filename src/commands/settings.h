// The settings file gradix.ini: one line, the rotation angle of the drawing
// annotation (the text of Text9, unchanged and not validated).
#pragma once

#include <string>

namespace gradix {

inline constexpr const char* SETTINGS_FILE_NAME = "gradix.ini";

// Path of a file beside the program: the folder text, then the separator
// unless the folder text already ends with one, then the file name.
std::string programFilePath(const std::string& folder, const std::string& fileName);

class SettingsFile {
public:
    // programFolder: the folder of the program. configFolder: the user's
    // configuration folder, used for both reading and writing when the
    // program's folder cannot be written (an installed copy).
    SettingsFile(std::string programFolder, std::string configFolder);

    // Settings that are neither read nor kept (gradix-cli has no window
    // whose rotation angle would need keeping): SaveSettings does nothing
    // and LoadSettings answers "0".
    static SettingsFile discarding();

    // Where the settings are read and written.
    const std::string& path() const { return path_; }

    // SaveSettings: creates the file anew with text9 and CR LF.
    // Raises DataError when it cannot be written.
    void SaveSettings(const std::string& text9) const;

    // LoadSettings: the first line of the file, or "0" when the file is
    // missing, empty or cannot be read. Never raises.
    std::string LoadSettings() const;

private:
    SettingsFile() = default;
    std::string path_;  // "" for settings that are not kept
};

// The user's configuration folder for Gradix ($XDG_CONFIG_HOME/gradix or
// ~/.config/gradix).
std::string userConfigFolder();

}  // namespace gradix
