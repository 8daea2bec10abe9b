#include "pdf/PdfFormat.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace gq::pdf
{

namespace
{

std::string ToChars(double value, std::chars_format fmt, int precision)
{
    if (!std::isfinite(value))
        value = 0.0;
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, fmt, precision);
    if (ec != std::errc())
        throw std::logic_error("number does not fit the format buffer");
    return std::string(buffer, end);
}

std::string Integer(long long value, int minDigits)
{
    char buffer[32];
    unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, magnitude);
    (void)ec;
    std::string digits(buffer, end);
    if (static_cast<int>(digits.size()) < minDigits)
        digits.insert(0, minDigits - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
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

std::string FormatFixed4(double value) { return ToChars(value, std::chars_format::fixed, 4); }

std::string FormatGeneral3(double value) { return ToChars(value, std::chars_format::general, 3); }

std::string FormatPdf(std::string_view format, std::initializer_list<TFormatArg> args)
{
    std::string out;
    out.reserve(format.size() + 16);
    auto next = args.begin();
    auto take = [&]() -> const TFormatArg& {
        if (next == args.end())
            throw std::logic_error("too few format arguments");
        return *next++;
    };
    for (std::size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%') {
            out += c;
            continue;
        }
        std::string_view rest = format.substr(i + 1);
        if (rest.starts_with("%")) {
            out += '%';
            i += 1;
        } else if (rest.starts_with("d")) {
            out += Integer(AsInteger(take()), 1);
            i += 1;
        } else if (rest.starts_with("s")) {
            const TFormatArg& arg = take();
            const auto* text = std::get_if<std::string_view>(&arg.Value);
            if (!text)
                throw std::logic_error("text conversion without a text argument");
            out += *text;
            i += 1;
        } else if (rest.starts_with(".4f")) {
            out += FormatFixed4(AsReal(take()));
            i += 3;
        } else if (rest.starts_with(".3g")) {
            out += FormatGeneral3(AsReal(take()));
            i += 3;
        } else if (rest.starts_with(".4d")) {
            out += Integer(AsInteger(take()), 4);
            i += 3;
        } else {
            throw std::logic_error("unsupported format conversion");
        }
    }
    if (next != args.end())
        throw std::logic_error("too many format arguments");
    return out;
}

std::string EscapePdfString(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '(' || c == ')' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

} // namespace gq::pdf
