#include "text/textfile.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <system_error>
#include <utility>

#include "text/failures.h"
#include "text/messages.h"

namespace gradix {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";
constexpr std::string_view LINE_ENDS = "\r\n";
// Bytes read from a file at a time.
constexpr std::size_t READ_CHUNK = 1 << 16;
// Longest UTF-8 sequence: a chunk may end inside one.
constexpr std::size_t LONGEST_UTF8_SEQUENCE = 4;
// Bytes below this are ASCII.
constexpr unsigned char ASCII_END = 0x80;
// Tries at finding an unused temporary name.
constexpr int TEMPORARY_NAME_TRIES = 100;
// Temporary files: TEMPORARY_PREFIX, the writer's process id and a random
// number in hexadecimal, TEMPORARY_SUFFIX.
constexpr std::string_view TEMPORARY_PREFIX = ".gradix-";
constexpr std::string_view TEMPORARY_SUFFIX = ".tmp";
constexpr int HEX = 16;
// Permissions of a new file before the umask.
constexpr mode_t NEW_FILE_MODE = 0666;

std::string errnoText(int error) { return msg::systemError(error); }

// Checks that path names a regular file that can be opened; raises the
// failure of the reading functions otherwise.
void requireReadableFile(const std::string& path) {
    if (path.empty()) throw FileAccessError(msg::NO_FILE_CHOSEN);
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) throw DataError(msg::FILE_MISSING);
    if (ec) throw DataError(msg::fileUnreachable(msg::systemError(ec.value())));
    if (status.type() == fs::file_type::directory) throw DataError(msg::IS_FOLDER);
    // Devices and pipes are refused: opening a pipe could wait for ever.
    if (status.type() != fs::file_type::regular) throw DataError(msg::NOT_PLAIN_FILE);
}

std::FILE* openForReading(const std::string& path) {
    requireReadableFile(path);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw DataError(msg::fileNotOpened(errnoText(errno)));
    return file;
}

// Reads up to READ_CHUNK bytes appended to out; false at the end of the file.
bool readChunk(std::FILE* file, std::string& out) {
    const std::size_t old = out.size();
    out.resize(old + READ_CHUNK);
    const std::size_t got = std::fread(out.data() + old, 1, READ_CHUNK, file);
    out.resize(old + got);
    if (std::ferror(file)) throw DataError(msg::fileNotRead(errnoText(errno)));
    return got == READ_CHUNK;
}

// Skips a leading byte-order mark; the file is at its start.
void skipByteOrderMark(std::FILE* file) {
    char head[UTF8_BOM.size()];
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    if (got != sizeof head || std::string_view(head, sizeof head) != UTF8_BOM) std::rewind(file);
}

// Whether the rest of the file is well-formed UTF-8, read in chunks; stops at
// the first byte that is not.
bool restIsUtf8(std::FILE* file) {
    std::string chunk;
    for (bool more = true; more;) {
        more = readChunk(file, chunk);
        std::size_t i = 0;
        while (i < chunk.size()) {
            if (static_cast<unsigned char>(chunk[i]) < ASCII_END) {  // most bytes: one at a time, cheaply
                ++i;
                continue;
            }
            const Utf8Character c = decodeUtf8At(chunk, i);
            if (!c.wellFormed) {
                // A sequence that the chunk cuts short is read again with the next one.
                if (more && chunk.size() - i < LONGEST_UTF8_SEQUENCE) break;
                return false;
            }
            i += c.length;
        }
        chunk.erase(0, i);
    }
    return chunk.empty();
}

}  // namespace

