#include "text/failures.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "text/unicode.h"
#include "text/messages.h"

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
    return msg::located(file_, line_, reason_);
}

namespace {

constexpr std::string_view ELLIPSIS = "…";
constexpr unsigned char FIRST_PRINTABLE = 0x20;  // below: C0 control characters
constexpr unsigned char DELETE = 0x7F;

void appendEscaped(std::string& out, unsigned char byte) {
    char escape[sizeof "\\xFF"];
    std::snprintf(escape, sizeof escape, "\\x%02X", byte);
    out += escape;
}

}  // namespace

std::string quotedField(std::string_view field) {
    std::string out = "\"";
    std::size_t i = 0;
    for (std::size_t count = 0; i < field.size() && count < QUOTED_CHARACTERS; ++count) {
        const Utf8Character c = decodeUtf8At(field, i);
        const auto byte = static_cast<unsigned char>(field[i]);
        if (!c.wellFormed || byte < FIRST_PRINTABLE || byte == DELETE) appendEscaped(out, byte);
        else if (byte == '\\') out += "\\\\";
        else out.append(field.substr(i, c.length));
        i += c.length;
    }
    if (i < field.size()) out += ELLIPSIS;
    out += '"';
    return out;
}

double requireFinite(double v, const char* what) {
    if (!std::isfinite(v)) throw DataError(msg::notFinite(what));
    return v;
}

}  // namespace gradix
