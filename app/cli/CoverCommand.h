#pragma once

// The `cover` subcommand of gridquill-cli, and the cover options of `book`.

#include "book/BookSettings.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace gq::cli
{

/// A cover command line the cover cannot be made of: the caller reports it as a usage error.
struct TCoverUsageError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

/// What the `cover` subcommand was given.
struct TCoverOptions
{
    std::string Plan;
    std::string PagesFrom;
    std::optional<int> PageCount;
    std::string Paper;
    std::string Service;
    std::string Stock;
    std::string Level;
    std::string Title;
    std::string Author;
    std::string Publisher;
    std::string Isbn;
    std::string Blurb;
    std::string Accent;                ///< "C,M,Y,K", each 0..100 (per cent)
    std::optional<std::uint64_t> Seed; ///< the front's puzzle; none: the plan's, else the clock
    bool PdfX = false;
    bool Guides = false;
    bool Force = false;
    std::string Output;
};

/// Adds the `cover` subcommand to `app`, filling `options`.
CLI::App* AddCoverCommand(CLI::App& app, TCoverOptions& options);

/// Adds --cover FILE, --service, --stock and --blurb to the `book` subcommand, filling `choice`
/// (Make is set from --cover after parsing: CoverChoiceOf).
void AddBookCoverOptions(CLI::App& book, book::TCoverChoice& choice);

/// `choice` as the book run takes it: Make when --cover named a file. Throws TCoverUsageError
/// when --service, --stock or --blurb came without --cover.
book::TCoverChoice CoverChoiceOf(const CLI::App& book, book::TCoverChoice choice);

/// Makes the cover and prints its success line. Throws TCoverUsageError for a command line the
/// cover cannot be made of, gq::Error for any other failure (book::TFileExistsError for a file
/// already there without --force).
int RunCover(const TCoverOptions& options);

} // namespace gq::cli
