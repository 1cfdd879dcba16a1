// DXF files for the tests: small ones written as "code|value" lines, the
// originals made by ezdxf, and dxf_check.py (tests/dxf), which reads a file
// with ezdxf, an independent reader, audits it and compares it with what was
// meant. Tests that need ezdxf start with REQUIRE_EZDXF().
#pragma once

#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/test_data.h"

namespace gradix::testing {

// The exit code of dxf_check.py when ezdxf is not installed.
inline constexpr int CHECKER_SKIP = 77;

struct CheckerRun {
    int status = -1;     // the exit code; -1 when it did not run to its end
    std::string output;  // stdout and stderr together
};

// Runs a Python script with the python3 that has ezdxf, arguments being a
// shell command line.
CheckerRun runPythonScript(const std::string& script, const std::string& arguments);
// Runs dxf_check.py with arguments (a shell command line).
CheckerRun runChecker(const std::string& arguments);
// Whether python3 with ezdxf is there to run the checker.
bool checkerAvailable();
// The folder of the originals ezdxf makes (plan_r2000_936.dxf,
// plan_r2018.dxf, ...), made once per test program.
const std::filesystem::path& ezdxfOriginals();
// The texts of TEXT and MTEXT entities of a file as ezdxf reads them:
// (entity type, text) in file order.
std::vector<std::pair<std::string, std::string>> ezdxfTexts(const std::string& path);
// The checker's "KEY<TAB>HEX" lines as (KEY, the text the hex digits spell).
std::vector<std::pair<std::string, std::string>> hexTextLines(const std::string& output);
// The published STN02 plan of ../shared/data (which may be absent).
std::string stn02Plan();

// A drawing sheet as sheet_check.py (tests/views) reads it with ezdxf: the
// audit, the styles, the design line's vertices, every LINE and TEXT (the
// point it is justified at), and the pairs of texts whose boxes cross.
struct SheetReading {
    struct Line {
        std::string layer;
        double x1, y1, x2, y2;
    };
    struct Text {
        std::string layer, text;
        double x, y, rotation;
    };
    int status = -1;
    int auditErrors = -1;
    std::string auditMessages, version, output;
    std::map<std::string, std::string> styles;  // name -> "font|big font"
    std::vector<std::pair<double, double>> vertices;
    std::vector<Line> lines;
    std::vector<Text> texts;
    std::vector<std::pair<std::string, std::string>> overlaps;
    // The texts of one layer, in file order.
    std::vector<Text> on(const std::string& layer) const;
};
SheetReading readSheet(const std::string& path);

// A small DXF from "code|value" lines, each pair ended by eol.
std::string dxf(std::initializer_list<const char*> lines, const char* eol = "\n");

}  // namespace gradix::testing

#define REQUIRE_EZDXF() \
    GRADIX_NEED(::gradix::testing::checkerAvailable(), "ezdxf (/usr/bin/python3 with python3-ezdxf) is not installed")
