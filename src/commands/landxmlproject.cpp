#include "commands/landxmlproject.h"
#include "text/messages.h"

#include <cctype>

namespace gradix {

namespace {

constexpr const char* LANDXML_EXTENSION = ".xml";

}  // namespace

bool isLandXmlPath(const std::string& path) {
    const std::string ext = LANDXML_EXTENSION;
    if (path.size() < ext.size()) return false;
    for (std::size_t i = 0; i < ext.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(path[path.size() - ext.size() + i])) != ext[i]) return false;
    return true;
}

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
    return read;
}

std::string landXmlUnitStatus(const LandXmlProject& read) {
    return read.linearUnit == "meter" ? std::string() : "（LandXML长度单位" + read.linearUnit + "已换算为米）";
}

std::string landXmlNotesText(const LandXmlProject& read) {
    std::string text;
    if (!read.unitNote.empty()) text += read.unitNote + "\n";
    for (const LandXmlNote& note : read.notes)
        text += (note.line > 0 ? msg::dxfLine(note.line) + msg::PLACE_SEPARATOR : std::string()) + note.text + "\n";
    return text;
}

}  // namespace gradix
