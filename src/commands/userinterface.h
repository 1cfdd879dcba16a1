// Everything the commands ask of the person goes through this interface:
// file dialogs, message boxes, bringing the main window to the front, the
// clipboard. The window implements it with Qt; tests answer from a script.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "landxml/landxml.h"
#include "stakes/messages.h"
#include "surface/surface.h"

namespace gradix {

// One file dialog of the main window: its name, title and filter as shown.
// The filter uses the "text|pattern|text|pattern" form.
struct FileDialog {
    const char* name;
    const char* title;
    const char* filter;
};

inline constexpr FileDialog ICD_DIALOG{"CommonDialog2", "读取平面ICD资料",
                                           "ICD文件(*.ICD)|*.ICD|LandXML文件(*.xml)|*.xml|所有文件（*.*)|*.*"};
inline constexpr FileDialog BREAKS_DIALOG{"CommonDialog3", "读取断链资料",
                                              "文本文件(*.txt;*.dl)|*.txt;*.dl|所有文件（*.*)|*.*"};
inline constexpr FileDialog PROFILE_DIALOG{
    "CommonDialog4", "读取纵断面设计资料",
    "文本文件(*.txt;*.zdm;*.sqx)|*.txt;*.zdm;*.sqx|所有文件(*.*)|*.*"};
inline constexpr FileDialog STAKES_DIALOG{"CommonDialog1", "读取桩号文件",
                                              "桩号文件(*.txt)|*.txt|所有文件(*.*)|*.*"};
inline constexpr FileDialog RESULT_DIALOG{"CommonDialog7", "另存桩号、高程文件",
                                              "文本文件(*.txt)|*.txt|所有文件(*.*)|*.*"};

// Title of the error box of the initialisation and compute commands.
inline constexpr const char* ERROR_TITLE = "错误";

class UserInterface : public MessageSink {
public:
    // Shows an open dialog; the chosen path, or "" when cancelled.
    virtual std::string openFile(const FileDialog& dialog) = 0;
    // Shows a save dialog; the chosen path, or "" when cancelled.
    virtual std::string saveFile(const FileDialog& dialog) = 0;
    // The same, with suggestion (a path) as the file offered; by default
    // the plain dialog.
    virtual std::string saveFileSuggesting(const FileDialog& dialog, const std::string& suggestion) {
        (void)suggestion;
        return saveFile(dialog);
    }
    // Shows a message box with the critical-stop icon; detail goes into the
    // box's details (file, line, reason).
    virtual void showError(const std::string& title, const std::string& text, const std::string& detail) = 0;
    // Shows text as showMessage does, with detail (such as the file and line
    // of a refused stake) in the box's details; by default without them.
    virtual void showDetailedMessage(const std::string& title, const std::string& text, const std::string& detail) {
        (void)detail;
        showMessage(title, text);
    }
    // Whether the interface holds the file a dialog would be answered with
    // (a project opened from a list of files); by default not.
    virtual bool hasFileFor(const FileDialog& dialog) const {
        (void)dialog;
        return false;
    }
    // Clears the clipboard and puts plain text on it.
    virtual void setClipboard(const std::string& text) = 0;
    // Asks which alignment of a LandXML file, and which of its profiles, to
    // load; nullopt when the person cancels. Without a dialog to show, the
    // first alignment and its first profile.
    virtual std::optional<LandXmlChoice> chooseLandXml(const std::vector<LandXmlAlignmentSummary>& alignments) {
        if (alignments.empty()) return LandXmlChoice{};
        return LandXmlChoice{alignments.front().name,
                             alignments.front().profiles.empty() ? std::string() : alignments.front().profiles.front()};
    }
    // Asks where the profile's elevation lies across the road and what the
    // carriageway turns about, offering current; nullopt when the person
    // cancels. Without a dialog to show, current.
    virtual std::optional<SurfaceAxes> chooseSurfaceAxes(const SurfaceAxes& current) { return current; }
};

}  // namespace gradix
