// DXF files for the tests: small ones written as "code|value" lines, the
// originals made by ezdxf, and dxf_check.py (tests/dxf), which reads a file
// with ezdxf, an independent reader, audits it and compares it with what was
// meant. Tests that need ezdxf start with REQUIRE_EZDXF().
#pragma once

#include <filesystem>
#include <initializer_list>
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

// A small DXF from "code|value" lines, each pair ended by eol.
std::string dxf(std::initializer_list<const char*> lines, const char* eol = "\n");

}  // namespace gradix::testing

#define REQUIRE_EZDXF() \
    GRADIX_NEED(::gradix::testing::checkerAvailable(), "ezdxf (/usr/bin/python3 with python3-ezdxf) is not installed")
