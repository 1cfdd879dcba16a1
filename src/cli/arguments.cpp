#include "cli/arguments.h"

#include <CLI/CLI.hpp>

#include <ostream>
#include <sstream>

#include "cli/clitexts.h"
#include "commands/initialise.h"
#include "commands/landxmlproject.h"
#include "stakes/stakes.h"
#include "text/ascii.h"
#include "text/failures.h"
#include "text/messages.h"
#include "text/numbers.h"
#include "text/textfile.h"

namespace gradix::cli {

bool FileOption::given() const { return option && option->count() > 0; }

double numberArgument(const std::string& text) {
    const std::optional<double> v = parseStrictNumber(text);
    if (!v) throw UsageError{usage::notANumber(text)};
    return *v;
}

std::pair<double, double> pairArgument(const std::string& text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos) throw UsageError{usage::notAPoint(text)};
    return {numberArgument(text.substr(0, comma)), numberArgument(text.substr(comma + 1))};
}

bool namesStake(const std::string& text) {
    const std::string t = trimBlanks(text);
    if (isKilometreNotation(t)) return true;
    return !t.empty() && t.front() >= 'A' && t.front() <= 'Z' && hasLeadingDigit(std::string_view(t).substr(1));
}

Outcome stakeArgument(const ChainBreakTable& breaks, const std::string& text, double& chainage) {
    const StakeQualification q = qualifyStake(breaks, text);
    if (!q.accepted()) return Outcome::refused(q.refusal, msg::stakeDetail(text, q.reason));
    chainage = dlstr_sj(breaks, q.text);
    return Outcome::done();
}

Outcome chainageArgument(const ChainBreakTable& breaks, const std::string& text, double& chainage) {
    if (const std::optional<double> v = parseStrictNumber(text)) {
        chainage = *v;
        return Outcome::done();
    }
    if (!namesStake(text)) throw UsageError{usage::notAChainage(text)};
    return stakeArgument(breaks, text, chainage);
}

void requireNotRead(const std::string& out, const std::vector<std::string>& inputs) {
    if (out == STANDARD_STREAM) return;
    std::vector<std::string> files;
    for (const std::string& input : inputs)
        if (!input.empty() && input != STANDARD_STREAM) files.push_back(input);
    if (namesOneOf(out, files)) throw UsageError{usage::outIsInput(out)};
}

CLI::Option* ProjectOptions::addBreaks(CLI::App* command) {
    breaks.option = command->add_option("--breaks", breaks.path, help::BREAKS)->type_name(help::FILE);
    return breaks.option;
}

CLI::Option* ProjectOptions::addIcd(CLI::App* command, const char* description) {
    icd.option = command->add_option("--icd", icd.path, description ? description : help::ICD)->type_name(help::FILE);
    return icd.option;
}

CLI::Option* ProjectOptions::addProfile(CLI::App* command, const char* description) {
    profile.option =
        command->add_option("--profile", profile.path, description ? description : help::PROFILE)->type_name(help::FILE);
    return profile.option;
}

CLI::Option* ProjectOptions::addLandXml(CLI::App* command, CLI::Option* excluded) {
    landxml.option =
        command->add_option("--landxml", landxml.path, help::LANDXML)->type_name(help::FILE)->excludes(excluded);
    command->add_option("--alignment", alignment, help::ALIGNMENT)->type_name(help::NAME)->needs(landxml.option);
    command->add_option("--profile-name", profileName, help::PROFILE_NAME)->type_name(help::NAME)->needs(landxml.option);
    return landxml.option;
}

void ProjectOptions::addAlignmentChoice(CLI::App* command) {
    CLI::Option* icdOption = addIcd(command);
    addBreaks(command)->excludes(icdOption)->excludes(addLandXml(command, icdOption));
}

