// Text files as the engineers' tools write them: read as bytes, decoded as
// UTF-8 when valid and as GB18030 otherwise, split into lines; and files
// written so that a failure, a signal or a power cut never leaves half of one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/unicode.h"  // codePointCount, used with the lines read

namespace gradix {

// Longest line a data file may hold, in bytes before decoding (16 MiB): far
// beyond any line of a chain-break, profile, alignment or stake file, so a
// longer one means the file is not one of them.
inline constexpr std::size_t MAX_LINE_BYTES = std::size_t{1} << 24;

// Decodes file bytes to UTF-8: a leading UTF-8 byte-order mark is dropped;
// valid UTF-8 is kept as it is; anything else is decoded as GB18030
// (bytes that GB18030 cannot decode become U+FFFD). NUL bytes are kept.
// Raises DataError only when the system has no GB18030 decoder (iconv).
std::string decodeText(std::string_view bytes);

// Splits decoded text at CR LF, LF and a lone CR; a last line without a line
// end counts, an empty text has no line.
std::vector<std::string> splitLines(std::string_view text);

// Reads a text file one decoded line at a time, with what decodeText and
// splitLines would give for the whole file, holding only the line being read
// (and a read buffer) in memory. Whether the file is UTF-8 is decided first,
// by a scan that stops at the first byte that is not.
// Raises FileAccessError for an empty path (a cancelled dialog) and DataError
// for a missing file, a folder, a device, a file that cannot be read, or a
// line longer than MAX_LINE_BYTES; every failure is located at the path, and
// those of a line at its number.
class TextLineReader {
public:
    explicit TextLineReader(const std::string& path);

    // The next line into line; false after the last one.
    bool next(std::string& line);

    // 1-based number of the line next() gave last; 0 before the first.
    long lineNumber() const { return lineNumber_; }

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };

    bool fill();  // reads one more chunk; false at the end of the file

    std::string path_;
    std::unique_ptr<std::FILE, FileCloser> file_;
    bool utf8_ = true;
    std::string buffer_;     // bytes read and not yet given out, from start_
    std::size_t start_ = 0;
    bool atEnd_ = false;
    long lineNumber_ = 0;
};

// Reads a whole text file into decoded lines (small files: settings, tests).
// Same failures as TextLineReader.
std::vector<std::string> readTextLines(const std::string& path);

// Reads a file's raw bytes, the first `most` of them when it is longer, into
// one allocation of the file's size; same failures as TextLineReader but for
// the line length.
std::string readFileBytes(const std::string& path, std::size_t most = SIZE_MAX);

// Writes bytes to a temporary file in the folder of path (a short name
// ".gradix-PID-RANDOM.tmp", whatever the length of the target's name),
// flushes it to the disk and renames it into place, then flushes the folder,
// so that a failure or a power cut leaves the previous file or the new one.
// SIGTERM and SIGINT during the write remove the temporary file before the
// signal takes its course; temporaries that an ended process left in the
// folder are removed by the next write there.
// Raises FileAccessError for an empty path and DataError when the file cannot
// be written.
void writeFileAtomically(const std::string& path, std::string_view bytes);

namespace detail {
class TemporaryRegistration;
}  // namespace detail

// A file of the program's own beside path, for a library that writes only
// to a file it names (the workbook writer): named as writeFileAtomically
// names its temporaries, created empty, in the signal cleanup's table while
// it exists and removed when the holder goes; one that a process ending
// abruptly leaves behind is removed by the next write in that folder.
// Raises FileAccessError for an empty path and DataError (located at path)
// when it cannot be created.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& beside);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::unique_ptr<detail::TemporaryRegistration> registration_;
};

namespace detail {

// The table of temporary files being written, which the SIGTERM and SIGINT
// handler removes: a fixed number of slots of fixed size, so the handler
// touches no allocated memory. Registration installs the handler.
inline constexpr std::size_t MAX_TEMPORARY_WRITES = 16;

class TemporaryRegistration {
public:
    // Registers path (when a slot is free and the path fits).
    explicit TemporaryRegistration(const std::string& path);
    ~TemporaryRegistration();
    TemporaryRegistration(const TemporaryRegistration&) = delete;
    TemporaryRegistration& operator=(const TemporaryRegistration&) = delete;

private:
    int slot_;
};

// Whether path is registered now.
bool isRegisteredTemporary(const std::string& path);

}  // namespace detail

}  // namespace gradix
