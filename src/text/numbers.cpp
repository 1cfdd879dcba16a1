#include "text/numbers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

#include "text/angles.h"
#include "text/failures.h"
#include "text/messages.h"

namespace gradix {

namespace {

// Significant digits of the short decimal text of messages.
constexpr int SHORT_DECIMAL_DIGITS = 15;
// The short decimal text is written in fixed form for SHORT_FIXED_MIN_EXPONENT
// <= decimal exponent < SHORT_FIXED_END_EXPONENT, i.e. 1e-4 <= |x| < 1e15.
constexpr int SHORT_FIXED_MIN_EXPONENT = -4;
constexpr int SHORT_FIXED_END_EXPONENT = 15;
// Exponents of the short decimal text have at least this many digits ("1E-05").
constexpr std::size_t SHORT_EXPONENT_DIGITS = 2;
// Most decimals formatFixed writes; the fixed formats of the program use 0, 3 and 4.
constexpr int MAX_FIXED_DECIMALS = 100;
// Characters of the integer part of the largest double (about 1.8e308), with sign.
constexpr std::size_t MAX_FIXED_INTEGER_CHARS = 311;
// Digits of the metres within a kilometre in the drawing notation "K0+005.500".
constexpr std::size_t KILOMETRE_METRE_DIGITS = 3;
// A decimal exponent is followed only up to this size; beyond it any nonzero
// value is certainly outside the double range, so the exact size does not matter.
constexpr long long EXPONENT_SATURATION = 1'000'000'000LL;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Characters that the leading-number rule skips wherever they stand.
bool isIgnoredInNumber(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Decimal exponent of the first nonzero digit of a number text of the form
// [-]digits[.digits][e[+-]digits]; nullopt when every digit is zero.
std::optional<long long> leadingDigitExponent(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    long long integerDigits = 0;
    std::optional<long long> lead;  // position of the first nonzero digit
    for (; i < text.size() && isDigit(text[i]); ++i, ++integerDigits)
        if (!lead && text[i] != '0') lead = integerDigits;
    long long fractionPosition = 0;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && isDigit(text[i]); ++i) {
            ++fractionPosition;
            if (!lead && text[i] != '0') lead = integerDigits + fractionPosition - 1;
        }
    }
    if (!lead) return std::nullopt;
    long long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
        for (; i < text.size() && isDigit(text[i]); ++i)
            exponent = std::min(EXPONENT_SATURATION, exponent * 10 + (text[i] - '0'));
        if (negative) exponent = -exponent;
    }
    return integerDigits - 1 - *lead + exponent;
}

// Converts a checked number text [+-]?(digits[.digits]|.digits)([eE][+-]?digits)?
// to the correctly rounded double. A value too small for a double (below the
// smallest subnormal) reads as a zero of its sign; nullopt for a value beyond
// the double range.
std::optional<double> convertNumberText(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        // from_chars reads no "+"; the sign is put back on the value below.
        text.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range) {
        const std::optional<long long> lead = leadingDigitExponent(text);
        if (lead && *lead >= 0) return std::nullopt;  // overflow
        return negative ? -0.0 : 0.0;                  // underflow
    }
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

}  // namespace

double LeadingNumber(std::string_view text) {
    std::string number;  // the accepted characters, without the ignored ones
    bool seenSign = false;
    bool seenPoint = false;
    bool mantissaDigits = false;
    // Exponent: the "E" and its sign are held back until a digit follows them.
    enum class Exponent { None, Letter, Sign, Digits } exponent = Exponent::None;
    // The held-back "e" and its sign, at most two characters.
    char pendingExponent[2] = {};
    std::size_t pendingLength = 0;

    for (const char c : text) {
        if (isIgnoredInNumber(c)) continue;
        if (exponent == Exponent::None) {
            if ((c == '+' || c == '-') && !seenSign && !seenPoint && !mantissaDigits) {
                seenSign = true;
                number += c;
            } else if (isDigit(c)) {
                mantissaDigits = true;
                number += c;
            } else if (c == '.' && !seenPoint) {
                seenPoint = true;
                number += c;
            } else if ((c == 'e' || c == 'E') && mantissaDigits) {
                exponent = Exponent::Letter;
                pendingExponent[0] = 'e';
                pendingLength = 1;
            } else {
                break;
            }
        } else if ((c == '+' || c == '-') && exponent == Exponent::Letter) {
            exponent = Exponent::Sign;
            pendingExponent[pendingLength++] = c;
        } else if (isDigit(c)) {
            if (exponent != Exponent::Digits) {
                number.append(pendingExponent, pendingLength);
                exponent = Exponent::Digits;
            }
            number += c;
        } else {
            break;
        }
    }
    if (!mantissaDigits) return 0.0;
    const std::optional<double> value = convertNumberText(number);
    if (!value) throw DataError(msg::numberBeyondDouble(number));
    return *value;
}

