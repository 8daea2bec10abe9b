#include "pdf/StreamPlayer.h"

#include "pdf/PdfError.h"
#include "pdf/RenderBase.h"
#include "report/Rounding.h"

#include <charconv>
#include <cstdlib>
#include <exception>
#include <vector>

namespace gq::pdf
{

namespace
{

using C = report::TStreamCode;
using report::CodeByte;
using report::kPolyUnitsPerInch;
using report::RoundHalfEven;
using report::TFontPitch;

constexpr std::size_t kMaxFontName = 60;

// Macro replacement stops with an error beyond these limits: a macro or variable value may hold
// a marker itself, and replacing for ever must not be possible.
constexpr int kMaxReplacements = 4096;
constexpr std::size_t kMaxExpandedLength = 1 << 16;

constexpr char kMarker = '\xFD';
constexpr std::string_view kMacroTag = "$PGCM";
constexpr std::string_view kVariableTag = "$PGCV";

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

// A run of a segmented text: an optional control block (0x01 .. 0x04) and the plain bytes after it.
struct TRun
{
    std::string_view Control;
    std::string_view Text;
};

std::vector<TRun> SplitRuns(std::string_view text)
{
    std::vector<TRun> runs;
    std::size_t pos = 0;
    while (pos < text.size()) {
        TRun run;
        if (text[pos] == '\x01') {
            std::size_t end = text.find('\x04', pos + 1);
            std::size_t stop = end == std::string_view::npos ? text.size() : end + 1;
            run.Control = text.substr(pos, stop - pos);
            pos = stop;
        }
        std::size_t next = text.find('\x01', pos);
        std::size_t stop = next == std::string_view::npos ? text.size() : next;
        run.Text = text.substr(pos, stop - pos);
        pos = stop;
        runs.push_back(run);
    }
    return runs;
}

template <typename T> bool ParseNumber(std::string_view text, T& out)
{
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && ptr == text.data() + text.size();
}

// Applies the items of a control block to `font`.
void ApplyControl(std::string_view control, TPlayerFont& font)
{
    std::size_t i = 0;
    while (i < control.size()) {
        char c = control[i];
        if ((c != '\x01' && c != '\x02') || i + 1 >= control.size()) {
            ++i;
            continue;
        }
        char letter = control[i + 1];
        std::string value;
        std::size_t j = i + 2;
        for (; j < control.size(); ++j) {
            char v = control[j];
            if (v == '\x01' || v == '\x02' || v == '\x04')
                break;
            if (v != '\x03')
                value += v;
        }
        i = j;
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
}

} // namespace

bool IsJobHeaderCode(std::uint8_t code)
{
    return code == CodeByte(C::JobHeaderQ) || code == CodeByte(C::JobHeaderY) ||
           code == CodeByte(C::JobHeader);
}

bool TStreamPlayer::TNoCaseLess::operator()(const std::string& a, const std::string& b) const
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

TStreamPlayer::TStreamPlayer(std::span<const std::uint8_t> input, TRenderBase& renderer)
    : m_input(input), m_renderer(renderer), m_reader(input)
{}

const std::string* TStreamPlayer::Variable(std::string_view name) const
{
    auto it = m_variables.find(std::string(name));
    return it == m_variables.end() ? nullptr : &it->second;
}

template <class TBody> void TStreamPlayer::PlayDocument(TBody&& body)
{
    m_reportDate = m_renderer.Clock ? m_renderer.Clock() : SystemClockNow();
    ReadHeader();
    m_renderer.BeginDocument();
    try {
        body();
    } catch (...) {
        std::exception_ptr failure = std::current_exception();
        try {
            m_renderer.EndDocument();
        } catch (...) {
            // The playback failure is the one to report; the pages so far are best effort.
        }
        std::rethrow_exception(failure);
    }
    m_renderer.EndDocument();
}

void TStreamPlayer::PlayAll()
{
    PlayDocument([this] {
        do
            PlayOnePage();
        while (m_pageNumber < m_header.PageCount);
    });
}

void TStreamPlayer::PlayPage(int pageNumber)
{
    PlayDocument([this, pageNumber] {
        std::size_t pos = m_firstPagePosition;
        for (;;) {
            m_reader.Seek(pos);
            ReadPageCode();
            m_reader.ReadLong();
            std::int32_t next = m_reader.ReadLong();
            int number = m_reader.ReadSignedWord();
            if (number == pageNumber)
                break;
            // Following the chain must move forward, or a damaged stream could loop.
            if (next <= 0 || static_cast<std::size_t>(next) <= pos ||
                static_cast<std::size_t>(next) >= m_input.size())
                TStreamReader::FailAt(
                    "Page " + std::to_string(pageNumber) + " is not in the page stream.", pos);
            pos = static_cast<std::size_t>(next);
        }
        m_reader.Seek(pos);
        PlayOnePage();
    });
}

namespace
{

// The document-settings block at the end of a job header. A flag this build does not know fails
// at the flags Byte; Strings beyond those it knows are passed over.
report::TDocumentSettings ReadDocumentSettings(TStreamReader& reader)
{
    report::TDocumentSettings settings;
    const std::size_t flagsAt = reader.Position();
    const std::uint8_t flags = reader.ReadByte();
    if ((flags & ~report::kKnownDocumentFlags) != 0)
        TStreamReader::FailAt("Unknown document-settings flags [" + std::to_string(flags) +
                                  "] found in report file.",
                              flagsAt);
    settings.PdfX = (flags & static_cast<std::uint8_t>(report::TDocumentFlag::PdfX)) != 0;
    const int count = reader.ReadByte();
    for (int i = 0; i < count; ++i) {
        // As they stand: document data, not page text with macros.
        std::string text = reader.ReadString();
        if (i == static_cast<int>(report::TDocumentString::Title))
            settings.Title = std::move(text);
        else if (i == static_cast<int>(report::TDocumentString::Author))
            settings.Author = std::move(text);
    }
    return settings;
}

} // namespace

void TStreamPlayer::ReadHeader()
{
    m_reader.Seek(0);
    std::uint8_t code = m_reader.ReadByte();
    if (!IsJobHeaderCode(code))
        TStreamReader::FailAt(
            "Unexpected header code [" + std::to_string(code) + "] found in report file.", 0);
    if (code == CodeByte(C::JobHeaderQ))
        m_version = report::kStreamVersionQ;
    else if (code == CodeByte(C::JobHeaderY))
        m_version = report::kStreamVersionY;
    else
        m_version = m_reader.ReadWord();
    if (m_version > report::kStreamVersionY)
        m_header.Title = ReadText();
    m_header.PageCount = m_reader.ReadSignedWord();
    m_header.FirstPage = m_reader.ReadSignedWord();
    m_header.LastPage = m_reader.ReadSignedWord();
    m_header.PaperWidth = m_reader.ReadSingle();
    m_header.PaperHeight = m_reader.ReadSingle();
    m_header.LeftWaste = m_reader.ReadSingle();
    m_header.RightWaste = m_reader.ReadSingle();
    m_header.TopWaste = m_reader.ReadSingle();
    m_header.BottomWaste = m_reader.ReadSingle();
    m_header.Orientation = m_reader.ReadByte();
    if (m_version >= report::kStreamVersionPageSize) {
        m_header.Bin = m_reader.ReadWord();
        m_header.Collate = m_reader.ReadByte();
        m_header.Duplex = m_reader.ReadByte();
    }
    m_header.Copies = m_reader.ReadWord();
    m_header.PaperSize = m_reader.ReadWord();
    m_header.PaperWidthCode = m_reader.ReadWord();
    m_header.PaperLengthCode = m_reader.ReadWord();
    m_header.OutputName = ReadText();
    if (m_version >= report::kStreamVersionDocument)
        m_header.Document = ReadDocumentSettings(m_reader);
    m_firstPagePosition = m_reader.Position();
    m_renderer.LeftWaste = m_header.LeftWaste;
    m_renderer.TopWaste = m_header.TopWaste;
    if (m_header.Document)
        m_renderer.ApplyDocumentSettings(*m_header.Document);
    m_pageNumber = 1;
}

void TStreamPlayer::ReadPageCode()
{
    const std::size_t start = m_reader.Position();
    if (m_reader.ReadByte() != CodeByte(C::PageHeader))
        TStreamReader::FailAt("Unexpected code found in report file.", start);
}

void TStreamPlayer::PlayOnePage()
{
    ReadPageCode();
    m_previousPage = m_reader.ReadLong();
    m_nextPage = m_reader.ReadLong();
    m_pageNumber = m_reader.ReadSignedWord();
    if (m_version < report::kStreamVersionPageSize) {
        m_reader.ReadByte(); // orientation
    } else {
        m_renderer.PageWidth = m_reader.ReadSingle();
        m_renderer.PageHeight = m_reader.ReadSingle();
    }
    m_renderer.BeginPage();
    for (;;) {
        std::size_t commandOffset = m_reader.Position();
        const auto code = static_cast<C>(m_reader.ReadByte());
        if (code == C::EndPage)
            break;
        PlayCommand(code, commandOffset);
    }
    m_renderer.EndPage();
}

std::string TStreamPlayer::ReadText()
{
    std::string text = m_reader.ReadString();
    if (text.find(kMarker) == std::string::npos) // most texts hold no macro
        return text;
    return ExpandMacros(std::move(text));
}

TDeviceRect TStreamPlayer::ReadRect()
{
    TDeviceRect rect;
    double left = m_reader.ReadSingle();
    double top = m_reader.ReadSingle();
    double right = m_reader.ReadSingle();
    double bottom = m_reader.ReadSingle();
    rect.Left = m_renderer.DeviceX(left);
    rect.Top = m_renderer.DeviceY(top);
    rect.Right = m_renderer.DeviceX(right);
    rect.Bottom = m_renderer.DeviceY(bottom);
    return rect;
}

TPicture TStreamPlayer::ReadGraphic()
{
    std::size_t start = m_reader.Position();
    std::uint8_t kind = m_reader.ReadByte();
    TPicture picture;
    picture.Kind = static_cast<std::uint8_t>(kind & 0x7F);
    if (kind & 0x80) {
        std::int32_t position = m_reader.ReadLong();
        // A reference names the size field of a picture written in full earlier on.
        if (position < 0 || static_cast<std::size_t>(position) >= start)
            TStreamReader::FailAt("The picture at byte offset " + std::to_string(start) +
                                      " refers to byte offset " + std::to_string(position) +
                                      ", which is not an earlier picture.",
                                  start);
        std::size_t resume = m_reader.Position();
        m_reader.Seek(static_cast<std::size_t>(position));
        picture.Data = m_reader.ReadBytes(m_reader.ReadSize("picture"));
        m_reader.Seek(resume);
    } else {
        picture.Data = m_reader.ReadBytes(m_reader.ReadSize("picture"));
    }
    return picture;
}

void TStreamPlayer::ReadVariable(std::size_t commandOffset)
{
    std::string name = ReadText();
    std::size_t valueOffset = m_reader.Position();
    std::uint8_t capacity = m_reader.ReadByte();
    std::uint8_t length = m_reader.ReadByte();
    auto bytes = m_reader.ReadBytes(capacity);
    std::string value;
    if (length >= 254) {
        if (capacity < 4)
            TStreamReader::FailAt("The variable reference at byte offset " +
                                      std::to_string(valueOffset) + " holds no position.",
                                  valueOffset);
        std::int64_t raw = static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[0]) |
                                                     (static_cast<std::uint32_t>(bytes[1]) << 8) |
                                                     (static_cast<std::uint32_t>(bytes[2]) << 16) |
                                                     (static_cast<std::uint32_t>(bytes[3]) << 24));
        std::uint64_t position = static_cast<std::uint64_t>(raw < 0 ? -raw : raw);
        // The value must have been written before this command; that also rules out cycles.
        if (position >= commandOffset)
            TStreamReader::FailAt("The variable at byte offset " + std::to_string(commandOffset) +
                                      " refers to byte offset " + std::to_string(position) +
                                      ", which is not an earlier value.",
                                  commandOffset);
        std::size_t resume = m_reader.Position();
        m_reader.Seek(static_cast<std::size_t>(position));
        std::uint8_t refCapacity = m_reader.ReadByte();
        std::uint8_t refLength = m_reader.ReadByte();
        auto refBytes = m_reader.ReadBytes(refCapacity);
        if (refLength > refCapacity)
            TStreamReader::FailAt("The variable value at byte offset " + std::to_string(position) +
                                      " is longer than its room.",
                                  static_cast<std::size_t>(position));
        value.assign(reinterpret_cast<const char*>(refBytes.data()), refLength);
        m_reader.Seek(resume);
    } else {
        if (length > capacity)
            TStreamReader::FailAt("The variable value at byte offset " +
                                      std::to_string(valueOffset) + " is longer than its room.",
                                  valueOffset);
        value.assign(reinterpret_cast<const char*>(bytes.data()), length);
    }
    m_variables[name] = std::move(value);
}

