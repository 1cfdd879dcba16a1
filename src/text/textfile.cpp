#include "text/textfile.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>
#include <utility>

#include "text/failures.h"

namespace gradix {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";
constexpr std::string_view REPLACEMENT_CHARACTER = "\xEF\xBF\xBD";  // U+FFFD
// Output room per input byte of GB18030 text: at most 4 input bytes give one
// code point of at most 4 UTF-8 bytes, and 2 input bytes (or 1 ASCII byte) give
// at most 3 UTF-8 bytes, so 2 bytes per input byte always suffice.
constexpr std::size_t UTF8_BYTES_PER_GB18030_BYTE = 2;
// Bytes read from a file at a time.
constexpr std::size_t READ_CHUNK = 1 << 16;
// Tries at finding an unused temporary name beside the target.
constexpr int TEMPORARY_NAME_TRIES = 100;

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence starting at i (1 to 4), or 0 when
// the bytes there are not well-formed (overlong forms, surrogates, code points
// beyond U+10FFFF, stray or missing continuation bytes).
std::size_t utf8SequenceLength(std::string_view bytes, std::size_t i) {
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char b0 = at(i);
    const std::size_t left = bytes.size() - i;
    if (b0 < 0x80) return 1;
    if (b0 >= 0xC2 && b0 <= 0xDF) return left >= 2 && isContinuation(at(i + 1)) ? 2 : 0;
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        if (left < 3) return 0;
        const unsigned char b1 = at(i + 1);
        const unsigned char low = b0 == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
        const unsigned char high = b0 == 0xED ? 0x9F : 0xBF;  // no surrogates
        return b1 >= low && b1 <= high && isContinuation(at(i + 2)) ? 3 : 0;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        if (left < 4) return 0;
        const unsigned char b1 = at(i + 1);
        const unsigned char low = b0 == 0xF0 ? 0x90 : 0x80;   // no overlong forms
        const unsigned char high = b0 == 0xF4 ? 0x8F : 0xBF;  // at most U+10FFFF
        return b1 >= low && b1 <= high && isContinuation(at(i + 2)) && isContinuation(at(i + 3)) ? 4
                                                                                                 : 0;
    }
    return 0;
}

bool isValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = utf8SequenceLength(bytes, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

// The iconv conversion descriptor, closed on every way out.
struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

// Decodes GB18030 bytes to UTF-8. A byte that does not start a decodable
// sequence (also an incomplete sequence at the end) becomes U+FFFD and the
// decoding goes on with the next byte, so every call ends.
std::string decodeGb18030(std::string_view bytes) {
    const iconv_t cd = iconv_open("UTF-8", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw DataError("the GB18030 decoder of the system (iconv) is not available");
    const std::unique_ptr<void, IconvCloser> closer(cd);

    std::string out(bytes.size() * UTF8_BYTES_PER_GB18030_BYTE + REPLACEMENT_CHARACTER.size(), '\0');
    std::size_t written = 0;
    std::size_t done = 0;
    while (done < bytes.size()) {
        char* in = const_cast<char*>(bytes.data() + done);
        std::size_t inLeft = bytes.size() - done;
        if (out.size() - written < inLeft * UTF8_BYTES_PER_GB18030_BYTE + REPLACEMENT_CHARACTER.size())
            out.resize(written + inLeft * UTF8_BYTES_PER_GB18030_BYTE + REPLACEMENT_CHARACTER.size());
        char* to = out.data() + written;
        std::size_t toLeft = out.size() - written;
        const std::size_t result = iconv(cd, &in, &inLeft, &to, &toLeft);
        const int error = errno;
        done = static_cast<std::size_t>(in - bytes.data());
        written = static_cast<std::size_t>(to - out.data());
        if (result != static_cast<std::size_t>(-1)) break;
        if (error == E2BIG) {
            out.resize(out.size() * 2);  // more room than estimated; grows, so the loop ends
            continue;
        }
        // EILSEQ or EINVAL: one byte that cannot be decoded.
        iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
        out.replace(written, REPLACEMENT_CHARACTER.size(), REPLACEMENT_CHARACTER);
        written += REPLACEMENT_CHARACTER.size();
        ++done;
    }
    out.resize(written);
    return out;
}

std::string errnoText(int error) { return std::generic_category().message(error); }

// Checks that path names a regular file that can be opened; raises the
// failure of the reading functions otherwise.
void requireReadableFile(const std::string& path) {
    if (path.empty()) throw FileAccessError("no file was chosen");
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) throw DataError("the file does not exist");
    if (ec) throw DataError("the file cannot be reached: " + ec.message());
    if (status.type() == fs::file_type::directory) throw DataError("this is a folder, not a file");
    // Devices and pipes are refused: opening a pipe could wait for ever.
    if (status.type() != fs::file_type::regular) throw DataError("this is not a plain file");
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// A name beside target that no file has yet, opened for writing.
std::pair<std::string, FileHandle> createTemporaryBeside(const std::string& target) {
    std::random_device seed;
    std::mt19937_64 random(seed());
    int lastError = 0;
    for (int attempt = 0; attempt < TEMPORARY_NAME_TRIES; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(random()));
        std::string name = target + suffix;
        // "x": fails rather than opening a file that exists already.
        FileHandle file(std::fopen(name.c_str(), "wbx"));
        if (file) return {std::move(name), std::move(file)};
        lastError = errno;
        if (lastError != EEXIST) break;
    }
    throw DataError("the file cannot be written: " + errnoText(lastError));
}

}  // namespace