std::optional<double> parseStrictNumber(std::string_view field) {
    std::size_t i = 0;
    const std::size_t n = field.size();
    if (i < n && (field[i] == '+' || field[i] == '-')) ++i;
    std::size_t integerDigits = 0;
    for (; i < n && isDigit(field[i]); ++i) ++integerDigits;
    std::size_t fractionDigits = 0;
    if (i < n && field[i] == '.') {
        for (++i; i < n && isDigit(field[i]); ++i) ++fractionDigits;
    }
    if (integerDigits == 0 && fractionDigits == 0) return std::nullopt;
    if (i < n && (field[i] == 'e' || field[i] == 'E')) {
        ++i;
        if (i < n && (field[i] == '+' || field[i] == '-')) ++i;
        std::size_t exponentDigits = 0;
        for (; i < n && isDigit(field[i]); ++i) ++exponentDigits;
        if (exponentDigits == 0) return std::nullopt;
    }
    if (i != n) return std::nullopt;
    return convertNumberText(field);
}

std::string shortDecimal(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";
    if (value == 0.0) return "0";  // also -0

    // d.dddddddddddddde±XXX: the exact binary value rounded to 15 significant digits.
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::scientific, SHORT_DECIMAL_DIGITS - 1);
    const std::string_view scientific(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));

    const bool negative = scientific.front() == '-';
    const std::size_t ePos = scientific.find('e');
    std::string digits;
    for (const char c : scientific.substr(0, ePos))
        if (isDigit(c)) digits += c;
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    int exponent = 0;
    std::string_view exponentText = scientific.substr(ePos + 1);
    if (exponentText.front() == '+') exponentText.remove_prefix(1);
    std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);

    std::string text = negative ? "-" : "";
    if (exponent >= SHORT_FIXED_MIN_EXPONENT && exponent < SHORT_FIXED_END_EXPONENT) {
        if (exponent >= 0) {
            const std::size_t integerDigits = static_cast<std::size_t>(exponent) + 1;
            if (digits.size() <= integerDigits) {
                text += digits;
                text.append(integerDigits - digits.size(), '0');
            } else {
                text += digits.substr(0, integerDigits);
                text += '.';
                text += digits.substr(integerDigits);
            }
        } else {
            // No zero before the point: 0.5 is ".5".
            text += '.';
            text.append(static_cast<std::size_t>(-exponent - 1), '0');
            text += digits;
        }
        return text;
    }
    text += digits.front();
    if (digits.size() > 1) {
        text += '.';
        text += digits.substr(1);
    }
    text += exponent < 0 ? "E-" : "E+";
    std::string exponentDigits = std::to_string(exponent < 0 ? -exponent : exponent);
    if (exponentDigits.size() < SHORT_EXPONENT_DIGITS)
        exponentDigits.insert(0, SHORT_EXPONENT_DIGITS - exponentDigits.size(), '0');
    return text + exponentDigits;
}

std::string formatTrimmed(double value, int decimals) {
    std::string text = formatFixed(value, decimals);
    if (text.find('.') == std::string::npos) return text;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}

std::string formatFixed(double value, int decimals) {
    decimals = std::clamp(decimals, 0, MAX_FIXED_DECIMALS);
    std::string buffer(MAX_FIXED_INTEGER_CHARS + 1 + static_cast<std::size_t>(decimals), '\0');
    // to_chars with a precision rounds the exact binary value as printf does in
    // the "C" locale, whatever the locale in force.
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    buffer.resize(static_cast<std::size_t>(result.ptr - buffer.data()));
    if (!std::isfinite(value)) return std::isnan(value) ? "nan" : buffer;
    // A value that rounds to zero carries no minus sign: "-0.000" is "0.000".
    if (buffer.front() == '-' &&
        buffer.find_first_not_of("0.", 1) == std::string::npos)
        buffer.erase(0, 1);
    return buffer;
}

std::string shortestText(double value) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

std::string formatSideOffset(double offsetRight, int decimals) {
    const std::string distance = formatFixed(std::fabs(offsetRight), decimals);
    // What rounds to zero lies on the road: no side.
    if (distance.find_first_not_of("0.") == std::string::npos) return distance;
    return std::string(offsetRight > 0 ? "右 " : "左 ") + distance;
}

std::string formatPercent(double ratio, int decimals) { return formatFixed(PERCENT * ratio, decimals); }

