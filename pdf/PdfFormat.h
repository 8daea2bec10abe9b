#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

namespace gq::pdf
{

/// One argument of FormatPdf: an integer, a real or a text (the text must outlive the call).
struct TFormatArg
{
    template <typename T>
    requires std::is_integral_v<T> TFormatArg(T value) : Value(static_cast<long long>(value)) {}
    TFormatArg(double value) : Value(value) {}
    TFormatArg(std::string_view value) : Value(value) {}
    TFormatArg(const std::string& value) : Value(std::string_view(value)) {}
    TFormatArg(const char* value) : Value(std::string_view(value)) {}

    std::variant<long long, double, std::string_view> Value;
};

/// Formats `format` with the conversions the PDF writer uses, always with "." as decimal
/// separator and never through the C locale:
///   %d    decimal integer, "-" when negative
///   %s    the text as it stands
///   %.4f  fixed point with four decimals
///   %.3g  at most three significant digits, no trailing zeros
///   %.4d  decimal integer, zero-padded to at least four digits
///   %%    a percent sign
/// Non-finite reals are written as 0 (PDF has no notation for them). Throws std::logic_error
/// when a conversion does not match its argument or the argument count is wrong.
std::string FormatPdf(std::string_view format, std::initializer_list<TFormatArg> args);

/// FormatPdf, appended to `out`. On a std::logic_error part of the text may have been appended.
void AppendFormatPdf(std::string& out, std::string_view format,
                     std::initializer_list<TFormatArg> args);

/// "%.4f" of `value`.
std::string FormatFixed4(double value);

/// "%.3g" of `value`.
std::string FormatGeneral3(double value);

/// Appends "%.4f" of `value` to `out`: the same text as FormatFixed4, without a temporary.
/// Exact for every double; values that lie within a hair of a rounding half, or beyond about
/// 4e5 in magnitude, take the general (slower) conversion.
void AppendFixed4(std::string& out, double value);

/// Room TryWriteFixed4 needs at its destination.
inline constexpr std::size_t kFixed4FastRoom = 16;

/// Writes "%.4f" of `value` at `dest` (room for kFixed4FastRoom bytes) and returns the end of
/// the text; returns null and writes nothing for the values AppendFixed4 leaves to the general
/// conversion.
char* TryWriteFixed4(char* dest, double value);

/// Writes "%d" of `value` zero-padded to `minDigits` digits at `dest`, which must have room
/// for max(minDigits, 20) + 1 bytes; returns the end of the text.
char* WriteInteger(char* dest, long long value, int minDigits);

/// Appends "%.3g" of `value` to `out`: the same text as FormatGeneral3.
void AppendGeneral3(std::string& out, double value);

/// Appends "%d" of `value` to `out`, zero-padded to `minDigits` digits after any "-" ("%.4d"
/// for 4).
void AppendInteger(std::string& out, long long value, int minDigits = 1);

/// Appends EscapePdfString(`text`) to `out`.
void AppendEscapedPdfString(std::string& out, std::string_view text);

/// The bytes of `text` with "\" put before every "(", ")" and "\": a PDF literal-string body.
std::string EscapePdfString(std::string_view text);

} // namespace gq::pdf