Outcome ProjectOptions::load(Project& project) const {
    project.pi = computePi();
    if (icd.given()) {
        // The 1 m samples serve only the commands that locate points.
        loadAlignment(project, icd.path, locatesPoints ? SampleTableNeed::Build : SampleTableNeed::Skip);
        if (breaks.given()) {
            // The ICD alignment's chainages read through a chain-break file.
            loadChainBreaks(project, breaks.path);
            project.alignmentMode = true;
        }
    } else if (landxml.given()) {
        loadLandXmlAlignment(project, landxml.path, {alignment, profileName, !profile.given()});
    } else if (breaks.given()) {
        loadChainBreaks(project, breaks.path);
    }
    return profile.given() ? loadProfile(project, profile.path) : Outcome::done();
}

void ProjectOptions::requireAlignment() const {
    if (!icd.given() && !landxml.given()) throw UsageError{usage::ALIGNMENT_NEEDED};
}

void ProjectOptions::requireProfileGiven() const {
    if (!profile.given() && !landxml.given()) throw UsageError{usage::PROFILE_NEEDED};
}

void ProjectOptions::requireProfile(const Project& project) const {
    requireProfileGiven();
    if (profile.given() || project.profile.gradePointCount >= 1) return;
    DataError error(msg::ALIGNMENT_WITHOUT_PROFILE);
    error.locate(landxml.path);
    throw error;
}

bool ProjectOptions::hasDesign(const Project& project) const {
    return profile.given() || (landxml.given() && project.profile.gradePointCount > 0);
}

std::vector<std::string> ProjectOptions::files() const {
    std::vector<std::string> paths;
    for (const FileOption* f : {&breaks, &icd, &landxml, &profile})
        if (f->given()) paths.push_back(f->path);
    return paths;
}

CLI::Option* SurfaceOptions::add(CLI::App* command) {
    superelevation.option =
        command->add_option("--sup", superelevation.path, help::SUPERELEVATION)->type_name(help::FILE);
    widths.option = command->add_option("--wid", widths.path, help::WIDTHS)->type_name(help::FILE);
    allowOnly(command->add_option("--design-line", designLine, help::DESIGN_LINE),
              {"centre", "median-edge", "subgrade-edge"})
        ->type_name("L");
    allowOnly(command->add_option("--pivot", pivot, help::PIVOT), {"centre", "inner-edge", "median-edge"})
        ->type_name("P");
    sectionOption = command->add_option("--section", section, help::SECTION)->type_name("W,S");
    return superelevation.option;
}

bool SurfaceOptions::given() const {
    return superelevation.given() || widths.given() || (sectionOption && sectionOption->count() > 0);
}

void SurfaceOptions::load(Project& project, bool evenWithoutFiles) const {
    if (!given() && !evenWithoutFiles) return;
    SurfaceFiles files;
    if (superelevation.given()) {
        if (superelevation.path.empty()) throw FileAccessError(msg::NO_FILE_CHOSEN);
        files.superelevation = superelevation.path;
    }
    if (widths.given()) {
        if (widths.path.empty()) throw FileAccessError(msg::NO_FILE_CHOSEN);
        files.widths = widths.path;
    }
    if (sectionOption && sectionOption->count() > 0) {
        const std::optional<double> lane = parseStrictNumber(section.substr(0, section.find(',')));
        const std::optional<double> crown =
            section.find(',') == std::string::npos ? std::nullopt : parseStrictNumber(section.substr(section.find(',') + 1));
        if (!lane || !crown) throw UsageError{usage::sectionNotRead(section)};
        if (!(*lane > 0.0)) throw UsageError{usage::LANE_NOT_POSITIVE};
        files.section = crownSection(*lane, *crown / 100.0);
    }
    files.designLine = *designLineNamed(designLine);
    files.pivot = *pivotNamed(pivot);
    loadSurface(project, files);
}

std::vector<std::string> SurfaceOptions::files() const {
    std::vector<std::string> paths;
    for (const FileOption* f : {&superelevation, &widths})
        if (f->given()) paths.push_back(f->path);
    return paths;
}

void FieldOptions::add(CLI::App* command) {
    command->add_option("--crs", crs, help::CRS)->type_name(help::CRS_PLACEHOLDER);
    transform.option = command->add_option("--transform", transform.path, help::TRANSFORM)->type_name(help::FILE);
}

void FieldOptions::addPointsCrs(CLI::App* command, CLI::Option* points) {
    pointsCrsOption =
        command->add_option("--points-crs", pointsCrs, help::POINTS_CRS)->type_name(help::CRS_PLACEHOLDER)->needs(points);
}

