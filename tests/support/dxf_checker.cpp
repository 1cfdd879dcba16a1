#include "support/dxf_checker.h"

#include <sys/wait.h>

#include <cstdio>
#include <sstream>

#include "support/temp_folder.h"

namespace gradix::testing {

namespace fs = std::filesystem;

namespace {
constexpr const char* PYTHON = "/usr/bin/python3";
}  // namespace

CheckerRun runPythonScript(const std::string& script, const std::string& arguments) {
    CheckerRun run;
    const std::string command = std::string(PYTHON) + " " + script + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) run.output.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

CheckerRun runChecker(const std::string& arguments) { return runPythonScript(GRADIX_DXF_CHECKER, arguments); }

bool checkerAvailable() {
    static const bool available = fs::exists(PYTHON) && runChecker("texts /dev/null").status != CHECKER_SKIP;
    return available;
}

const fs::path& ezdxfOriginals() {
    static const TempFolder folder("ezdxf");
    static const bool made = [] {
        const CheckerRun run = runChecker("make " + folder.folder());
        if (run.status != 0) std::fprintf(stderr, "making the ezdxf originals failed: %s\n", run.output.c_str());
        return run.status == 0;
    }();
    (void)made;
    return folder.path();
}

std::vector<std::pair<std::string, std::string>> hexTextLines(const std::string& output) {
    std::vector<std::pair<std::string, std::string>> out;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        std::string text;
        for (std::size_t i = tab + 1; i + 1 < line.size(); i += 2)
            text += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
        out.emplace_back(line.substr(0, tab), text);
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> ezdxfTexts(const std::string& path) {
    const CheckerRun run = runChecker("texts " + path);
    std::vector<std::pair<std::string, std::string>> out;
    if (run.status != 0) {
        out.emplace_back("checker failed", run.output);
        return out;
    }
    return hexTextLines(run.output);
}

std::string stn02Plan() {
    return std::string(GRADIX_SHARED_DATA) + "/ifc4x-if/STN02/Alignment_2D_with_stationing_values.dxf";
}

std::vector<SheetReading::Text> SheetReading::on(const std::string& layer) const {
    std::vector<Text> out;
    for (const Text& t : texts)
        if (t.layer == layer) out.push_back(t);
    return out;
}

SheetReading readSheet(const std::string& path) {
    SheetReading r;
    const CheckerRun run = runPythonScript(GRADIX_SHEET_CHECKER, path);
    r.status = run.status;
    r.output = run.output;
    std::istringstream lines(run.output);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
        if (f.empty()) continue;
        const auto d = [&](std::size_t i) { return std::stod(f[i]); };
        if (f[0] == "AUDIT" && f.size() >= 2) {
            r.auditErrors = std::stoi(f[1]);
            r.auditMessages = f.size() > 2 ? f[2] : "";
        } else if (f[0] == "VERSION" && f.size() == 2) {
            r.version = f[1];
        } else if (f[0] == "STYLE" && f.size() >= 3) {
            r.styles[f[1]] = f[2] + "|" + (f.size() > 3 ? f[3] : "");
        } else if (f[0] == "VERTEX" && f.size() == 3) {
            r.vertices.emplace_back(d(1), d(2));
        } else if (f[0] == "LINE" && f.size() == 6) {
            r.lines.push_back({f[1], d(2), d(3), d(4), d(5)});
        } else if (f[0] == "TEXT" && f.size() == 6) {
            r.texts.push_back({f[1], f[2], d(3), d(4), d(5)});
        } else if (f[0] == "OVERLAP" && f.size() == 3) {
            r.overlaps.emplace_back(f[1], f[2]);
        }
    }
    return r;
}

std::string dxf(std::initializer_list<const char*> lines, const char* eol) {
    std::string out;
    for (const char* line : lines) {
        const std::string s = line;
        const std::size_t bar = s.find('|');
        out += s.substr(0, bar) + eol + s.substr(bar + 1) + eol;
    }
    return out;
}

}  // namespace gradix::testing
