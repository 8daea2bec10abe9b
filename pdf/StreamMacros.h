#pragma once

// The text macros of a page stream: a marker byte 0xFD, then "$PGCM" and two decimal digits (a
// macro number), or "$PGCV" and optionally 0xFC name 0xFB (a variable reference).

#include "pdf/Clock.h"

#include <map>
#include <optional>
#include <span>
#include <string>

namespace gq::pdf
{

/// Orders names without regard to the case of ASCII letters.
struct TNoCaseLess
{
    bool operator()(const std::string& a, const std::string& b) const;
};

/// A page stream's variables, name to value; names compared without regard to case.
using TStreamVariables = std::map<std::string, std::string, TNoCaseLess>;

/// What the macros stand for at the moment a text is read. The references must outlive it.
struct TMacroSource
{
    TDateTime ReportDate;
    int FirstPage = 0;
    int LastPage = 0;
    int PageCount = 0;
    int CurrentPage = 0;
    /// The renderer's macros 16..35, in order.
    std::span<const std::string> RendererMacros;
    const TStreamVariables* Variables = nullptr;
};

/// The value of macro number `number` (0..99): 0..7 the report date and time in eight forms,
/// 8 first page, 9 last page, 10 page count, 11 and 12 the current page, 13..15 "Render",
/// 16..35 the renderer's macros, anything else nothing (the literal marker byte of
/// report::kLiteralMarkerMacro is ExpandMacros' business).
std::string MacroValue(int number, const TMacroSource& source);

/// `text` with its macros and variable references replaced, first to last, values that hold
/// markers themselves included. Macro report::kLiteralMarkerMacro becomes the marker byte
/// itself, and no marker is read at or before that byte again. Nothing when the replacements do
/// not come to an end (too many, or the text grows too long).
std::optional<std::string> ExpandMacros(std::string text, const TMacroSource& source);

} // namespace gq::pdf
