#include "text/failures.h"

#include <cmath>
#include <utility>

namespace gradix {

GradixError::GradixError(const char* fixedText, std::string reason)
    : std::runtime_error(fixedText), reason_(std::move(reason)) {}

void GradixError::locate(const std::string& file, long line) {
    // The innermost layer knows the place best: a file already attached stays.
    // A layer that knows only the file (line 0) may be refined by an outer
    // layer that counts the lines of that same file.
    if (file_.empty()) {
        file_ = file;
        if (line_ == 0) line_ = line;
    } else if (file_ == file && line_ == 0) {
        line_ = line;
    }
}

std::string GradixError::detail() const {
    if (file_.empty()) return reason_;
    std::string text = file_;
    if (line_ > 0) text += ", line " + std::to_string(line_);
    text += ": ";
    text += reason_;
    return text;
}

double requireFinite(double v, const char* what) {
    if (!std::isfinite(v)) throw DataError(std::string(what) + " is not a finite number");
    return v;
}

}  // namespace gradix
