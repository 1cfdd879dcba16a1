// Preparation of data lines before they are split into fields. "Blanks" are
// spaces only; tabs become spaces only where a preparation says so.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "text/ascii.h"  // trimBlanks, used with these preparations

namespace gradix {

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

}  // namespace gradix
