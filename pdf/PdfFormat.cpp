#include "pdf/PdfFormat.h"

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
        throw std::logic_error("number does not fit the format buffer");
    sink(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
}

// Writes the decimal digits of `value` backwards, ending just before `end`; returns the start.
char* DigitsBackwards(char* end, unsigned long long value)
{
    do {
        *--end = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    return end;
}

long long AsInteger(const TFormatArg& arg)
{
    if (const auto* i = std::get_if<long long>(&arg.Value))
        return *i;
    throw std::logic_error("integer conversion without an integer argument");
}

double AsReal(const TFormatArg& arg)
{
    if (const auto* d = std::get_if<double>(&arg.Value))
        return *d;
    if (const auto* i = std::get_if<long long>(&arg.Value))
        return static_cast<double>(*i);
    throw std::logic_error("real conversion without a numeric argument");
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

void AppendFixed4(std::string& out, double value)
{
    // value x 10^4 in double is within 2^-21 of the exact product while it stays below 2^32,
    // so rounding the double gives the exact product's rounding unless its fraction lies that
    // close to one half; those values, and larger ones, go through the general conversion.
    constexpr double kLimit = 4294967296.0;
    constexpr double kHalfMargin = 1.0 / 1048576.0;
    double scaled = std::fabs(value * 10000.0);
    if (!(scaled < kLimit)) {
        ToChars([&](std::string_view text) { out += text; }, value, std::chars_format::fixed, 4);
        return;
    }
    double whole = std::floor(scaled);
    double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) < kHalfMargin) {
        ToChars([&](std::string_view text) { out += text; }, value, std::chars_format::fixed, 4);
        return;
    }
    auto units = static_cast<unsigned long long>(whole) + (fraction > 0.5 ? 1 : 0);
    char buffer[32];
    char* end = buffer + sizeof buffer;
    unsigned long long decimals = units % 10000;
    for (int i = 0; i < 4; ++i) {
        *--end = static_cast<char>('0' + decimals % 10);
        decimals /= 10;
    }
    *--end = '.';
    char* start = DigitsBackwards(end, units / 10000);
    if (std::signbit(value))
        *--start = '-';
    out.append(start, static_cast<std::size_t>(buffer + sizeof buffer - start));
}

void AppendGeneral3(std::string& out, double value)
{
    ToChars([&](std::string_view text) { out += text; }, value, std::chars_format::general, 3);
}

void AppendInteger(std::string& out, long long value, int minDigits)
{
    char buffer[64];
    char* end = buffer + sizeof buffer;
    unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    char* start = DigitsBackwards(end, magnitude);
    int limit = std::min(minDigits, 40);
    while (end - start < limit)
        *--start = '0';
    if (value < 0)
        *--start = '-';
    out.append(start, static_cast<std::size_t>(end - start));
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
            throw std::logic_error("too few format arguments");
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
                throw std::logic_error("text conversion without a text argument");
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
            throw std::logic_error("unsupported format conversion");
        }
    }
    if (next != args.end())
        throw std::logic_error("too many format arguments");
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
