#pragma once

#include "book/BookSettings.h"
#include "book/SafeFile.h"
#include "gq/Error.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gq::book
{

/// A book plan: the settings of one book as a TOML file holds them, keyed by the command
/// line's long option names.
///
///     title = "Sudoku for the Road"        # text keys: title author publisher website
///     paper = "6x9"                        #   edition isbn paper level output
///     per-page = 2                         # whole numbers: per-page answers-per-page
///     print-ready = true                   #   pages volume seed
///     seed = 7                             # true/false: candidates print-ready pdfx
///     [[section]]                          #   bold-givens large-print
///     level = "easy"                       # one table per section, in book order:
///     puzzles = 60                         #   level (a level name), puzzles (a count)
///
/// A key left out keeps its TBookSettings default. A seed above 9223372036854775807 (the
/// largest TOML integer) is written, and may be given, as a string of decimal digits.
struct TPlanFile
{
    TBookSettings Settings;             ///< PdfPath and ReplaceExisting are not plan keys
    std::optional<std::uint64_t> Seed;  ///< none: the run picks one
    std::optional<std::string> Output;  ///< the PDF to write, as typed; none: not in the plan
    bool operator==(const TPlanFile&) const = default;
};

/// Something wrong inside a plan file: what() is "FILE:LINE:COLUMN: KEY: reason" (lines and
/// columns from 1; a TOML syntax error has no key: "FILE:LINE:COLUMN: reason").
class TPlanFileError : public Error
{
  public:
    TPlanFileError(std::string path, int line, int column, std::string key,
                   const std::string& reason);

    const std::string& Path() const { return m_path; }
    int Line() const { return m_line; }
    int Column() const { return m_column; }
    const std::string& Key() const { return m_key; } ///< empty for a syntax error

  private:
    std::string m_path;
    int m_line;
    int m_column;
    std::string m_key;
};

/// Reads the plan in `text`; `path` is only named in errors. Every value meets the rules the
/// command line applies to its option (CheckBookSettings, CheckSections, CheckPrintSettings,
/// IsbnDigits, the levels and volumes of the built-in bank). Throws TPlanFileError for a syntax
/// error, an unknown key, a value of the wrong type or one the book refuses, at the value (or
/// at the key, for an unknown one).
TPlanFile ParsePlan(std::string_view text, const std::string& path);

/// Reads the plan file at `path` (ParsePlan). Throws gq::Error naming the path when it cannot
/// be read, TPlanFileError for its contents.
TPlanFile ReadPlanFile(const std::string& path);

/// The TOML text of `plan`: every key, in the order of the long options' help, sections as
/// [[section]] tables. Without sections, pages and level are written; with them, not (they are
/// not used then). Texts are escaped as TOML strings. ParsePlan of the result equals `plan`
/// (with a blank text read back as written).
std::string PlanText(const TPlanFile& plan);

/// Writes PlanText(plan) at `path` as a new file (TNewFile: complete or not at all).
/// Throws TFileExistsError when a file is there and `replace` is Never, gq::Error naming the
/// path for any other failure.
void WritePlanFile(const TPlanFile& plan, const std::string& path, TReplace replace);

/// The item index of the level named `name` ("very-easy" .. "extreme"). Throws gq::Error
/// naming it and listing the names when there is none such.
int LevelIndexNamed(std::string_view name);

} // namespace gq::book