std::string decodeText(std::string_view bytes) {
    if (bytes.substr(0, UTF8_BOM.size()) == UTF8_BOM) bytes.remove_prefix(UTF8_BOM.size());
    if (isValidUtf8(bytes)) return std::string(bytes);
    return decodeGb18030(bytes);
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;  // CR LF
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::string readFileBytes(const std::string& path) {
    try {
        requireReadableFile(path);
        const FileHandle file(std::fopen(path.c_str(), "rb"));
        if (!file) throw DataError("the file cannot be opened: " + errnoText(errno));
        std::string bytes;
        std::string chunk(READ_CHUNK, '\0');
        for (;;) {
            const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get());
            bytes.append(chunk, 0, got);
            if (got < chunk.size()) break;
        }
        if (std::ferror(file.get())) throw DataError("the file cannot be read: " + errnoText(errno));
        return bytes;
    } catch (GradixError& e) {
        e.locate(path);
        throw;
    }
}

std::vector<std::string> readTextLines(const std::string& path) {
    const std::string bytes = readFileBytes(path);
    try {
        return splitLines(decodeText(bytes));
    } catch (GradixError& e) {
        e.locate(path);
        throw;
    }
}

void writeFileAtomically(const std::string& path, std::string_view bytes) {
    try {
        if (path.empty()) throw FileAccessError("no file was chosen");
        std::error_code ec;
        // Through a symbolic link the file it points to is replaced, not the link.
        std::string target = path;
        if (fs::is_symlink(path, ec)) {
            const fs::path resolved = fs::weakly_canonical(path, ec);
            if (!ec) target = resolved.string();
        }
        if (fs::is_directory(target, ec)) throw DataError("this is a folder, not a file");

        auto [temporary, file] = createTemporaryBeside(target);
        bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
        written = std::fflush(file.get()) == 0 && written;
        const int writeError = errno;
        written = std::fclose(file.release()) == 0 && written;
        if (!written) {
            fs::remove(temporary, ec);
            throw DataError("the file cannot be written: " + errnoText(writeError));
        }
        // A file that is replaced keeps its permissions.
        const fs::file_status old = fs::status(target, ec);
        if (!ec && fs::exists(old)) fs::permissions(temporary, old.permissions(), ec);
        fs::rename(temporary, target, ec);
        if (ec) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            throw DataError("the file cannot be replaced: " + ec.message());
        }
    } catch (GradixError& e) {
        e.locate(path);
        throw;
    }
}

std::size_t codePointCount(std::string_view utf8) {
    std::size_t count = 0;
    for (const char c : utf8)
        if (!isContinuation(static_cast<unsigned char>(c))) ++count;
    return count;
}

}  // namespace gradix
