#include "book/Isbn.h"

#include "gq/Error.h"

namespace gq::book
{

namespace
{

/// The check digit an ISBN-13 or ISBN-10 of these leading digits must end with.
char CheckDigit(std::string_view digits)
{
    int sum = 0;
    if (digits.size() == 12) {
        // ISBN-13: weights 1, 3, 1, 3, ...; the check brings the sum to a multiple of 10.
        for (std::size_t i = 0; i < 12; ++i)
            sum += (digits[i] - '0') * (i % 2 == 0 ? 1 : 3);
        return static_cast<char>('0' + (10 - sum % 10) % 10);
    }
    // ISBN-10: weights 10 down to 2; the check, 0..10, brings the sum to a multiple of 11.
    for (std::size_t i = 0; i < 9; ++i)
        sum += (digits[i] - '0') * static_cast<int>(10 - i);
    const int check = (11 - sum % 11) % 11;
    return check == 10 ? 'X' : static_cast<char>('0' + check);
}

} // namespace

std::string IsbnDigits(std::string_view isbn)
{
    const std::string quoted = "the ISBN \"" + std::string(isbn) + "\"";
    std::string digits;
    for (std::size_t i = 0; i < isbn.size(); ++i) {
        const char c = isbn[i];
        if (c == '-' || c == ' ')
            continue;
        const bool lastOfTen = (c == 'X' || c == 'x') && digits.size() == 9 &&
                               isbn.find_first_not_of("- ", i + 1) == std::string_view::npos;
        if (!(c >= '0' && c <= '9') && !lastOfTen)
            throw Error(quoted + " holds '" + std::string(1, c) +
                        "': an ISBN is digits and hyphens (an ISBN-10 may end in X)");
        digits += lastOfTen ? 'X' : c;
    }
    if (digits.size() != 13 && digits.size() != 10)
        throw Error(quoted + " has " + std::to_string(digits.size()) +
                    " digits; an ISBN has 13 (or 10)");
    const char expected = CheckDigit(std::string_view(digits).substr(0, digits.size() - 1));
    if (digits.back() != expected)
        throw Error(quoted + " has the check digit " + std::string(1, digits.back()) +
                    " where its other digits call for " + std::string(1, expected) +
                    ": a digit is mistyped");
    return digits;
}

} // namespace gq::book