std::string decodeText(std::string_view bytes) {
    if (bytes.substr(0, UTF8_BOM.size()) == UTF8_BOM) bytes.remove_prefix(UTF8_BOM.size());
    if (isValidUtf8(bytes)) return std::string(bytes);
    return decodeCodePage(bytes, CHARSET_GB18030);
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

TextLineReader::TextLineReader(const std::string& path) : path_(path) {
    try {
        file_.reset(openForReading(path));
        skipByteOrderMark(file_.get());
        utf8_ = restIsUtf8(file_.get());
        std::rewind(file_.get());
        skipByteOrderMark(file_.get());
    } catch (GradixError& e) {
        e.locate(path);
        throw;
    }
}

bool TextLineReader::fill() {
    if (atEnd_) return false;
    buffer_.erase(0, start_);
    start_ = 0;
    atEnd_ = !readChunk(file_.get(), buffer_);
    return true;
}

bool TextLineReader::next(std::string& line) {
    const auto tooLong = [] {
        return DataError(msg::lineTooLong(MAX_LINE_BYTES));
    };
    try {
        std::size_t scanned = 0;  // bytes from start_ on that hold no line end
        std::size_t end = std::string::npos;
        for (;;) {
            end = buffer_.find_first_of(LINE_ENDS, start_ + scanned);
            // A CR at the end of what is read may be the first half of CR LF.
            const bool pendingCr = end != std::string::npos && buffer_[end] == '\r' && end + 1 == buffer_.size() &&
                                   !atEnd_;
            if (end != std::string::npos && !pendingCr) break;
            scanned = (end == std::string::npos ? buffer_.size() : end) - start_;
            if (scanned > MAX_LINE_BYTES) throw tooLong();
            if (!fill()) break;  // fill moves the bytes, not the count scanned
        }
        const std::size_t lineEnd = end == std::string::npos ? buffer_.size() : end;
        if (end == std::string::npos && lineEnd == start_) return false;
        if (lineEnd - start_ > MAX_LINE_BYTES) throw tooLong();
        const std::string_view raw = std::string_view(buffer_).substr(start_, lineEnd - start_);
        line = utf8_ ? std::string(raw) : decodeCodePage(raw, CHARSET_GB18030);
        start_ = lineEnd;
        if (end != std::string::npos) {
            ++start_;
            if (buffer_[end] == '\r' && start_ < buffer_.size() && buffer_[start_] == '\n') ++start_;
        }
        ++lineNumber_;
        return true;
    } catch (GradixError& e) {
        e.locate(path_, lineNumber_ + 1);
        throw;
    }
}

std::vector<std::string> readTextLines(const std::string& path) {
    TextLineReader reader(path);
    std::vector<std::string> lines;
    for (std::string line; reader.next(line);) lines.push_back(std::move(line));
    return lines;
}

std::string readFileBytes(const std::string& path, std::size_t most) {
    try {
        const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openForReading(path), &std::fclose);
        std::string bytes;
        // Room for the whole file at once (and the chunk that finds its
        // end): a big drawing is never copied while it grows.
        std::error_code sizeUnknown;
        const std::uintmax_t size = std::filesystem::file_size(path, sizeUnknown);
        if (!sizeUnknown && size < bytes.max_size() - READ_CHUNK)
            bytes.reserve(static_cast<std::size_t>(std::min<std::uintmax_t>(size, most)) + READ_CHUNK);
        while (bytes.size() < most && readChunk(file.get(), bytes)) {
        }
        if (bytes.size() > most) bytes.resize(most);
        return bytes;
    } catch (GradixError& e) {
        e.locate(path);
        throw;
    }
}

