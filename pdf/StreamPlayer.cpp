#include "pdf/StreamPlayer.h"

#include "pdf/PdfError.h"
#include "pdf/RenderBase.h"
#include "pdf/SegmentedText.h"
#include "pdf/StreamMacros.h"
#include "pdf/StreamPlayerState.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <vector>

namespace gq::pdf
{

namespace
{

using C = report::TStreamCode;
using report::CodeByte;

constexpr char kMarker = '\xFD';

} // namespace

bool IsJobHeaderCode(std::uint8_t code)
{
    return code == CodeByte(C::JobHeaderQ) || code == CodeByte(C::JobHeaderY) ||
           code == CodeByte(C::JobHeader);
}

TStreamPlayer::TStreamPlayer(std::span<const std::uint8_t> input, TRenderBase& renderer)
    : m_input(input), m_renderer(renderer), m_state(std::make_unique<TState>(input))
{}

TStreamPlayer::~TStreamPlayer() = default;

const std::string* TStreamPlayer::Variable(std::string_view name) const
{
    auto it = m_state->Variables.find(std::string(name));
    return it == m_state->Variables.end() ? nullptr : &it->second;
}

template <class TBody> void TStreamPlayer::PlayDocument(TBody&& body)
{
    m_reportDate = m_renderer.Clock ? m_renderer.Clock() : SystemClockNow();
    m_outputLimit =
        std::min(kMaxOutputBytes, kOutputFloorBytes + kOutputPerStreamByte * m_input.size());
    m_finishedOutput = 0;
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
        // The pages must be the ones the writer lays out: as many as the header counts (a
        // Word), numbered 1, 2, 3 ..., each linked to its neighbours, and nothing after the
        // last. Playing fewer or more would make a document that silently differs.
        const int pageCount = static_cast<std::uint16_t>(m_header.PageCount);
        std::size_t previousStart = 0;
        for (int page = 1;; ++page) {
            const std::size_t start = m_state->Reader.Position();
            if (page > pageCount)
                FailPageCount(page, start);
            ReadPageHeader();
            CheckPageHeader(page, start, previousStart);
            PlayPageCommands();
            if (page == pageCount) {
                CheckLastPageEnd(page, start);
                return;
            }
            CheckNextPage(page, start);
            previousStart = start;
        }
    });
}

