// A LandXML file as a project: its alignment, station equations and profile
// loaded into the tables every command reads, as alignment mode loads an ICD
// file (and a profile file).
#pragma once

#include <string>
#include <vector>

#include "commands/project.h"
#include "landxml/landxml.h"

namespace gradix {

// Filter entry of the alignment dialog for LandXML files.
inline constexpr const char* LANDXML_FILTER = "LandXML文件(*.xml)";

// True when the path names a LandXML file (extension .xml, any case).
bool isLandXmlPath(const std::string& path);

// The loading step of alignment mode for a LandXML file, into a project
// being built (see initialise.h): the chosen alignment (see readLandXml) and
// its sample table, the equations as the chain-break table, the profile
// when the file's alignment has one, and its Superelevation runs (kept in
// next.landXmlSuperelevation); with runs, next.surface has their slopes on
// the default section (crownSection). The path becomes the project's
// alignment file (and profile file, when the profile came with it, and
// superelevation file, when runs did), and the
// reading's notes (the unit conversion first) are added to next.notes, each
// "FILE，第N行：TEXT". Nothing is changed when reading fails. Raises what
// readLandXml and buildSampleTable raise.
LandXmlProject loadLandXmlAlignment(Project& next, const std::string& path, const LandXmlChoice& choice);

// What the status line adds after a LandXML file in other units than metres
// ("（LandXML长度单位foot已换算为米）"); empty for metres.
std::string landXmlUnitStatus(const LandXmlProject& read);

}  // namespace gradix