std::string formatAngleDms(double radians) {
    constexpr double TENTHS_PER_DEGREE = 36000.0;  // tenths of a second
    constexpr long long TENTHS_PER_MINUTE = 600;
    constexpr long long MINUTES_PER_DEGREE = 60;
    constexpr long long TENTHS_PER_SECOND = 10;
    constexpr double LARGEST_TENTHS = 9e15;  // beyond, tenths are no longer whole numbers
    const double tenths = std::round(std::fabs(radiansToDegrees(radians)) * TENTHS_PER_DEGREE);
    if (!(tenths <= LARGEST_TENTHS)) return formatFixed(radiansToDegrees(radians), 0);
    const auto all = static_cast<long long>(tenths);
    const long long degrees = all / (TENTHS_PER_MINUTE * MINUTES_PER_DEGREE);
    const long long minutes = all / TENTHS_PER_MINUTE % MINUTES_PER_DEGREE;
    const long long secondTenths = all % TENTHS_PER_MINUTE;
    const auto twoDigits = [](long long v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    std::string text = radians < 0.0 && all > 0 ? "-" : "";
    if (degrees > 0) text += std::to_string(degrees) + "°";
    if (degrees > 0 || minutes > 0) text += (degrees > 0 ? twoDigits(minutes) : std::to_string(minutes)) + "′";
    const long long seconds = secondTenths / TENTHS_PER_SECOND;
    text += (degrees > 0 || minutes > 0 ? twoDigits(seconds) : std::to_string(seconds)) + "." +
            std::to_string(secondTenths % TENTHS_PER_SECOND) + "″";
    return text;
}

std::string formatKilometreStake(double metres, int decimals) {
    if (!std::isfinite(metres)) return shortestText(metres);
    // Round first, so 999.9996 is K1+000.000, then split the digits of the
    // rounded text: exact for every double.
    std::string fixed = formatFixed(metres, decimals);
    const bool negative = fixed.front() == '-';
    if (negative) fixed.erase(0, 1);
    const std::size_t point = std::min(fixed.find('.'), fixed.size());
    std::string whole = fixed.substr(0, point);
    const std::string fraction = fixed.substr(point);
    std::string kilometres = "0";
    if (whole.size() > KILOMETRE_METRE_DIGITS) {
        kilometres = whole.substr(0, whole.size() - KILOMETRE_METRE_DIGITS);
        whole.erase(0, whole.size() - KILOMETRE_METRE_DIGITS);
    } else {
        whole.insert(0, KILOMETRE_METRE_DIGITS - whole.size(), '0');
    }
    return std::string(negative ? "-" : "") + "K" + kilometres + "+" + whole + fraction;
}

std::optional<double> parseDegrees(std::string_view field) {
    if (std::optional<double> plain = parseStrictNumber(field)) return plain;
    constexpr double MINUTES = 60.0;
    const bool negative = !field.empty() && field.front() == '-';
    if (negative) field.remove_prefix(1);
    // The units: ":" between the parts, or the degree, minute and second marks.
    static constexpr std::string_view DEGREE_MARKS[] = {"°", ":"};
    static constexpr std::string_view MINUTE_MARKS[] = {"′", "'", ":"};
    static constexpr std::string_view SECOND_MARKS[] = {"″", "\""};
    const auto part = [&field](const auto& marks, bool last) -> std::optional<double> {
        for (std::string_view mark : marks) {
            const std::size_t at = field.find(mark);
            if (at == std::string_view::npos) continue;
            if (last && at + mark.size() != field.size()) return std::nullopt;
            const std::string_view number = field.substr(0, at);
            field.remove_prefix(at + mark.size());
            if (number.empty() || number.front() == '-' || number.front() == '+') return std::nullopt;
            return parseStrictNumber(number);
        }
        if (field.empty() || field.front() == '-' || field.front() == '+') return std::nullopt;
        // The last part may go without its mark.
        std::optional<double> v = parseStrictNumber(field);
        field = {};
        return v;
    };
    const std::optional<double> degrees = part(DEGREE_MARKS, false);
    if (!degrees) return std::nullopt;
    double value = *degrees;
    if (!field.empty()) {
        const std::optional<double> minutes = part(MINUTE_MARKS, false);
        if (!minutes || !(*minutes < MINUTES)) return std::nullopt;
        value += *minutes / MINUTES;
    }
    if (!field.empty()) {
        const std::optional<double> seconds = part(SECOND_MARKS, true);
        if (!seconds || !(*seconds < MINUTES) || !field.empty()) return std::nullopt;
        value += *seconds / (MINUTES * MINUTES);
    }
    return negative ? -value : value;
}

}  // namespace gradix
