#include "pdf/PdfFormat.h"

#include "gq/Error.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

namespace gq::pdf
{

namespace
{

// The general conversion: std::to_chars never consults the locale.
template <typename Sink>
void ToChars(Sink&& sink, double value, std::chars_format fmt, int precision)
{
    if (!std::isfinite(value))
        value = 0.0;
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, fmt, precision);
    if (ec != std::errc())
        throw gq::InternalError("number does not fit the format buffer");
    sink(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
}

// "00" "01" ... "99": two digits at a time.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233"
    "34353637383940414243444546474849505152535455565758596061626364656667"
    "6869707172737475767778798081828384858687888990919293949596979899";

int DigitCount(unsigned long long value)
{
    int count = 1;
    for (;;) {
        if (value < 10)
            return count;
        if (value < 100)
            return count + 1;
        if (value < 1000)
            return count + 2;
        if (value < 10000)
            return count + 3;
        value /= 10000;
        count += 4;
    }
}

void PutPair(char* dest, unsigned value)
{
    dest[0] = kDigitPairs[2 * value];
    dest[1] = kDigitPairs[2 * value + 1];
}

// Writes the decimal digits of `value` (below 10^6) at `dest`; returns the end.
char* WriteBelowMillion(char* dest, unsigned value)
{
    if (value < 10) {
        *dest = static_cast<char>('0' + value);
        return dest + 1;
    }
    if (value < 100) {
        PutPair(dest, value);
        return dest + 2;
    }
    if (value < 1000) {
        *dest = static_cast<char>('0' + value / 100);
        PutPair(dest + 1, value % 100);
        return dest + 3;
    }
    if (value < 10000) {
        PutPair(dest, value / 100);
        PutPair(dest + 2, value % 100);
        return dest + 4;
    }
    if (value < 100000) {
        *dest = static_cast<char>('0' + value / 10000);
        PutPair(dest + 1, value / 100 % 100);
        PutPair(dest + 3, value % 100);
        return dest + 5;
    }
    PutPair(dest, value / 10000);
    PutPair(dest + 2, value / 100 % 100);
    PutPair(dest + 4, value % 100);
    return dest + 6;
}

// Writes the decimal digits of `value` at `dest`, zero-padded to `minDigits`; returns the end.
char* WriteUnsigned(char* dest, unsigned long long value, int minDigits)
{
    int count = DigitCount(value);
    for (; count < minDigits; --minDigits)
        *dest++ = '0';
    char* end = dest + count;
    char* p = end;
    while (value >= 100) {
        p -= 2;
        PutPair(p, static_cast<unsigned>(value % 100));
        value /= 100;
    }
    if (value >= 10)
        PutPair(p - 2, static_cast<unsigned>(value));
    else
        p[-1] = static_cast<char>('0' + value);
    return end;
}

long long AsInteger(const TFormatArg& arg)
{
    if (const auto* i = std::get_if<long long>(&arg.Value))
        return *i;
    throw gq::InternalError("integer conversion without an integer argument");
}

double AsReal(const TFormatArg& arg)
{
    if (const auto* d = std::get_if<double>(&arg.Value))
        return *d;
    if (const auto* i = std::get_if<long long>(&arg.Value))
        return static_cast<double>(*i);
    throw gq::InternalError("real conversion without a numeric argument");
}

} // namespace

std::string FormatFixed4(double value)
{
    std::string out;
    ToChars([&](std::string_view text) { out = text; }, value, std::chars_format::fixed, 4);
    return out;
}

std::string FormatGeneral3(double value)
{
    std::string out;
    ToChars([&](std::string_view text) { out = text; }, value, std::chars_format::general, 3);
    return out;
}

char* TryWriteFixed4(char* dest, double value)
{
    // value x 10^4 in double is within 2^-21 of the exact product while it stays below 2^32,
    // so rounding the double gives the exact product's rounding unless its fraction lies that
    // close to one half; those values, larger ones and non-finite ones are left to the general
    // conversion.
    constexpr double kLimit = 4294967296.0;
    constexpr double kHalfMargin = 1.0 / 1048576.0;
    double scaled = std::fabs(value * 10000.0);
    if (!(scaled < kLimit))
        return nullptr;
    auto whole = static_cast<unsigned long long>(scaled);
    double fraction = scaled - static_cast<double>(whole); // exact
    if (std::fabs(fraction - 0.5) < kHalfMargin)
        return nullptr;
    unsigned long long units = whole + (fraction > 0.5 ? 1 : 0);
    if (std::signbit(value))
        *dest++ = '-';
    dest = WriteBelowMillion(dest, static_cast<unsigned>(units / 10000));
    auto decimals = static_cast<unsigned>(units % 10000);
    *dest = '.';
    PutPair(dest + 1, decimals / 100);
    PutPair(dest + 3, decimals % 100);
    return dest + 5;
}

void AppendFixed4(std::string& out, double value)
{
    char buffer[kFixed4FastRoom];
    if (char* end = TryWriteFixed4(buffer, value))
        out.append(buffer, static_cast<std::size_t>(end - buffer));
    else
        ToChars([&](std::string_view text) { out += text; }, value, std::chars_format::fixed, 4);
}

void AppendGeneral3(std::string& out, double value)
{
    ToChars([&](std::string_view text) { out += text; }, value, std::chars_format::general, 3);
}

char* WriteInteger(char* dest, long long value, int minDigits)
{
    unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    if (value < 0)
        *dest++ = '-';
    return WriteUnsigned(dest, magnitude, minDigits);
}

void AppendInteger(std::string& out, long long value, int minDigits)
{
    char buffer[64];
    char* end = WriteInteger(buffer, value, std::min(minDigits, 40));
    out.append(buffer, static_cast<std::size_t>(end - buffer));
}

void AppendEscapedPdfString(std::string& out, std::string_view text)
{
    for (char c : text) {
        if (c == '(' || c == ')' || c == '\\')
            out += '\\';
        out += c;
    }
}

void AppendFormatPdf(std::string& out, std::string_view format,
                     std::initializer_list<TFormatArg> args)
{
    auto next = args.begin();
    auto take = [&]() -> const TFormatArg& {
        if (next == args.end())
            throw gq::InternalError("too few format arguments");
        return *next++;
    };
    std::size_t i = 0;
    while (i < format.size()) {
        std::size_t percent = format.find('%', i);
        if (percent == std::string_view::npos) {
            out.append(format.substr(i));
            break;
        }
        out.append(format.substr(i, percent - i));
        std::string_view rest = format.substr(percent + 1);
        if (rest.starts_with("%")) {
            out += '%';
            i = percent + 2;
        } else if (rest.starts_with("d")) {
            AppendInteger(out, AsInteger(take()), 1);
            i = percent + 2;
        } else if (rest.starts_with("s")) {
            const TFormatArg& arg = take();
            const auto* text = std::get_if<std::string_view>(&arg.Value);
            if (!text)
                throw gq::InternalError("text conversion without a text argument");
            out += *text;
            i = percent + 2;
        } else if (rest.starts_with(".4f")) {
            AppendFixed4(out, AsReal(take()));
            i = percent + 4;
        } else if (rest.starts_with(".3g")) {
            AppendGeneral3(out, AsReal(take()));
            i = percent + 4;
        } else if (rest.starts_with(".4d")) {
            AppendInteger(out, AsInteger(take()), 4);
            i = percent + 4;
        } else {
            throw gq::InternalError("unsupported format conversion");
        }
    }
    if (next != args.end())
        throw gq::InternalError("too many format arguments");
}

std::string FormatPdf(std::string_view format, std::initializer_list<TFormatArg> args)
{
    std::string out;
    out.reserve(format.size() + 16);
    AppendFormatPdf(out, format, args);
    return out;
}

std::string EscapePdfString(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    AppendEscapedPdfString(out, text);
    return out;
}

} // namespace gq::pdf
