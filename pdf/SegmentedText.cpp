#include "pdf/SegmentedText.h"

#include <charconv>
#include <string>

namespace gq::pdf
{

namespace
{

using report::TFontPitch;

constexpr char kRunStart = '\x01';
constexpr char kItemStart = '\x02';
constexpr char kSkipped = '\x03';
constexpr char kControlEnd = '\x04';

template <typename T> bool ParseNumber(std::string_view text, T& out)
{
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && ptr == text.data() + text.size();
}

// Applies one control item, `letter` with `value`, to `font`.
void ApplyItem(char letter, const std::string& value, TPlayerFont& font)
{
    bool on = value == "1";
    switch (letter) {
    case 'B':
        font.Bold = on;
        break;
    case 'I':
        font.Italic = on;
        break;
    case 'U':
        font.Underline = on;
        break;
    case 'K':
        font.StrikeOut = on;
        break;
    case 'P':
        font.Superscript = on;
        break;
    case 'S':
        font.Subscript = on;
        break;
    case 'C': {
        std::int32_t color = 0;
        if (ParseNumber(value, color))
            font.Color = color;
        break;
    }
    case 'N':
        font.Name = value.substr(0, kMaxFontName);
        break;
    case 'Z': {
        int size = 0;
        if (ParseNumber(value, size))
            font.Size = size;
        break;
    }
    case 'H':
        if (value == "F")
            font.Pitch = TFontPitch::fpFixed;
        else if (value == "V")
            font.Pitch = TFontPitch::fpVariable;
        else if (value == "D")
            font.Pitch = TFontPitch::fpDefault;
        break;
    case 'R':
    case 'r':
        font.Bold = font.Italic = font.Underline = font.StrikeOut = false;
        font.Color = 0;
        font.Pitch = TFontPitch::fpDefault;
        font.Charset = 1;
        if (letter == 'R')
            font.Name = "Arial";
        break;
    default:
        break;
    }
}

std::vector<TTextRun> SplitRuns(std::string_view text)
{
    std::vector<TTextRun> runs;
    std::size_t pos = 0;
    while (pos < text.size()) {
        TTextRun run;
        if (text[pos] == kRunStart) {
            std::size_t end = text.find(kControlEnd, pos + 1);
            std::size_t stop = end == std::string_view::npos ? text.size() : end + 1;
            run.Control = text.substr(pos, stop - pos);
            pos = stop;
        }
        std::size_t next = text.find(kRunStart, pos);
        std::size_t stop = next == std::string_view::npos ? text.size() : next;
        run.Text = text.substr(pos, stop - pos);
        pos = stop;
        runs.push_back(run);
    }
    return runs;
}

} // namespace

void ApplyControl(std::string_view control, TPlayerFont& font)
{
    std::size_t i = 0;
    while (i < control.size()) {
        char c = control[i];
        if ((c != kRunStart && c != kItemStart) || i + 1 >= control.size()) {
            ++i;
            continue;
        }
        char letter = control[i + 1];
        std::string value;
        std::size_t j = i + 2;
        for (; j < control.size(); ++j) {
            char v = control[j];
            if (v == kRunStart || v == kItemStart || v == kControlEnd)
                break;
            if (v != kSkipped)
                value += v;
        }
        i = j;
        ApplyItem(letter, value, font);
    }
}

std::vector<TTextRun> LayOutRuns(std::string_view text, const TPlayerFont& font,
                                 TFontServices& fonts)
{
    std::vector<TTextRun> runs = SplitRuns(text);
    TPlayerFont measuring = font;
    for (TTextRun& run : runs) {
        ApplyControl(run.Control, measuring);
        run.Width = run.Text.empty() ? 0.0 : fonts.TextWidth(measuring, run.Text);
    }
    return runs;
}

} // namespace gq::pdf