std::string TStreamPlayer::MacroValue(int number) const
{
    const TDateTime& t = m_reportDate;
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
    case 7:
        return TwoDigits(t.Hour) + ":" + TwoDigits(t.Minute);
    case 8:
        return std::to_string(m_header.FirstPage);
    case 9:
        return std::to_string(m_header.LastPage);
    case 10:
        return std::to_string(m_header.PageCount);
    case 11:
    case 12:
        return std::to_string(m_pageNumber);
    case 13:
    case 14:
    case 15:
        return "Render";
    default:
        if (number >= 16 && number <= 35 &&
            static_cast<std::size_t>(number - 16) < m_renderer.Macros.size())
            return m_renderer.Macros[static_cast<std::size_t>(number - 16)];
        return "";
    }
}

std::string TStreamPlayer::ExpandMacros(std::string text) const
{
    // Markers are replaced first to last. A replacement can complete a marker that starts up to
    // seven bytes before it, so the scan resumes there rather than at the start of the text.
    constexpr std::size_t kLongestMarker = 1 + kMacroTag.size() + 2;
    std::size_t pos = 0;
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
            m_reader.Fail("The text macros before byte offset " +
                          std::to_string(m_reader.Position()) + " do not come to an end.");

        std::string_view rest = std::string_view(text).substr(pos + 1);
        if (rest.starts_with(kMacroTag)) {
            int number = (rest[kMacroTag.size()] - '0') * 10 + (rest[kMacroTag.size() + 1] - '0');
            text.replace(pos, kLongestMarker, MacroValue(number));
        } else {
            std::size_t end = pos + 1 + kVariableTag.size();
            std::string name;
            if (end < text.size() && text[end] == '\xFC') {
                std::size_t close = text.find('\xFB', end + 1);
                std::size_t stop = close == std::string::npos ? text.size() : close;
                name = text.substr(end + 1, stop - end - 1);
                end = close == std::string::npos ? text.size() : close + 1;
            }
            const std::string* value = name.empty() ? nullptr : Variable(name);
            text.replace(pos, end - pos, value ? *value : std::string());
        }
        pos = pos >= kLongestMarker - 1 ? pos - (kLongestMarker - 1) : 0;
    }
}

