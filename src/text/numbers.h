// Reading numbers from data fields and writing them in the program's fixed
// formats. Every reader uses "." as the decimal point, whatever the locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace gradix {

// LeadingNumber: the leading-number rule used for stake texts and most data
// fields. Spaces, tabs and line feeds anywhere are ignored; then an optional
// sign, ASCII digits with at most one decimal point and an optional exponent
// (E or e, optional sign, at least one digit: "1e" reads as 1) are read up to
// the first character that does not fit. No digit gives 0.
// The result is the correctly rounded double of the digits read; a value too
// small for a double reads as a zero of its sign.
// Raises DataError for a value beyond the double range.
double LeadingNumber(std::string_view text);

// Strict number: the whole field must be [+-]?(digits[.digits?]|.digits)
// ([eE][+-]?digits)?. "1." and ".5" pass; inf, nan, hex, "1,5", "" fail
// (empty optional). A value beyond the double range also fails; one too
// small for a double reads as a zero of its sign.
std::optional<double> parseStrictNumber(std::string_view field);

// An angle in degrees as a surveyor types it: decimal degrees ("30.5",
// "-117.25"), or degrees, minutes and seconds "30:00:00.000" or
// "30°00'00.000\"" (also with ′ and ″; the seconds, or the minutes and
// seconds, may be left out), a leading minus for the whole angle. Minutes
// and seconds below 60. Empty for anything else.
std::optional<double> parseDegrees(std::string_view field);

// Short decimal text of messages and of the drawing-text reduction: up to 15
// significant digits, trailing zeros dropped, exponent form "1E+15" / "1E-05"
// outside 1e-4 <= |x| < 1e15, no zero before the point (".5", "-.5"), -0 as "0".
// The range test uses the value rounded to 15 digits. NaN is "NaN", infinities
// "Inf" and "-Inf".
std::string shortDecimal(double value);

// Fixed formats "0" (decimals 0), "0.000" (3) and "0.0000" (4): the exact
// binary value rounded as printf does; a value that rounds to zero is written
// without a minus sign. decimals is held to 0..100. Non-finite values give
// "nan", "inf" or "-inf".
std::string formatFixed(double value, int decimals);

// formatFixed with the trailing zeros and a trailing point dropped: 8000,
// 120, 7081.1 (3 decimals); never "-0".
std::string formatTrimmed(double value, int decimals);

// Shortest text that reads back to the same double (std::to_chars).
std::string shortestText(double value);

// The drawing notation "K0+000.000" of a stake value in metres: "K", whole
// kilometres, "+", metres within the kilometre as three digits and the given
// decimals, 3 unless told (12345.678 gives K12+345.678, 5.5 gives
// K0+005.500; with 0 decimals 1200 gives K1+200). The value is rounded to
// those decimals first (999.9996 gives K1+000.000). A negative value gets a
// minus in front of the "K" (-5.5 gives -K0+005.500) unless it rounds to
// zero; NaN and infinities give "nan", "inf", "-inf".
std::string formatKilometreStake(double metres, int decimals = 3);

// Grades are ratios inside the program and shown in percent (× 100).
inline constexpr double PERCENT = 100.0;
// Decimals of the elevations and grades the program shows: "0.0000".
inline constexpr int RESULT_DECIMALS = 4;

// An offset (m, positive to the right of increasing chainage) as the window
// shows it, the side in words and the distance with the given decimals (3,
// the millimetre, unless told): "右 3.215", "左 2.086"; on the road "0.000".
std::string formatSideOffset(double offsetRight, int decimals = 3);

// A grade (a ratio, rise over run) in percent with the given decimals, the
// "0.0000" of the results unless told, without the "%" sign: 0.0125 gives
// "1.2500", -0.0096 "-0.9600".
std::string formatPercent(double ratio, int decimals = RESULT_DECIMALS);

// An angle (rad) in degrees, minutes and seconds to 0.1″, leading units that
// are zero left out: 1.1185e-05 gives "2.3″", 0.0003 "1′01.9″", 0.5
// "28°38′52.4″"; a negative angle gets a minus in front. Non-finite values
// give "nan", "inf", "-inf".
std::string formatAngleDms(double radians);

}  // namespace gradix
