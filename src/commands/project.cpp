#include "commands/project.h"

#include <cmath>
#include <filesystem>
#include <system_error>

namespace gradix {

namespace fs = std::filesystem;

double computePi() { return 4.0 * std::atan(1.0); }

std::vector<std::string> Project::inputFiles() const {
    std::vector<std::string> files;
    for (const std::string* name : {&icdFileName, &breaksFileName, &profileFileName, &superelevationFileName, &widthFileName})
        if (!name->empty()) files.push_back(*name);
    return files;
}

bool sameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ec;
    const bool same = fs::equivalent(a, b, ec);
    if (!ec) return same;
    // One of them does not exist (yet): compare where the two paths lead.
    std::error_code ecA, ecB;
    const fs::path resolvedA = fs::weakly_canonical(a, ecA);
    const fs::path resolvedB = fs::weakly_canonical(b, ecB);
    return !ecA && !ecB && resolvedA == resolvedB;
}

bool namesOneOf(const std::string& path, const std::vector<std::string>& files) {
    for (const std::string& file : files)
        if (sameFile(path, file)) return true;
    return false;
}

}  // namespace gradix