namespace detail {

namespace {

// The slots of the temporary files being written. A slot is claimed by
// setting its state to WRITING_PATH, filled, then set to IN_USE; the handler
// removes the files of the slots IN_USE. Lock-free atomics only: the handler
// may run at any point of a write.
enum SlotState : int { FREE = 0, WRITING_PATH = 1, IN_USE = 2 };
constexpr std::size_t SLOT_PATH_BYTES = PATH_MAX;
std::array<std::atomic<int>, MAX_TEMPORARY_WRITES> slotState{};
std::array<std::array<char, SLOT_PATH_BYTES>, MAX_TEMPORARY_WRITES> slotPath{};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs lock-free slots");

// The signals after which a temporary file is removed, and what the program
// did on them before Gradix's handler came.
constexpr std::array<int, 2> CLEANED_SIGNALS = {SIGTERM, SIGINT};
std::array<struct sigaction, CLEANED_SIGNALS.size()> previousAction{};

void removeTemporaries(int signal) {
    for (std::size_t i = 0; i < MAX_TEMPORARY_WRITES; ++i)
        if (slotState[i].load() == IN_USE) ::unlink(slotPath[i].data());
    // The signal then takes its course: the earlier disposition, raised again
    // (delivered when this handler returns).
    for (std::size_t k = 0; k < CLEANED_SIGNALS.size(); ++k) {
        if (CLEANED_SIGNALS[k] != signal) continue;
        ::sigaction(signal, &previousAction[k], nullptr);
        ::raise(signal);
    }
}

// Installs the handler unless it is in place already or the signal is ignored
// (a program started to ignore SIGINT keeps ignoring it).
void installHandler() {
    for (std::size_t k = 0; k < CLEANED_SIGNALS.size(); ++k) {
        struct sigaction current {};
        if (::sigaction(CLEANED_SIGNALS[k], nullptr, &current) != 0) continue;
        if (current.sa_handler == &removeTemporaries || current.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = &removeTemporaries;
        sigemptyset(&action.sa_mask);
        for (const int other : CLEANED_SIGNALS) sigaddset(&action.sa_mask, other);
        previousAction[k] = current;
        ::sigaction(CLEANED_SIGNALS[k], &action, nullptr);
    }
}

}  // namespace

TemporaryRegistration::TemporaryRegistration(const std::string& path) : slot_(-1) {
    if (path.size() >= SLOT_PATH_BYTES) return;
    installHandler();
    for (std::size_t i = 0; i < MAX_TEMPORARY_WRITES; ++i) {
        int expected = FREE;
        if (!slotState[i].compare_exchange_strong(expected, WRITING_PATH)) continue;
        std::memcpy(slotPath[i].data(), path.c_str(), path.size() + 1);
        slotState[i].store(IN_USE);
        slot_ = static_cast<int>(i);
        return;
    }
}

TemporaryRegistration::~TemporaryRegistration() {
    if (slot_ >= 0) slotState[static_cast<std::size_t>(slot_)].store(FREE);
}

bool isRegisteredTemporary(const std::string& path) {
    for (std::size_t i = 0; i < MAX_TEMPORARY_WRITES; ++i)
        if (slotState[i].load() == IN_USE && path == slotPath[i].data()) return true;
    return false;
}

}  // namespace detail

namespace {

// The process id in a temporary file's name, when the name is one of them.
std::optional<pid_t> temporaryWriter(std::string_view name) {
    if (!name.starts_with(TEMPORARY_PREFIX) || !name.ends_with(TEMPORARY_SUFFIX)) return std::nullopt;
    name.remove_prefix(TEMPORARY_PREFIX.size());
    long long pid = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), pid, HEX);
    if (ec != std::errc{} || end == name.data() || *end != '-' || pid <= 0) return std::nullopt;
    return static_cast<pid_t>(pid);
}

// Removes the temporary files in folder that no running writer holds: those
// of a process that has ended, and those of this process that no write of
// it has open (left by an ended process whose id this one got again).
void removeStaleTemporaries(const fs::path& folder) {
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec);
    if (ec) return;
    // increment(ec), not a range for: a folder that fails half-way is no failure of the write.
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        const std::string name = entry.path().filename().string();
        const std::optional<pid_t> writer = temporaryWriter(name);
        std::error_code typeError;
        if (!writer || !entry.is_regular_file(typeError)) continue;
        // Named as the writers name it, so that it compares with the table.
        const std::string temporary = (folder / entry.path().filename()).string();
        const bool running = *writer == ::getpid() ? detail::isRegisteredTemporary(temporary)
                                                   : ::kill(*writer, 0) == 0 || errno == EPERM;
        std::error_code ignored;
        if (!running) fs::remove(entry.path(), ignored);
    }
}

