#include "commands/stakeoutfile.h"

#include "landxml/landxml.h"
#include "text/ascii.h"
#include "text/textfile.h"

namespace gradix {

namespace {

constexpr std::string_view LANDXML_EXTENSION = ".XML";
constexpr std::string_view EPSG_PREFIX = "EPSG:";

bool isLandXmlName(const std::string& path) {
    return path.size() >= LANDXML_EXTENSION.size() &&
           upperCaseAscii(std::string_view(path).substr(path.size() - LANDXML_EXTENSION.size())) == LANDXML_EXTENSION;
}

std::string epsgCode(const std::string& definition) {
    const std::string upper = upperCaseAscii(trimBlanks(definition));
    return upper.rfind(EPSG_PREFIX, 0) == 0 ? upper.substr(EPSG_PREFIX.size()) : "";
}

}  // namespace

void writeStakeoutFile(const std::string& path, const std::vector<StakeoutPoint>& points,
                       const FieldSystems& systems) {
    std::vector<StakeoutPoint> out = points;
    const PointsOutOfProject conversion(systems);
    if (systems.convertsOutput()) conversion.convert(out);
    if (!isLandXmlName(path)) {
        writeFileAtomically(path, stakeoutCsv(out, conversion.latLon()));
        return;
    }
    // LandXML holds grid coordinates: with latitude and longitude asked for,
    // the zone's (back through the fit) beside them as attributes.
    std::vector<StakeoutPoint> grid = out;
    std::string gridCrs = systems.outCrs.empty() ? systems.projectCrs : systems.outCrs;
    if (conversion.latLon()) {
        FieldSystems zone = systems;
        zone.outCrs.clear();
        grid = points;
        if (zone.transform) PointsOutOfProject(zone).convert(grid);
        gridCrs = systems.projectCrs;
    }
    std::vector<LandXmlPoint> xml;
    xml.reserve(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        LandXmlPoint p{grid[i].name, grid[i].code, grid[i].x, grid[i].y, grid[i].h, {}, {}};
        if (conversion.latLon()) {
            p.latitude = out[i].x;
            p.longitude = out[i].y;
        }
        xml.push_back(std::move(p));
    }
    const std::string crsName = gridCrs.empty() ? "" : describeCrs(gridCrs).name;
    writeFileAtomically(path, cgPointsText(xml, crsName, epsgCode(gridCrs)));
}

}  // namespace gradix