namespace
{

// Where the fields of a page record stand, from its code byte.
constexpr std::size_t kPreviousPageField = 1;
constexpr std::size_t kNextPageField = 5;
constexpr std::size_t kPageNumberField = 9;

std::string Counted(std::size_t count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace

void TStreamPlayer::FailPageCount(int page, std::size_t offset) const
{
    TStreamReader::FailAt(
        "the job header says the stream holds " +
            Counted(static_cast<std::uint16_t>(m_header.PageCount), "page", "pages") +
            ", but page " + std::to_string(page) + " follows",
        offset);
}

void TStreamPlayer::CheckPageHeader(int page, std::size_t start, std::size_t previousStart) const
{
    const std::string name = "page " + std::to_string(page);
    if (static_cast<std::uint16_t>(m_pageNumber) != page)
        TStreamReader::FailAt(name + " is numbered " +
                                  std::to_string(static_cast<std::uint16_t>(m_pageNumber)) +
                                  "; pages are numbered 1, 2, 3 ... in stream order",
                              start + kPageNumberField);
    if (m_previousPage != static_cast<std::int64_t>(previousStart)) {
        std::string expected = page == 1
                                   ? "not 0"
                                   : "but page " + std::to_string(page - 1) +
                                         " begins at byte offset " + std::to_string(previousStart);
        TStreamReader::FailAt(name + "'s previous-page offset is " +
                                  std::to_string(m_previousPage) + ", " + expected,
                              start + kPreviousPageField);
    }
}

void TStreamPlayer::CheckNextPage(int page, std::size_t start) const
{
    const std::size_t end = m_state->Reader.Position();
    if (m_state->Reader.AtEnd())
        TStreamReader::FailAt(
            "the job header says the stream holds " +
                Counted(static_cast<std::uint16_t>(m_header.PageCount), "page", "pages") +
                ", but it ends after page " + std::to_string(page),
            end);
    if (m_nextPage != static_cast<std::int64_t>(end))
        TStreamReader::FailAt("page " + std::to_string(page) + "'s next-page offset is " +
                                  std::to_string(m_nextPage) + ", but page " +
                                  std::to_string(page + 1) + " begins at byte offset " +
                                  std::to_string(end),
                              start + kNextPageField);
}

void TStreamPlayer::CheckLastPageEnd(int page, std::size_t start) const
{
    const std::size_t end = m_state->Reader.Position();
    if (!m_state->Reader.AtEnd() && m_input[end] == CodeByte(C::PageHeader))
        FailPageCount(page + 1, end);
    if (m_nextPage != 0)
        TStreamReader::FailAt("page " + std::to_string(page) +
                                  " is the last page, but its next-page offset is " +
                                  std::to_string(m_nextPage) + ", not 0",
                              start + kNextPageField);
    if (!m_state->Reader.AtEnd())
        TStreamReader::FailAt(Counted(m_input.size() - end, "byte follows", "bytes follow") +
                                  " the end of the last page",
                              end);
}

void TStreamPlayer::PlayPage(int pageNumber)
{
    PlayDocument([this, pageNumber] {
        std::size_t pos = m_firstPagePosition;
        for (;;) {
            m_state->Reader.Seek(pos);
            ReadPageCode();
            m_state->Reader.ReadLong();
            std::int32_t next = m_state->Reader.ReadLong();
            int number = m_state->Reader.ReadSignedWord();
            if (number == pageNumber)
                break;
            // Following the chain must move forward, or a damaged stream could loop.
            if (next <= 0 || static_cast<std::size_t>(next) <= pos ||
                static_cast<std::size_t>(next) >= m_input.size())
                TStreamReader::FailAt(
                    "page " + std::to_string(pageNumber) + " is not in the stream", pos);
            pos = static_cast<std::size_t>(next);
        }
        m_state->Reader.Seek(pos);
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
        TStreamReader::FailAt("unknown document-settings flags " + std::to_string(flags) +
                                  "; this program knows only flags 1 (PDF/X) and 2 (print-ready)",
                              flagsAt);
    settings.PdfX = (flags & static_cast<std::uint8_t>(report::TDocumentFlag::PdfX)) != 0;
    settings.PrintReady =
        (flags & static_cast<std::uint8_t>(report::TDocumentFlag::PrintReady)) != 0;
    const int count = reader.ReadByte();
    for (int i = 0; i < count; ++i) {
        // As they stand: document data, not page text with macros.
        std::string text = reader.ReadString();
        if (i == static_cast<int>(report::TDocumentString::Title))
            settings.Title = std::move(text);
        else if (i == static_cast<int>(report::TDocumentString::Author))
            settings.Author = std::move(text);
        else if (i == static_cast<int>(report::TDocumentString::Keywords))
            settings.Keywords = std::move(text);
        else if (i == static_cast<int>(report::TDocumentString::Creator))
            settings.Creator = std::move(text);
        else if (i == static_cast<int>(report::TDocumentString::Producer))
            settings.Producer = std::move(text);
    }
    return settings;
}

} // namespace

void TStreamPlayer::ReadHeader()
{
    m_state->Reader.Seek(0);
    std::uint8_t code = m_state->Reader.ReadByte();
    if (!IsJobHeaderCode(code))
        TStreamReader::FailAt("unexpected header code " + std::to_string(code) +
                                  "; a page stream begins with 'Z', 'Y' or 'Q'",
                              0);
    if (code == CodeByte(C::JobHeaderQ))
        m_version = report::kStreamVersionQ;
    else if (code == CodeByte(C::JobHeaderY))
        m_version = report::kStreamVersionY;
    else
        m_version = m_state->Reader.ReadWord();
    if (m_version > report::kStreamVersionY)
        m_header.Title = ReadText();
    m_header.PageCount = m_state->Reader.ReadSignedWord();
    m_header.FirstPage = m_state->Reader.ReadSignedWord();
    m_header.LastPage = m_state->Reader.ReadSignedWord();
    m_header.PaperWidth = m_state->Reader.ReadSingle();
    m_header.PaperHeight = m_state->Reader.ReadSingle();
    m_header.LeftWaste = m_state->Reader.ReadSingle();
    m_header.RightWaste = m_state->Reader.ReadSingle();
    m_header.TopWaste = m_state->Reader.ReadSingle();
    m_header.BottomWaste = m_state->Reader.ReadSingle();
    m_header.Orientation = m_state->Reader.ReadByte();
    if (m_version >= report::kStreamVersionPageSize) {
        m_header.Bin = m_state->Reader.ReadWord();
        m_header.Collate = m_state->Reader.ReadByte();
        m_header.Duplex = m_state->Reader.ReadByte();
    }
    m_header.Copies = m_state->Reader.ReadWord();
    m_header.PaperSize = m_state->Reader.ReadWord();
    m_header.PaperWidthCode = m_state->Reader.ReadWord();
    m_header.PaperLengthCode = m_state->Reader.ReadWord();
    m_header.OutputName = ReadText();
    if (m_version >= report::kStreamVersionDocument)
        m_header.Document = ReadDocumentSettings(m_state->Reader);
    m_firstPagePosition = m_state->Reader.Position();
    m_renderer.LeftWaste = m_header.LeftWaste;
    m_renderer.TopWaste = m_header.TopWaste;
    if (m_header.Document)
        m_renderer.ApplyDocumentSettings(*m_header.Document);
    m_pageNumber = 1;
}

void TStreamPlayer::ReadPageCode()
{
    const std::size_t start = m_state->Reader.Position();
    const std::uint8_t code = m_state->Reader.ReadByte();
    if (code != CodeByte(C::PageHeader))
        TStreamReader::FailAt("unexpected code " + std::to_string(code) +
                                  " where a page record begins (" +
                                  std::to_string(CodeByte(C::PageHeader)) + ")",
                              start);
}

void TStreamPlayer::PlayOnePage()
{
    ReadPageHeader();
    PlayPageCommands();
}

void TStreamPlayer::ReadPageHeader()
{
    ReadPageCode();
    m_previousPage = m_state->Reader.ReadLong();
    m_nextPage = m_state->Reader.ReadLong();
    m_pageNumber = m_state->Reader.ReadSignedWord();
    if (m_version < report::kStreamVersionPageSize) {
        m_state->Reader.ReadByte(); // orientation
    } else {
        m_renderer.PageWidth = m_state->Reader.ReadSingle();
        m_renderer.PageHeight = m_state->Reader.ReadSingle();
    }
}

void TStreamPlayer::PlayPageCommands()
{
    m_renderer.BeginPage();
    for (std::size_t commands = 0;; ++commands) {
        std::size_t commandOffset = m_state->Reader.Position();
        const auto code = static_cast<C>(m_state->Reader.ReadByte());
        if (code == C::EndPage)
            break;
        if (commands == kMaxCommandsPerPage)
            TStreamReader::FailAt("page " + std::to_string(m_pageNumber) + " holds more than " +
                                      std::to_string(kMaxCommandsPerPage) +
                                      " commands, the most a page may hold",
                                  commandOffset);
        PlayCommand(code, commandOffset);
        if (m_finishedOutput + m_renderer.PageContentSize() > m_outputLimit)
            FailOutputLimit(commandOffset);
    }
    m_finishedOutput += m_renderer.PageContentSize();
    m_renderer.EndPage();
}

void TStreamPlayer::FailOutputLimit(std::size_t offset) const
{
    TStreamReader::FailAt(
        "the document made from it passes " + std::to_string(m_outputLimit) +
            " bytes of page content, the most a stream of " + std::to_string(m_input.size()) +
            " bytes may make (" + std::to_string(kOutputFloorBytes >> 20) + " MiB and " +
            std::to_string(kOutputPerStreamByte) + " bytes per byte of stream, at most " +
            std::to_string(kMaxOutputBytes >> 20) + " MiB)",
        offset);
}

std::string TStreamPlayer::ReadText()
{
    std::string text = m_state->Reader.ReadString();
    if (text.find(kMarker) == std::string::npos) // most texts hold no macro
        return text;
    return ExpandMacros(std::move(text));
}

TDeviceRect TStreamPlayer::ReadRect()
{
    TDeviceRect rect;
    double left = m_state->Reader.ReadSingle();
    double top = m_state->Reader.ReadSingle();
    double right = m_state->Reader.ReadSingle();
    double bottom = m_state->Reader.ReadSingle();
    rect.Left = m_renderer.DeviceX(left);
    rect.Top = m_renderer.DeviceY(top);
    rect.Right = m_renderer.DeviceX(right);
    rect.Bottom = m_renderer.DeviceY(bottom);
    return rect;
}

TPicture TStreamPlayer::ReadGraphic()
{
    std::size_t start = m_state->Reader.Position();
    std::uint8_t kind = m_state->Reader.ReadByte();
    TPicture picture;
    picture.Kind = static_cast<std::uint8_t>(kind & 0x7F);
    if (kind & 0x80) {
        std::int32_t position = m_state->Reader.ReadLong();
        // A reference names the size field of a picture written in full earlier on.
        if (position < 0 || static_cast<std::size_t>(position) >= start)
            TStreamReader::FailAt("the picture refers to byte offset " + std::to_string(position) +
                                      ", which is not an earlier picture",
                                  start);
        std::size_t resume = m_state->Reader.Position();
        m_state->Reader.Seek(static_cast<std::size_t>(position));
        picture.Data = m_state->Reader.ReadBytes(m_state->Reader.ReadSize("picture"));
        m_state->Reader.Seek(resume);
    } else {
        picture.Data = m_state->Reader.ReadBytes(m_state->Reader.ReadSize("picture"));
    }
    return picture;
}

namespace
{

[[noreturn]] void FailLongValue(std::uint8_t length, std::uint8_t capacity, std::size_t offset)
{
    TStreamReader::FailAt("the variable value of " + std::to_string(length) +
                              " bytes is longer than its room of " + std::to_string(capacity),
                          offset);
}

} // namespace

void TStreamPlayer::ReadVariable(std::size_t commandOffset)
{
    std::string name = ReadText();
    std::size_t valueOffset = m_state->Reader.Position();
    std::uint8_t capacity = m_state->Reader.ReadByte();
    std::uint8_t length = m_state->Reader.ReadByte();
    auto bytes = m_state->Reader.ReadBytes(capacity);
    std::string value;
    if (length >= 254) {
        if (capacity < 4)
            TStreamReader::FailAt("the variable reference holds no position", valueOffset);
        std::int64_t raw = static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[0]) |
                                                     (static_cast<std::uint32_t>(bytes[1]) << 8) |
                                                     (static_cast<std::uint32_t>(bytes[2]) << 16) |
                                                     (static_cast<std::uint32_t>(bytes[3]) << 24));
        std::uint64_t position = static_cast<std::uint64_t>(raw < 0 ? -raw : raw);
        // The value must have been written before this command; that also rules out cycles.
        if (position >= commandOffset)
            TStreamReader::FailAt("the variable refers to byte offset " + std::to_string(position) +
                                      ", which is not an earlier value",
                                  commandOffset);
        std::size_t resume = m_state->Reader.Position();
        m_state->Reader.Seek(static_cast<std::size_t>(position));
        std::uint8_t refCapacity = m_state->Reader.ReadByte();
        std::uint8_t refLength = m_state->Reader.ReadByte();
        auto refBytes = m_state->Reader.ReadBytes(refCapacity);
        if (refLength > refCapacity)
            FailLongValue(refLength, refCapacity, static_cast<std::size_t>(position));
        value.assign(reinterpret_cast<const char*>(refBytes.data()), refLength);
        m_state->Reader.Seek(resume);
    } else {
        if (length > capacity)
            FailLongValue(length, capacity, valueOffset);
        value.assign(reinterpret_cast<const char*>(bytes.data()), length);
    }
    m_state->Variables[name] = std::move(value);
}

std::string TStreamPlayer::ExpandMacros(std::string text) const
{
    TMacroSource source;
    source.ReportDate = m_reportDate;
    source.FirstPage = m_header.FirstPage;
    source.LastPage = m_header.LastPage;
    source.PageCount = m_header.PageCount;
    source.CurrentPage = m_pageNumber;
    source.RendererMacros = m_renderer.Macros;
    source.Variables = &m_state->Variables;
    std::optional<std::string> expanded = pdf::ExpandMacros(std::move(text), source);
    if (!expanded)
        m_state->Reader.Fail(
            "the text macros of the text before this offset do not come to an end");
    return std::move(*expanded);
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

void TStreamPlayer::PlayText(C code, const std::string& text, double x, double y)
{
    if (text.empty())
        return;
    if (IsSegmentedText(text))
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
    // Every run is measured in the font it will be drawn in before the renderer hears of it.
    std::vector<TTextRun> runs = LayOutRuns(text, m_font, fonts);
    double total = 0.0;
    for (const TTextRun& run : runs)
        total += run.Width;
    if (code == C::CenterText)
        x -= total / 2.0;
    else if (code == C::RightText)
        x -= total;

    for (const TTextRun& run : runs) {
        if (!run.Control.empty()) {
            TPlayerFont next = m_font;
            ApplyControl(run.Control, next);
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
        if (!run.Text.empty())
            m_renderer.TextLeft(std::string(run.Text), x, y);
        x += run.Width;
    }
}

} // namespace gq::pdf
