#include "pdf/StreamMacros.h"

#include "report/PageStreamFormat.h"

#include <algorithm>
#include <string_view>

namespace gq::pdf
{

namespace
{

// Replacement stops beyond these limits: a macro or variable value may hold a marker itself,
// and replacing for ever must not be possible.
constexpr int kMaxReplacements = 4096;
constexpr std::size_t kMaxExpandedLength = 1 << 16;

constexpr char kMarker = report::kMacroMarker;
constexpr std::string_view kMacroTag = "$PGCM";
constexpr std::string_view kVariableTag = "$PGCV";
constexpr char kNameOpen = '\xFC';
constexpr char kNameClose = '\xFB';

constexpr std::string_view kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
constexpr std::string_view kMonthNames[] = {"January",   "February", "March",    "April",
                                            "May",       "June",     "July",     "August",
                                            "September", "October",  "November", "December"};

std::string TwoDigits(int v)
{
    std::string s = std::to_string(v % 100);
    return s.size() < 2 ? "0" + s : s;
}

int Hour12(int hour)
{
    int h = hour % 12;
    return h == 0 ? 12 : h;
}

std::string AmPm(int hour) { return hour < 12 ? "AM" : "PM"; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The report date and time in the form of macro `number` (0..7).
std::string DateValue(int number, const TDateTime& t)
{
    int weekDay = (t.WeekDay % 7 + 7) % 7;
    int month = t.Month >= 1 && t.Month <= 12 ? t.Month : 1;
    switch (number) {
    case 0:
        return std::to_string(t.Month) + "/" + std::to_string(t.Day) + "/" + std::to_string(t.Year);
    case 1:
        return std::string(kDayNames[weekDay]) + ", " + std::string(kMonthNames[month - 1]) + " " +
               std::to_string(t.Day) + ", " + std::to_string(t.Year);
    case 2:
        return TwoDigits(t.Month) + "/" + TwoDigits(t.Day) + "/" + TwoDigits(t.Year);
    case 3:
        return TwoDigits(t.Day) + "/" + TwoDigits(t.Month) + "/" + TwoDigits(t.Year);
    case 4:
        return std::to_string(Hour12(t.Hour)) + ":" + TwoDigits(t.Minute) + " " + AmPm(t.Hour);
    case 5:
        return std::to_string(Hour12(t.Hour)) + ":" + TwoDigits(t.Minute) + ":" +
               TwoDigits(t.Second) + " " + AmPm(t.Hour);
    case 6:
        return TwoDigits(Hour12(t.Hour)) + ":" + TwoDigits(t.Minute) + " " + AmPm(t.Hour);
    default:
        return TwoDigits(t.Hour) + ":" + TwoDigits(t.Minute);
    }
}

} // namespace

bool TNoCaseLess::operator()(const std::string& a, const std::string& b) const
{
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        char x = Lower(a[i]);
        char y = Lower(b[i]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    return a.size() < b.size();
}

std::string MacroValue(int number, const TMacroSource& source)
{
    constexpr int kFirstRendererMacro = 16, kLastRendererMacro = 35;
    switch (number) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
        return DateValue(number, source.ReportDate);
    case 8:
        return std::to_string(source.FirstPage);
    case 9:
        return std::to_string(source.LastPage);
    case 10:
        return std::to_string(source.PageCount);
    case 11:
    case 12:
        return std::to_string(source.CurrentPage);
    case 13:
    case 14:
    case 15:
        return "Render";
    default:
        if (number >= kFirstRendererMacro && number <= kLastRendererMacro &&
            static_cast<std::size_t>(number - kFirstRendererMacro) < source.RendererMacros.size())
            return source.RendererMacros[static_cast<std::size_t>(number - kFirstRendererMacro)];
        return "";
    }
}

std::optional<std::string> ExpandMacros(std::string text, const TMacroSource& source)
{
    // Markers are replaced first to last. A replacement can complete a marker that starts up to
    // seven bytes before it, so the scan resumes there rather than at the start of the text;
    // but never at or before a literal marker byte put back from its escape: the scan resumes
    // no lower than `floor`.
    constexpr std::size_t kLongestMarker = 1 + kMacroTag.size() + 2;
    std::size_t pos = 0;
    std::size_t floor = 0;
    for (int replacements = 0;; ++replacements) {
        pos = text.find(kMarker, pos);
        while (pos != std::string::npos) {
            std::string_view rest = std::string_view(text).substr(pos + 1);
            bool macro = rest.size() >= kMacroTag.size() + 2 && rest.starts_with(kMacroTag) &&
                         IsDigit(rest[kMacroTag.size()]) && IsDigit(rest[kMacroTag.size() + 1]);
            if (macro || rest.starts_with(kVariableTag))
                break;
            pos = text.find(kMarker, pos + 1);
        }
        if (pos == std::string::npos)
            return text;
        if (replacements >= kMaxReplacements || text.size() > kMaxExpandedLength)
            return std::nullopt;

        std::string_view rest = std::string_view(text).substr(pos + 1);
        if (rest.starts_with(kMacroTag)) {
            int number = (rest[kMacroTag.size()] - '0') * 10 + (rest[kMacroTag.size() + 1] - '0');
            if (number == report::kLiteralMarkerMacro) {
                text.replace(pos, kLongestMarker, 1, kMarker);
                floor = pos + 1;
            } else {
                text.replace(pos, kLongestMarker, MacroValue(number, source));
            }
        } else {
            std::size_t end = pos + 1 + kVariableTag.size();
            std::string name;
            if (end < text.size() && text[end] == kNameOpen) {
                std::size_t close = text.find(kNameClose, end + 1);
                std::size_t stop = close == std::string::npos ? text.size() : close;
                name = text.substr(end + 1, stop - end - 1);
                end = close == std::string::npos ? text.size() : close + 1;
            }
            const std::string* value = nullptr;
            if (!name.empty() && source.Variables) {
                auto it = source.Variables->find(name);
                if (it != source.Variables->end())
                    value = &it->second;
            }
            text.replace(pos, end - pos, value ? *value : std::string());
        }
        pos = std::max(floor, pos >= kLongestMarker - 1 ? pos - (kLongestMarker - 1) : 0);
    }
}

} // namespace gq::pdf