CLI::Option* FieldOptions::addStakeout(CLI::App* command) {
    stakeout.option = command->add_option("--stakeout", stakeout.path, help::STAKEOUT)->type_name(help::FILE);
    command->add_option("--out-crs", outCrs, help::OUT_CRS)->type_name(help::CRS_PLACEHOLDER)->needs(stakeout.option);
    return stakeout.option;
}

FieldSystems FieldOptions::systems() const {
    FieldSystems s{crs, pointsCrs, outCrs, std::nullopt};
    // Each system given is known to PROJ, used or not, before anything is read.
    for (const std::string* system : {&crs, &pointsCrs, &outCrs})
        if (!system->empty()) describeCrs(*system);
    if (transform.given()) s.transform = readFieldTransform(transform.path);
    return s;
}

std::vector<std::string> FieldOptions::files() const {
    return transform.given() ? std::vector<std::string>{transform.path} : std::vector<std::string>{};
}

void StakeRange::add(CLI::App* command) {
    fromOption = command->add_option("--from", from, "范围的起点桩号")->type_name(help::STAKE);
    CLI::Option* toOption = command->add_option("--to", to, "范围的终点桩号")->type_name(help::STAKE);
    fromOption->needs(toOption);
    toOption->needs(fromOption);
}

Outcome StakeRange::read(const ChainBreakTable& breaks, std::optional<double>& fromChainage,
                         std::optional<double>& toChainage) const {
    if (!fromOption || fromOption->count() == 0) return Outcome::done();
    double a = 0.0, b = 0.0;
    if (Outcome f = stakeArgument(breaks, from, a); !f) return f;
    if (Outcome t = stakeArgument(breaks, to, b); !t) return t;
    if (a > b) throw UsageError{usage::RANGE_REVERSED};
    fromChainage = a;
    toChainage = b;
    return Outcome::done();
}

CLI::Option* TableOutput::add(CLI::App* command, const std::string& what) {
    formatOption = allowOnly(command->add_option("--format", format, help::tableFormat(what)), {"tsv", "csv", "xlsx"})
                       ->type_name("tsv|csv|xlsx");
    out.option = command->add_option("--out", out.path, help::tableFile(what))->type_name(help::FILE);
    return formatOption;
}

TableFormat TableOutput::tableFormat() const {
    TableFormat f = TableFormat::Tsv;
    if (formatOption && formatOption->count() > 0) parseTableFormat(format, f);
    if (f == TableFormat::Xlsx && !toFile()) throw UsageError{usage::XLSX_NEEDS_FILE};
    return f;
}

bool TableOutput::toFile() const { return out.given() && out.path != STANDARD_STREAM; }

void TableOutput::emit(const Table& table, std::ostream& stream) const {
    const TableFormat f = tableFormat();
    if (f == TableFormat::Xlsx) {
        writeXlsx(table, out.path);
        return;
    }
    const std::string text = tableText(table, f);
    if (toFile())
        writeFileAtomically(out.path, text);
    else
        stream << text;
}

std::vector<double> offsetList(const std::string& text) {
    std::vector<double> offsets;
    std::string field;
    std::istringstream in(text);
    while (std::getline(in, field, ',')) {
        const std::optional<double> v = parseStrictNumber(field);
        if (!v) throw UsageError{usage::offsetNotNumber(field)};
        offsets.push_back(*v);
    }
    if (offsets.empty()) throw UsageError{usage::NO_OFFSET};
    return offsets;
}

CLI::Option* allowOnly(CLI::Option* option, const std::vector<std::string>& names) {
    return option->check(CLI::Validator(
        [names](std::string& value) {
            for (const std::string& name : names)
                if (value == name) return std::string();
            return usage::notOneOf(value, names);
        },
        ""));
}

CLI::Option* numbersOnly(CLI::Option* option) {
    return option->check(CLI::Validator(
        [](std::string& value) { return parseStrictNumber(value) ? std::string() : usage::notANumber(value); }, ""));
}

}  // namespace gradix::cli
