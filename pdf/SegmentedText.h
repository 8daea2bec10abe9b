#pragma once

// Segmented texts: texts holding byte 0x01 carry their own font changes. Each run is an
// optional control block and the plain bytes after it:
//
//   0x01 item (0x02 item)* 0x04   plain bytes ...   0x01 ... 0x04   plain bytes ...
//   item: a letter and its value, up to the next 0x02 or 0x04; bytes 0x03 are skipped
//
// Letters: B bold, I italic, U underline, K strikeout, P superscript, S subscript ("1" on,
// anything else off), C colour (decimal), N font name, Z size (points), H pitch (D, F, V),
// R and r reset the styles, colour, pitch and charset (R also names "Arial"); others ignored.

#include "pdf/FontServices.h"
#include "pdf/PlayerState.h"

#include <string_view>
#include <vector>

namespace gq::pdf
{

/// One run of a segmented text, with views into the text it was split from.
struct TTextRun
{
    std::string_view Control; ///< 0x01 .. 0x04, or empty
    std::string_view Text;    ///< the plain bytes after it
    double Width = 0.0;       ///< inches, of Text in the run's font
};

/// Whether `text` is a segmented text.
inline bool IsSegmentedText(std::string_view text) { return text.find('\x01') != text.npos; }

/// Applies the items of a control block to `font`.
void ApplyControl(std::string_view control, TPlayerFont& font);

/// Splits `text` into its runs and measures each in the font its control block makes of the
/// font before it, starting from `font`. The runs view `text`, which must outlive them.
std::vector<TTextRun> LayOutRuns(std::string_view text, const TPlayerFont& font,
                                 TFontServices& fonts);

} // namespace gq::pdf
