#include "dxf/pairwriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "dxf/dxfstructure.h"
#include "text/failures.h"
#include "text/messages.h"

namespace gradix {

namespace {

constexpr int ONE_BYTE_CODE_LIMIT = 255;
constexpr int BYTE_BITS = 8;
constexpr unsigned BYTE_MASK = 0xFF;
constexpr std::size_t CODE_COLUMNS = 3;  // an ASCII code right-aligned in three columns
constexpr int INT16_BYTES = 2, INT32_BYTES = 4, INT64_BYTES = 8, BOOL_BYTES = 1, CODE_BYTES = 2;

// The number at the start of an ASCII value (after blanks); 0 when none.
template <class T>
T leadingValue(std::string_view value) {
    T v{};
    const std::size_t lead = std::min(value.find_first_not_of(' '), value.size());
    std::from_chars(value.data() + lead, value.data() + value.size(), v);
    return v;
}

}  // namespace

std::string formatDxfReal(double v) {
    if (!std::isfinite(v)) throw DataError(msg::VALUE_TO_SAVE_NOT_FINITE);
    if (v == 0) v = 0;  // no "-0"
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    std::string out(buffer, end);
    if (out.find_first_of(".eEn") == std::string::npos) out += ".0";
    return out;
}

PairWriter& PairWriter::pair(int code, std::string_view value) {
    if (!f_.binary) {
        const std::string c = std::to_string(code);
        if (c.size() < CODE_COLUMNS) out_.append(CODE_COLUMNS - c.size(), ' ');
        out_ += c;
        out_ += f_.lineEnd;
        out_.append(value);
        out_ += f_.lineEnd;
        return *this;
    }
    switch (dxfValueKind(code)) {
        case DxfValueKind::Real: return real(code, leadingValue<double>(value));
        case DxfValueKind::String: break;
        default: return integer(code, leadingValue<long long>(value));
    }
    binaryCode(code);
    out_.append(value);
    out_ += '\0';
    return *this;
}

PairWriter& PairWriter::integer(int code, long long value) {
    if (!f_.binary) return pair(code, std::to_string(value));
    if (dxfValueKind(code) == DxfValueKind::Real) return real(code, static_cast<double>(value));
    binaryCode(code);
    switch (dxfValueKind(code)) {
        case DxfValueKind::Int16: return little(static_cast<std::uint64_t>(value), INT16_BYTES);
        case DxfValueKind::Int32: return little(static_cast<std::uint64_t>(value), INT32_BYTES);
        case DxfValueKind::Int64: return little(static_cast<std::uint64_t>(value), INT64_BYTES);
        case DxfValueKind::Bool: return little(static_cast<std::uint64_t>(value), BOOL_BYTES);
        default:
            out_ += std::to_string(value);
            out_ += '\0';
            return *this;
    }
}

PairWriter& PairWriter::real(int code, double value) {
    if (!f_.binary) return pair(code, formatDxfReal(value));
    if (!std::isfinite(value)) throw DataError(msg::VALUE_TO_SAVE_NOT_FINITE);
    if (value == 0) value = 0;  // no "-0"
    binaryCode(code);
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return little(bits, sizeof bits);
}

void PairWriter::binaryCode(int code) {
    if (f_.codeBytes == 1) {
        if (code < ONE_BYTE_CODE_LIMIT) {
            out_ += static_cast<char>(code);
            return;
        }
        out_ += static_cast<char>(ONE_BYTE_CODE_LIMIT);
    }
    little(static_cast<std::uint64_t>(code), CODE_BYTES);
}

PairWriter& PairWriter::little(std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out_ += static_cast<char>((v >> (BYTE_BITS * i)) & BYTE_MASK);
    return *this;
}

}  // namespace gradix
