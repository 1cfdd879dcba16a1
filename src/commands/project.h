// The project's data as loaded by the initialisation command and read by
// every computation until the next complete initialisation.
#pragma once

#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "profile/profile.h"
#include "stakes/chainbreaks.h"
#include "surface/superelevationruns.h"
#include "surface/surface.h"

namespace gradix {

struct Project {
    double pi = 0.0;                  // 4 × arctangent(1), set by each initialisation
    ChainBreakTable breaks;           // chain-break mode; count 0 in alignment mode
    Profile profile;                  // the grade-point table
    Alignment alignment;              // alignment mode
    SampleTable samples;              // 1 m samples of the alignment, for the pick search
    std::string icdFileName;          // path of the last ICD file loaded
    std::string breaksFileName;       // path of the last chain-break file loaded
    std::string profileFileName;      // path of the last profile file loaded
    // The cross-section (superelevation and widths), optional: loaded()
    // once loadSurface read it; cleared by each initialisation.
    Surface surface;
    std::string superelevationFileName;  // *.sup read into surface ("" for the normal crown all along)
    std::string widthFileName;           // *.wid read into surface ("" for the default section)
    // The Superelevation runs of a LandXML alignment (chainages), which give
    // surface its slopes where no *.sup is read; empty for an ICD alignment.
    std::vector<SuperelevationRun> landXmlSuperelevation;
    // The project's coordinate system (项目设置: "EPSG:4548" or a PROJ
    // string, "" for none) and the saved four-parameter fit that ties an
    // independent system to it ("" for none); kept from one initialisation
    // to the next, and remembered with the project.
    std::string crs;
    std::string transformFile;
    bool alignmentMode = false;       // whether the last load was in alignment mode
    bool initialised = false;         // true once a project has loaded completely
    // What loading the project noticed without refusing it (a field ignored,
    // lines after an empty line left unread, the remarks of a LandXML
    // reading), each as "FILE，第N行：TEXT" or, where the text names its line
    // itself ("第3行为空行，…"), "FILE：TEXT" (msg::located); the window and
    // gradix-cli show them after the load, prefixed msg::NOTE_PREFIX.
    std::vector<std::string> notes;

    // The files this project was read from (none of them may be written over).
    std::vector<std::string> inputFiles() const;
};

// 4 × arctangent(1): π as the program computes it.
double computePi();

// Whether two paths name the same existing file, also through other paths,
// symbolic or hard links; for a path that does not exist yet, whether both
// resolve to the same place. A path that cannot be resolved (a loop of
// symbolic links) names no file and is the same as nothing.
bool sameFile(const std::string& a, const std::string& b);

// Whether path names one of files (sameFile).
bool namesOneOf(const std::string& path, const std::vector<std::string>& files);

}  // namespace gradix
