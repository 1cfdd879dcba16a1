// What the commands of gradix-cli share in reading their command line: the
// usage mistake, the readers of numbers, points and stakes given as
// arguments, the project's file options and their loading, and the table
// options (--format, --out).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/registry.h"
#include "commands/outcome.h"
#include "commands/project.h"
#include "setout/fieldsystems.h"
#include "setout/table.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace gradix::cli {

inline constexpr char TAB = '\t';
// The file name that stands for standard input (--stakes, --points) or
// standard output (--out).
inline constexpr const char* STANDARD_STREAM = "-";
// How standard input is named in a failure's detail and in notes.
inline constexpr const char* STANDARD_INPUT_NAME = "标准输入";

// A usage mistake found in the values given: the message goes to stderr
// with the command's usage line (exit code 64).
struct UsageError {
    std::string message;
};

// A file option: the path as given ("" is a cancelled dialog's path, read
// and failing as such) and whether it was given at all.
struct FileOption {
    std::string path;
    CLI::Option* option = nullptr;
    bool given() const;
};

// A strict number (parseStrictNumber) given on the command line. Raises
// UsageError naming the text.
double numberArgument(const std::string& text);

// "X,Y" as two strict numbers. Raises UsageError.
std::pair<double, double> pairArgument(const std::string& text);

// Whether a text given where a chainage is expected names a stake instead:
// K notation ("K2+320", "BK5+400.513") or a stretch letter before the
// number ("B2320"). A plain number is a chainage.
bool namesStake(const std::string& text);

// The chainage (m) of a text given where a chainage is expected: a plain
// number as it is, a stake (namesStake) through the chain breaks. A stake
// the chain breaks refuse (a stretch letter beyond the table, a stake
// outside its stretch, in a gap or in an overlap) answers Refused with the
// core's message; a text that is neither raises UsageError.
Outcome chainageArgument(const ChainBreakTable& breaks, const std::string& text, double& chainage);

// The continuous chainage (m) of a stake typed for a range (--from, --to):
// any stake notation, through the chain breaks; Refused with the core's
// message when they refuse it.
Outcome stakeArgument(const ChainBreakTable& breaks, const std::string& text, double& chainage);

// Refuses (UsageError) a result file that is one of the files read, before
// anything is written; standard output is never one.
void requireNotRead(const std::string& out, const std::vector<std::string>& inputs);

// The project's data files of a command: the chain breaks, the ICD or
// LandXML alignment (with the choice of alignment and profile in it) and the
// profile, each added by the command that reads it.
struct ProjectOptions {
    FileOption breaks, icd, landxml, profile;
    std::string alignment, profileName;
    // Whether the command locates points (or picks) and so needs the 1 m
    // sample table of an ICD alignment; building it is most of the cost of
    // loading a long road, which the other commands do not pay.
    bool locatesPoints = false;

    CLI::Option* addBreaks(CLI::App* command);
    CLI::Option* addIcd(CLI::App* command, const char* description = nullptr);
    CLI::Option* addProfile(CLI::App* command, const char* description = nullptr);
    // --landxml beside the option given (--icd or --breaks), which it
    // excludes, with --alignment and --profile-name, which need it.
    CLI::Option* addLandXml(CLI::App* command, CLI::Option* excluded);
    // --icd, --breaks and --landxml, one of them at most.
    void addAlignmentChoice(CLI::App* command);

    // Loads the files given in the window's order: the ICD or LandXML
    // alignment or the chain breaks, then the profile; with an ICD file and
    // chain breaks both given, the chain breaks after the ICD file. The notes
    // of the reading go to project.notes. Answers the profile's refusal of
    // a stake; raises what the readers raise.
    Outcome load(Project& project) const;

    // The alignment of a command that needs one: --icd or --landxml
    // (UsageError otherwise).
    void requireAlignment() const;
    // The profile of a command that needs one, before loading: --profile or
    // --landxml (UsageError otherwise).
    void requireProfileGiven() const;
    // After loading: a LandXML alignment without a profile (and no
    // --profile) raises DataError located at the file.
    void requireProfile(const Project& project) const;
    // Whether a command whose profile is optional has one.
    bool hasDesign(const Project& project) const;
    // The files given, for requireNotRead.
    std::vector<std::string> files() const;
};

// The cross-section of a command that evaluates the road surface: --sup,
// --wid, --design-line and --pivot; either file may be left out (the normal
// crown of 3.75 m lanes at -2 % in its place).
struct SurfaceOptions {
    FileOption superelevation, widths;
    std::string designLine = "centre";
    std::string pivot = "centre";
    std::string section;  // "W,S": lane width (m) and crown (%) where a file is not given
    CLI::Option* sectionOption = nullptr;

    // Adds the four options; answers --sup.
    CLI::Option* add(CLI::App* command);
    bool given() const;
    // Reads the files given into project.surface, through its chain breaks
    // (after the project is loaded); nothing when none is given, unless
    // told to load the normal crown then.
    void load(Project& project, bool evenWithoutFiles = false) const;
    std::vector<std::string> files() const;
};

// The field's systems of a command (FieldSystems): --crs (the project's
// system), --points-crs (the survey points'), --transform (a saved fit) and,
// for the stake-out file --stakeout, --out-crs.
struct FieldOptions {
    std::string crs, pointsCrs, outCrs;
    FileOption transform, stakeout;
    CLI::Option* pointsCrsOption = nullptr;

    // --crs and --transform.
    void add(CLI::App* command);
    // --points-crs (beside the option it needs: --points).
    void addPointsCrs(CLI::App* command, CLI::Option* points);
    // --stakeout and --out-crs, which needs it; answers --stakeout.
    CLI::Option* addStakeout(CLI::App* command);
    // The systems given, each checked with PROJ, and the fit read from its
    // file. Raises what describeCrs and readFieldTransform raise.
    FieldSystems systems() const;
    std::vector<std::string> files() const;
};

// --from and --to of a table: a range of stakes, both or neither.
struct StakeRange {
    std::string from, to;
    CLI::Option* fromOption = nullptr;

    void add(CLI::App* command);
    // The range given, each stake through the chain breaks, into the two
    // chainages (untouched when no range is given): Refused with the core's
    // message for a stake they refuse; UsageError for a reversed range.
    Outcome read(const ChainBreakTable& breaks, std::optional<double>& fromChainage,
                 std::optional<double>& toChainage) const;
};

// --format and --out of a table: tsv (unless told), csv or xlsx (which needs
// a file); --out - or none is standard output.
struct TableOutput {
    std::string format;
    FileOption out;
    CLI::Option* formatOption = nullptr;

    // Adds --format (with the formats given, the first the default) and
    // --out; answers --format.
    CLI::Option* add(CLI::App* command, const std::string& what);
    // The format given (TableFormat::Tsv when none). Raises UsageError for
    // xlsx without a file.
    TableFormat tableFormat() const;
    // Whether the output goes to a file (not standard output).
    bool toFile() const;
    // Writes the table to its target: a file written beside and renamed into
    // place, or out.
    void emit(const Table& table, std::ostream& out) const;
};

// Reads "D[,D...]", metres positive to the right. Raises UsageError.
std::vector<double> offsetList(const std::string& text);

// A CLI11 check that the value is one of names, with the Chinese message of
// a value that is not.
CLI::Option* allowOnly(CLI::Option* option, const std::vector<std::string>& names);

// A CLI11 check that the value is a strict number.
CLI::Option* numbersOnly(CLI::Option* option);

}  // namespace gradix::cli
