#pragma once

#include <span>
#include <string>
#include <string_view>

namespace gq::book
{

/// A trim size a book can be made in (portrait).
struct TPaper
{
    std::string_view Name;    ///< what the command line takes: "letter", "a4", "6x9", ...
    std::string_view Caption; ///< what the window shows: "US Letter (8.5 x 11 in)", ...
    double Width;             ///< inches
    double Height;            ///< inches
};

/// Every size offered, the default (US Letter) first.
std::span<const TPaper> Papers();

/// The size named `name` (exact, lower case as listed), or nullptr.
const TPaper* FindPaper(std::string_view name);

/// The default size, US Letter, whose books are the ones made before sizes could be chosen.
const TPaper& DefaultPaper();

/// "letter, a4, a5, ..." for messages.
std::string PaperNameList();

} // namespace gq::book
