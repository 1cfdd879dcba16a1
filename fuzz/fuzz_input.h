// Helpers shared by the fuzz targets: the readers take file paths, so each
// input is written to a file in memory-backed storage first.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <unistd.h>

#include "text/failures.h"
#include "text/filekind.h"

namespace gradix::fuzz {

// A file holding the fuzz input, removed when the holder goes.
class InputFile {
public:
    InputFile(const std::uint8_t* data, std::size_t size, const char* suffix) {
        static const std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        path_ = folder + "/gradix-fuzz-" + std::to_string(getpid()) + suffix;
        std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(data),
                                                      static_cast<std::streamsize>(size));
    }
    ~InputFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A property that must hold on every input; a violation is a finding.
inline void require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

inline bool finite(double v) { return std::isfinite(v); }

// Whether a reader's refusal names where it is: the file and its line, or
// the file alone when the file is certainly of another kind than the
// reader's (refused as a whole).
inline bool refusalIsLocated(const DataError& e, const std::string& path, DataFileKind reads) {
    if (e.file() != path) return false;
    const std::optional<DataFileKind> kind = certainKindOf(path);
    return e.line() >= 1 || (kind && *kind != reads);
}

}  // namespace gradix::fuzz
