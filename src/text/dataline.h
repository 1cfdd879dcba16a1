// Preparation of data lines before they are split into fields. "Blanks" are
// spaces only; tabs become spaces only where a preparation says so.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "text/ascii.h"  // trimBlanks, used with these preparations

namespace gradix {

class TextLineReader;

// What a reader found on one line of its file: the 1-based line and the
// text the person reads (which names the line itself where it says "第N行").
struct LineNote {
    long line = 0;
    std::string text;

    bool operator==(const LineNote&) const = default;
};

// What a reading tells besides its table, and how it meets a line it
// refuses. Given to a reader, it collects:
// - notes: what was read without refusal but not (all) used: a field
//   ignored, lines left unread after an empty line;
// - check mode only: refusals, one per line refused (the reading goes on
//   with the next line instead of raising, and the table holds the lines
//   accepted);
// - entryLines: the line each entry of the table was read from, in order.
// A failure of the file as a whole (missing, another kind of file, beyond a
// capacity) still raises, in check mode too.
struct ReadReport {
    bool checkMode = false;
    std::vector<LineNote> notes;
    std::vector<LineNote> refusals;
    std::vector<long> entryLines;
};

// Chain-break and profile lines: trim, tabs to spaces, then for k = 50 down
// to 2 every run of k spaces becomes one space, trimming before and after each
// step. An empty result ends the reading of the file.
std::string prepareDataLine(std::string_view line);

// Alignment (ICD) lines: commas to spaces, then the same collapsing of runs of
// spaces with trimming; tabs are left alone.
std::string prepareIcdLine(std::string_view line);

// True for a prepared ICD line that is skipped: empty, or starting with ";;".
bool isSkippedIcdLine(std::string_view prepared);

// Splits at single spaces into fields, as a plain split would: two spaces in
// a row give an empty field. An empty line gives one empty field.
std::vector<std::string> splitFields(std::string_view prepared);

// The fields of a line of the cross-section and ground-line files: runs of
// blanks, tabs and commas separate them (a CR is a blank); none for a line
// of separators only.
std::vector<std::string> splitLooseFields(std::string_view line);
// Whether such fields are a comment (the first starts with ";;").
bool isCommentFields(const std::vector<std::string>& fields);
// Whether such fields, the first data line of a file, name the road: no
// field is a number (a row with a mistyped number is still a row).
bool isNameFields(const std::vector<std::string>& fields);

// Reads a file of such rows line by line (TextLineReader: UTF-8 or
// GB18030): a LandXML file or a drawing is refused (refuseXmlOrDrawing);
// empty and comment lines are skipped and a first data line that names the
// road (isNameFields); row is called with each other line's fields and its
// 1-based number, and adds its entry (report's entryLines gets the line
// when row returns). A failure row raises fails the reading, located at the
// line; in check mode it is the line's refusal and the reading goes on.
// Raises what the line reader raises.
void readLooseRows(const std::string& path, ReadReport* report,
                   const std::function<void(const std::vector<std::string>& fields, long line)>& row);

// After the first empty line of a chain-break or profile file (line, 1-based,
// the line reader's last line): reads the rest of the file and, when lines
// with data follow, adds the note msg::linesLeftAfterEmptyLine to report.
// Raises what the line reader raises.
void noteLinesAfterEmptyLine(TextLineReader& lines, long line, ReadReport& report);

}  // namespace gradix
