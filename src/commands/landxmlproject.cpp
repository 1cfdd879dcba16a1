#include "commands/landxmlproject.h"

#include "commands/initialise.h"
#include "text/ascii.h"
#include "text/messages.h"

namespace gradix {

namespace {

constexpr const char* LANDXML_EXTENSION = ".xml";

}  // namespace

bool isLandXmlPath(const std::string& path) { return endsWithIgnoringCase(path, LANDXML_EXTENSION); }

LandXmlProject loadLandXmlAlignment(Project& next, const std::string& path, const LandXmlChoice& choice) {
    LandXmlProject read = readLandXml(path, choice);
    SampleTable samples;
    buildSampleTable(read.alignment, samples);
    next.alignmentMode = true;
    next.icdFileName = path;
    next.alignment = read.alignment;
    next.samples = std::move(samples);
    next.breaks = read.breaks;
    if (read.hasProfile) {
        next.profile = read.profile;
        next.profileFileName = path;
    }
    const bool hadRuns = !next.landXmlSuperelevation.empty();
    next.landXmlSuperelevation = read.superelevation;
    if (read.superelevation.empty() && hadRuns) {
        // The slopes of the alignment loaded before are not this one's.
        next.surface = Surface{};
        next.superelevationFileName.clear();
        next.widthFileName.clear();
    } else if (!read.superelevation.empty()) {
        // The file's slopes on the default section until a width or
        // superelevation file says otherwise.
        loadSurface(next, SurfaceFiles{});
    }
    if (!read.unitNote.empty()) next.notes.push_back(msg::located(path, 0, read.unitNote));
    for (const LandXmlNote& note : read.notes) next.notes.push_back(msg::located(path, note.line, note.text));
    return read;
}

std::string landXmlUnitStatus(const LandXmlProject& read) {
    return read.linearUnit == "meter" ? std::string() : "（LandXML长度单位" + read.linearUnit + "已换算为米）";
}

}  // namespace gradix
