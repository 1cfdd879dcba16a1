// The two kinds of failure that end a command, each carrying where it happened.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace gradix {

// The fixed texts the person sees for the two failure kinds.
inline constexpr const char* CANCELLED_TEXT = "读取文件被取消！";
inline constexpr const char* FORMAT_TEXT = "数据文件格式有误！";

// Base of both failure kinds. what() is the fixed text; detail() says which
// file, which line and what was wrong, for the message box's details and the
// command line's second line.
class GradixError : public std::runtime_error {
public:
    GradixError(const char* fixedText, std::string reason);

    const std::string& reason() const { return reason_; }
    const std::string& file() const { return file_; }
    long line() const { return line_; }  // 1-based; 0 when no line applies

    // Attaches the place unless an inner layer already did.
    void locate(const std::string& file, long line = 0);

    // "FILE，第N行：REASON", "FILE：REASON" or "REASON" (msg::located).
    std::string detail() const;

private:
    std::string reason_;
    std::string file_;
    long line_ = 0;
};

// A file that could not be reached: an empty path, which is what a cancelled
// file dialog gives. Shown as "读取文件被取消！".
class FileAccessError : public GradixError {
public:
    explicit FileAccessError(std::string reason) : GradixError(CANCELLED_TEXT, std::move(reason)) {}
};

// Every other failure of reading, preparing or evaluating data: a missing
// file, too few fields, a table beyond its capacity, a division by zero, an
// overflow. Shown as "数据文件格式有误！".
class DataError : public GradixError {
public:
    explicit DataError(std::string reason) : GradixError(FORMAT_TEXT, std::move(reason)) {}
};

// Most characters of a field that a failure's detail quotes.
inline constexpr std::size_t QUOTED_CHARACTERS = 40;

// A field as a failure's detail quotes it: in double quotes, at most
// QUOTED_CHARACTERS characters, then "…" when the field is longer. A byte that
// is not valid UTF-8, a control character (NUL, tab, line ends, DEL) and the
// backslash are written as escapes (\xFF, \x00, \\), one character each,
// so the detail is always one line of valid text.
std::string quotedField(std::string_view field);

// Raises DataError(what) unless v is finite (written so that NaN fails too).
double requireFinite(double v, const char* what);

}  // namespace gradix
