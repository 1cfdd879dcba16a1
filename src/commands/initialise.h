// The initialisation command: loads a project in alignment mode (ICD file)
// or chain-break mode (chain-break file), then the profile and, where the
// road's folder holds them, the superelevation and width files, and makes
// the computing controls usable.
#pragma once

#include <string>

#include "commands/form.h"
#include "commands/outcome.h"
#include "commands/project.h"
#include "commands/settings.h"
#include "commands/userinterface.h"

namespace gradix {

// The dialogs of the cross-section files.
inline constexpr FileDialog SUPERELEVATION_DIALOG{"superelevationDialog", "读取超高资料",
                                                  "超高文件(*.sup)|*.sup|所有文件(*.*)|*.*"};
inline constexpr FileDialog WIDTH_DIALOG{"widthDialog", "读取宽度资料", "宽度文件(*.wid)|*.wid|所有文件(*.*)|*.*"};

// Runs the whole command under one error trap. The files are loaded into a
// new project, built on the tables in force (an empty chain-break file keeps
// the table in force; each mode keeps what the other loaded), which replaces
// project only when every file has loaded. A failure (the error box's text
// and detail) or a stake of the profile refused (its message) leaves the
// project in force and its controls as they were, and the status line says
// what that project asks for (or, with none loaded, the starting text).
// After the profile, the dialog of the superelevation file is shown when the
// profile's folder (a LandXML file's own, where it brought the profile)
// holds a *.sup file (or the interface holds one for it: hasFileFor), and
// then the width file's likewise for a *.wid file; a cancelled one means no file of that kind (the default section),
// both cancelled or not asked no surface. Every initialisation clears the
// surface of the project in force.
// After a complete load in single-stake mode the cursor is in Text1.
// What the load noticed without refusing is in project.notes (the window
// shows them). Shows nothing of its outcome.
Outcome initialise(Project& project, Form& form, UserInterface& ui, const SettingsFile& settings);

// The loading steps of the command, each into a project being built (the
// command line loads its project through them too):
// the ICD file, its element chain and (unless told, for a command that
// never locates a point) its sample table (alignment mode, chain breaks off);
enum class SampleTableNeed { Build, Skip };
void loadAlignment(Project& next, const std::string& icdPath, SampleTableNeed samples = SampleTableNeed::Build);
// the chain-break file (chain-break mode);
void loadChainBreaks(Project& next, const std::string& breaksPath);
// the profile, converted through the chain-break table of next: Done, or
// Refused with the message of the stake refused and the file and line.
// The chain-break and profile steps add their readers' notes (a radius not
// read, lines left after an empty line) to next.notes as "FILE：TEXT".
// Each raises what its reader raises.
Outcome loadProfile(Project& next, const std::string& profilePath);

// The cross-section files, read after the profile through next's chain
// breaks: a superelevation file and a width file, either of them "" for the
// default section (crownSection) all along, and where the design line and the
// pivot lie. Without a superelevation file, a LandXML alignment's runs
// (next.landXmlSuperelevation) give the slopes on the default crown. Sets next.surface (prepared) and its file names; raises what
// the readers and prepareSurface raise.
struct SurfaceFiles {
    std::string superelevation;
    std::string widths;
    DesignLine designLine = DesignLine::Centre;
    Pivot pivot = Pivot::Centre;
    // The section where a file is not given (its crown also that of a
    // LandXML alignment's superelevation runs).
    Section section = crownSection();
    bool any() const { return !superelevation.empty() || !widths.empty(); }
};
void loadSurface(Project& next, const SurfaceFiles& files);

// 文件 → "载入超高和宽度…": asks for the superelevation file, then the width
// file (a cancelled dialog: none of that kind), and loads them into the
// project in force through its chain breaks (loadSurface, the centre as
// design line and pivot). Refused before a project is loaded; Cancelled
// when both dialogs are; a failure leaves the project as it was. Once done,
// status holds "已载入超高和宽度：A.sup、B.wid" ("默认" for a file not given).
Outcome loadSurfaceFiles(Project& project, UserInterface& ui, std::string& status);

// The status line for the project in force: what a complete initialisation
// in its mode sets, or the starting text of the mode Check1 chooses when
// no project is loaded.
const char* statusOf(const Project& project, const Form& form);

}  // namespace gradix