// A file descriptor, closed on every way out.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
    int release() { return std::exchange(fd, -1); }
};

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t done = ::write(fd, bytes.data(), bytes.size());
        if (done < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(done));
    }
    return true;
}

// Flushes a folder's entries (a rename in it) to the disk. Some file systems
// cannot: that is no failure of the write.
void syncFolder(const fs::path& folder) {
    Descriptor dir{::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd >= 0) ::fsync(dir.fd);
}

std::string temporaryName(std::mt19937_64& random) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*s%llx-%016llx%.*s", static_cast<int>(TEMPORARY_PREFIX.size()),
                  TEMPORARY_PREFIX.data(), static_cast<unsigned long long>(::getpid()),
                  static_cast<unsigned long long>(random()), static_cast<int>(TEMPORARY_SUFFIX.size()),
                  TEMPORARY_SUFFIX.data());
    return buffer;
}

// A new temporary file in folder, open for writing: registered with the
// signal cleanup before it exists, so that no moment of the write leaves it
// behind. Raises DataError with the system's reason when none can be made.
void createTemporary(const fs::path& folder, std::string& path,
                     std::unique_ptr<detail::TemporaryRegistration>& registration, Descriptor& file) {
    std::random_device seed;
    std::mt19937_64 random(seed());
    int lastError = 0;
    for (int attempt = 0; attempt < TEMPORARY_NAME_TRIES; ++attempt) {
        path = (folder / temporaryName(random)).string();
        registration = std::make_unique<detail::TemporaryRegistration>(path);
        // O_EXCL: fails rather than opening a file that exists already.
        file.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, NEW_FILE_MODE);
        if (file.fd >= 0) return;
        lastError = errno;
        registration.reset();
        if (lastError != EEXIST) break;
    }
    throw DataError(msg::fileNotWritten(errnoText(lastError)));
}

}  // namespace

ScratchFile::ScratchFile(const std::string& beside) {
    try {
        if (beside.empty()) throw FileAccessError(msg::NO_FILE_CHOSEN);
        const fs::path folder = fs::path(beside).parent_path();
        removeStaleTemporaries(folder);
        Descriptor file;
        createTemporary(folder, path_, registration_, file);
    } catch (GradixError& e) {
        e.locate(beside);
        throw;
    }
}

ScratchFile::~ScratchFile() {
    std::error_code ignored;
    fs::remove(path_, ignored);
}

void writeFileAtomically(const std::string& path, std::string_view bytes) {
    try {
        if (path.empty()) throw FileAccessError(msg::NO_FILE_CHOSEN);
        std::error_code ec;
        // Through a symbolic link the file it points to is replaced, not the link.
        fs::path target = path;
        if (fs::is_symlink(target, ec)) {
            const fs::path resolved = fs::weakly_canonical(target, ec);
            if (!ec) target = resolved;
        }
        if (fs::is_directory(target, ec)) throw DataError(msg::IS_FOLDER);
        const fs::path folder = target.parent_path();
        removeStaleTemporaries(folder);

        std::string temporary;
        std::unique_ptr<detail::TemporaryRegistration> registration;
        Descriptor file;
        createTemporary(folder, temporary, registration, file);
        const auto fail = [&](std::string (*what)(const std::string&), int error) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return DataError(what(errnoText(error)));
        };
        if (!writeAll(file.fd, bytes)) throw fail(msg::fileNotWritten, errno);
        // A file that is replaced keeps its permissions.
        const fs::file_status old = fs::status(target, ec);
        if (!ec && fs::exists(old)) fs::permissions(temporary, old.permissions(), ec);
        // The bytes reach the disk before the name does.
        if (::fsync(file.fd) != 0 && errno != EINVAL) throw fail(msg::fileNotWritten, errno);
        if (::close(file.release()) != 0) throw fail(msg::fileNotWritten, errno);
        fs::rename(temporary, target, ec);
        if (ec) throw fail(msg::fileNotReplaced, ec.value());
        syncFolder(folder);
    } catch (GradixError& e) {
        e.locate(path);
        throw;
    }
}

}  // namespace gradix