void TStreamPlayer::NotifyFont() { m_renderer.FontUpdated(m_font); }

void TStreamPlayer::NotifyPen() { m_renderer.PenUpdated(m_pen); }

void TStreamPlayer::NotifyBrush() { m_renderer.BrushUpdated(m_brush); }

void TStreamPlayer::SetFontName(std::string name)
{
    if (name.size() > kMaxFontName)
        name.resize(kMaxFontName);
    SetFontField(&TPlayerFont::Name, std::move(name));
}

void TStreamPlayer::PlayCommand(C code, std::size_t commandOffset)
{
    auto& r = m_reader;
    switch (code) {
    case C::Arc:
    case C::Chord:
    case C::Pie: {
        double v[8];
        for (double& d : v)
            d = r.ReadSingle();
        if (code == C::Arc)
            m_renderer.DrawArc(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
        else if (code == C::Chord)
            m_renderer.DrawChord(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
        else
            m_renderer.DrawPie(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
        break;
    }
    case C::BrushCopy: // brush copy: picture, two rectangles, colour
        ReadGraphic();
        ReadRect();
        ReadRect();
        r.ReadLong();
        break;
    case C::CopyRect:
        ReadRect();
        r.ReadLong();
        ReadRect();
        break;
    case C::Draw: {
        TPicture picture = ReadGraphic();
        double x = r.ReadSingle();
        double y = r.ReadSingle();
        m_renderer.DrawGraphicAt(picture, x, y);
        break;
    }
    case C::FocusRect:
    case C::FrameRect:
        ReadRect();
        break;
    case C::Ellipse: {
        double x1 = r.ReadSingle(), y1 = r.ReadSingle();
        double x2 = r.ReadSingle(), y2 = r.ReadSingle();
        m_renderer.DrawEllipse(x1, y1, x2, y2);
        break;
    }
    case C::FillRect:
        m_renderer.FillRectangle(ReadRect());
        break;
    case C::FloodFill:
        r.ReadSingle();
        r.ReadSingle();
        r.ReadLong();
        r.ReadLong();
        break;
    case C::LineTo: {
        double x = r.ReadSingle();
        double y = r.ReadSingle();
        m_renderer.MovePen(m_x, m_y);
        m_renderer.LineToPoint(x, y);
        m_x = x;
        m_y = y;
        break;
    }
    case C::MoveTo:
        m_x = r.ReadSingle();
        m_y = r.ReadSingle();
        break;
    case C::Polygon:
    case C::PolyLine: {
        int last = r.ReadWord();
        std::vector<TUnitPoint> points(static_cast<std::size_t>(last) + 1);
        double firstX = 0.0, firstY = 0.0;
        for (int i = 0; i <= last; ++i) {
            double x = r.ReadSingle();
            double y = r.ReadSingle();
            if (i == 0) {
                firstX = x;
                firstY = y;
            }
            points[static_cast<std::size_t>(i)] = {RoundHalfEven(x * kPolyUnitsPerInch),
                                                   RoundHalfEven(y * kPolyUnitsPerInch)};
        }
        m_renderer.MovePen(firstX, firstY);
        if (code == C::Polygon)
            m_renderer.DrawPolygon(points, last);
        else
            m_renderer.DrawPolyline(points, last);
        break;
    }
    case C::PrintBitmap:
    case C::PrintBitmapRect: {
        TPicture picture = ReadGraphic();
        double v[4];
        for (double& d : v)
            d = r.ReadSingle();
        if (code == C::PrintBitmap)
            m_renderer.DrawBitmapRect(picture, v[0], v[1], v[2], v[3]);
        else
            m_renderer.DrawBitmap(picture, v[0], v[1], v[2], v[3]);
        break;
    }
    case C::Rectangle:
    case C::Rectangle2: {
        double x1 = r.ReadSingle(), y1 = r.ReadSingle();
        double x2 = r.ReadSingle(), y2 = r.ReadSingle();
        m_renderer.DrawRectangle(x1, y1, x2, y2);
        break;
    }
    case C::RoundRect: {
        double v[6];
        for (double& d : v)
            d = r.ReadSingle();
        m_renderer.DrawRoundRect(v[0], v[1], v[2], v[3], v[4], v[5]);
        break;
    }
    case C::StretchDraw: {
        TPicture picture = ReadGraphic();
        TDeviceRect rect = ReadRect();
        m_renderer.DrawStretched(rect, picture);
        break;
    }
    case C::TextRect: {
        TDeviceRect rect = ReadRect();
        double x = r.ReadSingle();
        double y = r.ReadSingle();
        std::string text = ReadText();
        m_renderer.TextInRect(rect, x, y, text);
        break;
    }
    case C::CenterText:
    case C::LeftText:
    case C::RightText: {
        double y = r.ReadSingle();
        std::string text = ReadText();
        double x = r.ReadSingle();
        PlayText(code, text, x, y);
        break;
    }
    case C::TextBKMode:
    case C::Transparency:
    case C::Orientation:
        r.ReadByte();
        break;
    case C::BKColor:
        r.ReadLong();
        break;
    case C::ScaleX:
    case C::ScaleY:
        r.ReadSingle();
        break;
    case C::SpecialText:
    case C::Bin:
        ReadText();
        break;
    case C::RawData: // raw data for a printer: nothing to draw, but its bytes must be passed over
        r.Skip(r.ReadSize("raw-data"));
        break;
    case C::PrintText:
    case C::BlockText: {
        double y = r.ReadSingle();
        std::string text = ReadText();
        double x = r.ReadSingle();
        double width = r.ReadSingle();
        m_renderer.TextInWidth(text, x, y, width);
        break;
    }
    case C::DrawingMode:
        m_renderer.FrameMode = r.ReadByte();
        break;
    case C::EncodedImage: {
        auto data = r.ReadBytes(r.ReadSize("image"));
        std::string kind = ReadText();
        double v[4];
        for (double& d : v)
            d = r.ReadSingle();
        m_renderer.DrawEncodedImage(data, kind, v[0], v[1], v[2], v[3]);
        break;
    }
    case C::Variable:
        ReadVariable(commandOffset);
        break;
    case C::Brush: {
        m_brush.Color = r.ReadLong();
        m_brush.Style = r.ReadByte();
        std::uint8_t flag = r.ReadByte();
        m_brush.HasPattern = flag != 0;
        m_brush.Pattern = flag != 0 ? ReadGraphic() : TPicture{};
        NotifyBrush();
        break;
    }
    case C::BrushColor: {
        std::int32_t color = r.ReadLong();
        bool changed = m_brush.HasPattern || color != m_brush.Color;
        m_brush.HasPattern = false;
        m_brush.Pattern = {};
        m_brush.Color = color;
        if (changed)
            NotifyBrush();
        break;
    }
    case C::BrushStyle: {
        std::uint8_t style = r.ReadByte();
        if (style != m_brush.Style) {
            m_brush.Style = style;
            NotifyBrush();
        }
        break;
    }
    case C::BrushBitmap: {
        std::uint8_t flag = r.ReadByte();
        if (flag != 0) {
            m_brush.Pattern = ReadGraphic();
            m_brush.HasPattern = true;
            NotifyBrush();
        } else if (m_brush.HasPattern) {
            m_brush.HasPattern = false;
            m_brush.Pattern = {};
            NotifyBrush();
        }
        break;
    }
    case C::Font: {
        std::string name = ReadText();
        std::int32_t color = r.ReadLong();
        std::uint8_t pitch = r.ReadByte();
        std::uint8_t charset = m_version >= report::kStreamVersionFontCharset ? r.ReadByte() : 1;
        double height = r.ReadSingle();
        std::uint8_t bold = r.ReadByte();
        std::uint8_t italic = r.ReadByte();
        std::uint8_t strikeOut = r.ReadByte();
        r.ReadByte();
        if (m_version >= report::kStreamVersionPageSize)
            r.ReadSignedWord(); // rotation: this record leaves the current rotation alone
        SetFontName(std::move(name));
        SetFontField(&TPlayerFont::Color, color);
        SetFontField(&TPlayerFont::Pitch, static_cast<TFontPitch>(pitch));
        SetFontField(&TPlayerFont::Charset, charset);
        SetFontField(&TPlayerFont::Size, RoundHalfEven(m_renderer.ResolutionX() * height));
        if (bold)
            SetFontField(&TPlayerFont::Bold, true);
        if (italic)
            SetFontField(&TPlayerFont::Italic, true);
        if (strikeOut)
            SetFontField(&TPlayerFont::StrikeOut, true);
        break;
    }
    case C::FontName:
        SetFontName(ReadText());
        break;
    case C::FontColor:
        SetFontField(&TPlayerFont::Color, r.ReadLong());
        break;
    case C::FontPitch:
        SetFontField(&TPlayerFont::Pitch, static_cast<TFontPitch>(r.ReadByte()));
        break;
    case C::FontHeight: {
        double height = r.ReadSingle();
        m_font.Height = height;
        if (m_version >= report::kStreamVersionPageSize)
            m_font.SampleWidth = r.ReadSingle();
        SetFontField(&TPlayerFont::Size, RoundHalfEven(height * 72.0));
        break;
    }
    case C::FontBold:
        SetFontField(&TPlayerFont::Bold, r.ReadByte() != 0);
        break;
    case C::FontUnderline:
        SetFontField(&TPlayerFont::Underline, r.ReadByte() != 0);
        break;
    case C::FontItalic:
        SetFontField(&TPlayerFont::Italic, r.ReadByte() != 0);
        break;
    case C::FontStrikeout:
        SetFontField(&TPlayerFont::StrikeOut, r.ReadByte() != 0);
        break;
    case C::FontSuperscript:
        m_font.Superscript = r.ReadByte() != 0;
        NotifyFont();
        break;
    case C::FontSubscript:
        m_font.Subscript = r.ReadByte() != 0;
        NotifyFont();
        break;
    case C::FontRotation:
        m_font.Rotation = r.ReadSignedWord();
        NotifyFont();
        break;
    case C::FontAlign:
        m_font.Alignment = r.ReadByte();
        NotifyFont();
        break;
    case C::FontCharset:
        m_font.Charset = r.ReadByte();
        NotifyFont();
        break;
    case C::Pen: {
        m_pen.Color = r.ReadLong();
        m_pen.Mode = r.ReadByte();
        m_pen.Style = r.ReadByte();
        m_pen.Width = RoundHalfEven(r.ReadSingle() / 10000.0);
        NotifyPen();
        break;
    }
    case C::PenColor:
        SetPenField(&TPlayerPen::Color, r.ReadLong());
        break;
    case C::PenMode:
        SetPenField(&TPlayerPen::Mode, r.ReadByte());
        break;
    case C::PenStyle:
        SetPenField(&TPlayerPen::Style, r.ReadByte());
        break;
    case C::PenWidth:
        m_renderer.PenWidth = r.ReadSingle();
        NotifyPen();
        break;
    case C::ResetLineHeight:
        for (double& d : m_lineMetrics)
            d = r.ReadSingle();
        break;
    case C::AllowPreviewOnly:
    case C::AllowPrinterOnly:
    case C::AllowAll:
        break;
    default:
        TStreamReader::FailAt("Unexpected code [" + std::to_string(CodeByte(code)) +
                                  "] found in report file.",
                              commandOffset);
    }
}

void TStreamPlayer::PlayText(C code, const std::string& text, double x, double y)
{
    if (text.empty())
        return;
    if (text.find('\x01') != std::string::npos)
        PlaySegmentedText(code, text, x, y);
    else
        DrawPlainText(code, text, x, y);
}

void TStreamPlayer::DrawPlainText(C code, const std::string& text, double x, double y)
{
    if (code == C::CenterText)
        m_renderer.TextCentred(text, x, y);
    else if (code == C::RightText)
        m_renderer.TextRight(text, x, y);
    else
        m_renderer.TextLeft(text, x, y);
}

void TStreamPlayer::PlaySegmentedText(C code, const std::string& text, double x, double y)
{
    TStandardFontServices fallback;
    TFontServices& fonts = m_renderer.FontServices ? *m_renderer.FontServices : fallback;
    std::vector<TRun> runs = SplitRuns(text);

    // Measure every run in the font it will be drawn in, without telling the renderer yet.
    std::vector<double> widths;
    widths.reserve(runs.size());
    TPlayerFont measuring = m_font;
    double total = 0.0;
    for (const TRun& run : runs) {
        ApplyControl(run.Control, measuring);
        double w = run.Text.empty() ? 0.0 : fonts.TextWidth(measuring, run.Text);
        widths.push_back(w);
        total += w;
    }
    if (code == C::CenterText)
        x -= total / 2.0;
    else if (code == C::RightText)
        x -= total;

    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (!runs[i].Control.empty()) {
            TPlayerFont next = m_font;
            ApplyControl(runs[i].Control, next);
            SetFontName(next.Name);
            SetFontField(&TPlayerFont::Color, next.Color);
            SetFontField(&TPlayerFont::Pitch, next.Pitch);
            SetFontField(&TPlayerFont::Charset, next.Charset);
            SetFontField(&TPlayerFont::Size, next.Size);
            SetFontField(&TPlayerFont::Bold, next.Bold);
            SetFontField(&TPlayerFont::Italic, next.Italic);
            SetFontField(&TPlayerFont::Underline, next.Underline);
            SetFontField(&TPlayerFont::StrikeOut, next.StrikeOut);
            SetFontField(&TPlayerFont::Superscript, next.Superscript);
            SetFontField(&TPlayerFont::Subscript, next.Subscript);
        }
        if (!runs[i].Text.empty())
            m_renderer.TextLeft(std::string(runs[i].Text), x, y);
        x += widths[i];
    }
}

} // namespace gq::pdf
