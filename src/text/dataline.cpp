#include "text/dataline.h"

#include <algorithm>
#include <utility>

#include "text/filekind.h"
#include "text/messages.h"
#include "text/textfile.h"

namespace gradix {

namespace {

// Runs of spaces are collapsed from this length down to 2, longest first.
constexpr std::size_t LONGEST_COLLAPSED_RUN = 50;
constexpr std::size_t SHORTEST_COLLAPSED_RUN = 2;
// A prepared alignment line that starts with this text is a comment.
constexpr std::string_view ICD_COMMENT = ";;";

// Replaces every occurrence of what, scanning left to right in one pass:
// replaced text is never looked at again, so "   " with "  " by " " gives
// "  " (one replacement and the space left over), not " ".
std::string replaceAll(std::string_view text, std::string_view what, std::string_view with) {
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, from)) {
        out.append(text.substr(from, at - from));
        out.append(with);
        from = at + what.size();
    }
    out.append(text.substr(from));
    return out;
}

// Length of the longest run of spaces in text.
std::size_t longestSpaceRun(std::string_view text) {
    std::size_t longest = 0;
    std::size_t run = 0;
    for (const char c : text) {
        run = c == ' ' ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

// For k = 50 down to 2: trim, replace every run of exactly k spaces by one
// space, trim. A run of r spaces thus becomes r/k + r%k spaces at step k; every
// run of 2 to at least 100000 spaces ends as a single space.
// Steps whose k exceeds the longest run left change nothing (the text is
// trimmed already), so they are skipped: most data lines have single spaces
// only and cost one scan.
std::string collapseSpaces(std::string line) {
    line = trimBlanks(line);
    std::size_t longest = longestSpaceRun(line);
    for (std::size_t k = std::min(LONGEST_COLLAPSED_RUN, longest); k >= SHORTEST_COLLAPSED_RUN; --k) {
        const std::string run(k, ' ');
        if (line.find(run) == std::string::npos) continue;
        line = trimBlanks(replaceAll(line, run, " "));
        longest = longestSpaceRun(line);
        k = std::min(k, longest + 1);  // the loop's decrement goes on below the longest run left
    }
    return line;
}

}  // namespace

std::string prepareDataLine(std::string_view line) {
    std::string prepared = trimBlanks(line);
    std::replace(prepared.begin(), prepared.end(), '\t', ' ');
    return collapseSpaces(std::move(prepared));
}

std::string prepareIcdLine(std::string_view line) {
    std::string prepared(line);
    std::replace(prepared.begin(), prepared.end(), ',', ' ');
    return collapseSpaces(std::move(prepared));
}

bool isSkippedIcdLine(std::string_view prepared) {
    return prepared.empty() || prepared.substr(0, ICD_COMMENT.size()) == ICD_COMMENT;
}

std::vector<std::string> splitFields(std::string_view prepared) {
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (std::size_t at = prepared.find(' '); at != std::string_view::npos; at = prepared.find(' ', from)) {
        fields.emplace_back(prepared.substr(from, at - from));
        from = at + 1;
    }
    fields.emplace_back(prepared.substr(from));
    return fields;
}

void noteLinesAfterEmptyLine(TextLineReader& lines, long line, ReadReport& report) {
    long left = 0;
    for (std::string rest; lines.next(rest);)
        if (!trimmedView(rest, " \t", " \t").empty()) ++left;
    if (left > 0) report.notes.push_back({line, msg::linesLeftAfterEmptyLine(line, left)});
}

std::vector<std::string> splitLooseFields(std::string_view line) {
    std::vector<std::string> fields;
    std::string field;
    for (char ch : line) {
        if (ch == ' ' || ch == '\t' || ch == ',' || ch == '\r') {
            if (!field.empty()) fields.push_back(std::move(field));
            field.clear();
        } else {
            field += ch;
        }
    }
    if (!field.empty()) fields.push_back(std::move(field));
    return fields;
}

bool isCommentFields(const std::vector<std::string>& fields) {
    return !fields.empty() && fields[0].compare(0, 2, ";;") == 0;
}

bool isNameFields(const std::vector<std::string>& fields) {
    return std::none_of(fields.begin(), fields.end(),
                        [](const std::string& f) { return parseStrictNumber(f).has_value(); });
}

void readLooseRows(const std::string& path, ReadReport* report,
                   const std::function<void(const std::vector<std::string>& fields, long line)>& row) {
    TextLineReader lines(path);
    refuseXmlOrDrawing(path);
    const bool checking = report != nullptr && report->checkMode;
    bool firstDataLine = true;
    long line = 0;
    try {
        for (std::string raw; lines.next(raw);) {
            line = lines.lineNumber();
            const std::vector<std::string> fields = splitLooseFields(raw);
            if (fields.empty() || isCommentFields(fields)) continue;
            // A first line without any number names the road (a row with a
            // mistyped number is still a row, refused at its field).
            if (std::exchange(firstDataLine, false) && isNameFields(fields)) continue;
            try {
                row(fields, line);
                if (report) report->entryLines.push_back(line);
            } catch (const GradixError& e) {
                if (!checking) throw;
                report->refusals.push_back({line, e.reason()});
            }
        }
    } catch (GradixError& e) {
        e.locate(path, line);
        throw;
    }
}

}  // namespace gradix
