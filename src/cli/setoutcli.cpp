#include "cli/setoutcli.h"

#include <ostream>
#include <sstream>

#include "setout/stakeplaces.h"
#include "setout/surveypoints.h"
#include "stakes/stakes.h"
#include "text/failures.h"
#include "text/numbers.h"
#include "text/textfile.h"

namespace gradix::setoutcli {

namespace {
constexpr char TAB = '\t';

// Keeps zh_dlstr's message instead of showing it.
struct KeptMessage : MessageSink {
    void activateMainWindow() override {}
    void showMessage(const std::string&, const std::string& text) override { last = text; }
    std::string last;
};
}  // namespace

std::vector<double> offsetList(const std::string& text) {
    std::vector<double> offsets;
    std::string field;
    std::istringstream in(text);
    while (std::getline(in, field, ',')) {
        const std::optional<double> v = parseStrictNumber(field);
        if (!v) throw BadOption{"--offset takes metres separated by commas, not \"" + field + "\""};
        offsets.push_back(*v);
    }
    if (offsets.empty()) throw BadOption{"--offset takes at least one offset"};
    return offsets;
}

TableTarget tableTarget(const std::string* format, const std::string* out) {
    TableTarget t;
    if (format && !parseTableFormat(*format, t.format)) throw BadOption{"--format is tsv, csv or xlsx"};
    if (out) t.file = *out;
    if (t.format == TableFormat::Xlsx && !t.file) throw BadOption{"--format xlsx needs --out FILE"};
    return t;
}

void emitTable(const Table& table, const TableTarget& target, std::ostream& out) {
    if (target.format == TableFormat::Xlsx) {
        writeXlsx(table, *target.file);
        return;
    }
    const std::string text = tableText(table, target.format);
    if (target.file)
        writeFileAtomically(*target.file, text);
    else
        out << text;
}

void writeCoordsRow(std::ostream& out, const Alignment& alignment, double chainage, const std::vector<double>& offsets) {
    double x = 0.0, y = 0.0, bearing = 0.0;
    PointAtChainage(alignment, chainage, x, y, bearing);
    out << shortestText(chainage) << TAB << shortestText(x) << TAB << shortestText(y) << TAB << shortestText(bearing);
    for (double d : offsets) {
        const PlanePoint side = sidePoint(x, y, bearing, d);
        out << TAB << shortestText(side.x) << TAB << shortestText(side.y);
    }
    out << '\n';
}

std::size_t locatePoints(Project& project, bool withProfile, const LocatePointsOptions& options, std::ostream& out,
                  std::ostream& err) {
    const SurveyPointFile file = readSurveyPoints(options.pointsFile, options.keepGoing);
    for (const DataError& e : file.skipped) err << e.what() << '\n' << e.detail() << '\n';
    std::vector<LocatedPoint> rows;
    rows.reserve(file.points.size());
    const Profile* profile = withProfile ? &project.profile : nullptr;
    for (const SurveyPoint& p : file.points) {
        try {
            rows.push_back(
                locateSurveyPoint(project.alignment, project.samples, project.breaks, profile, p, options.maxOffset));
        } catch (GradixError& e) {
            e.locate(options.pointsFile, p.line);
            throw;
        }
    }
    emitTable(locatedPointColumns(rows), options.target, out);
    return file.skipped.size();
}

std::optional<double> stakeChainage(const ChainBreakTable& breaks, const std::string& stake, std::string& refusal) {
    KeptMessage sink;
    std::int16_t accepted = 1;
    const std::string qualified = zh_dlstr(breaks, stake, sink, accepted);
    if (accepted == 0) {
        refusal = sink.last;
        return std::nullopt;
    }
    return dlstr_sj(breaks, qualified);
}

}  // namespace gradix::setoutcli
