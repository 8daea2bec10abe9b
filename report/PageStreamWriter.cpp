#include "report/PageStreamWriter.h"

#include "gq/Error.h"

#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string_view>
#include <unistd.h>

namespace gq::report
{

static_assert(std::endian::native == std::endian::little,
              "the page stream is little-endian and written by memcpy");

namespace
{

// Measured in every new font; its width travels with the font height (command 54).
const std::string& SampleText()
{
    static const std::string sample =
        "abcdefg hijklmnop qrstuv wxyz ABCDEFG HIJKLMNOP QRSTUV WXYZ 0123456789";
    return sample;
}
constexpr std::uint16_t kNoPrinterBin = 265;

void CheckString(const std::string& text)
{
    const std::size_t size = EscapedSize(text);
    if (size <= kMaxStreamString)
        return;
    const std::string escaped = size == text.size() ? ""
                                                    : " (" + std::to_string(size) +
                                                          " bytes once its 0xFD bytes are escaped)";
    throw gq::Error("Text of " + std::to_string(text.size()) + " bytes" + escaped +
                    " cannot be written to the page stream: at most " +
                    std::to_string(kMaxStreamString) + " bytes fit (text begins \"" +
                    text.substr(0, 20) + "\")");
}

std::string SystemMessage(int error) { return std::strerror(error); }

// The messages of a failed medium, each named once.
[[noreturn]] void FailFile(std::string_view verb, const std::string& path, int error)
{
    throw gq::Error("Cannot " + std::string(verb) + " page-stream file \"" + path +
                    "\": " + SystemMessage(error));
}

[[noreturn]] void FailUserStream()
{
    throw gq::Error("Cannot write the page stream to the supplied stream");
}

} // namespace

TPageStreamWriter::TPageStreamWriter(std::shared_ptr<TFontManager> fontManager)
    : TOutputEngine(std::move(fontManager))
{}

TPageStreamWriter::~TPageStreamWriter()
{
    if (m_file)
        std::fclose(m_file);
}

// ---- medium
// --------------------------------------------------------------------------------------

void TPageStreamWriter::SinkWrite(const std::uint8_t* data, std::size_t size)
{
    switch (m_streamMode) {
    case TStreamMode::smMemory:
        m_memory.insert(m_memory.end(), data, data + size);
        break;
    case TStreamMode::smFile:
    case TStreamMode::smTempFile:
        if (std::fwrite(data, 1, size, m_file) != size)
            FailFile("write", FileName(), errno);
        break;
    case TStreamMode::smUser:
        m_userStream->write(reinterpret_cast<const char*>(data),
                            static_cast<std::streamsize>(size));
        if (!*m_userStream)
            FailUserStream();
        break;
    case TStreamMode::smDescriptor:
        WriteDescriptor(data, size, m_sinkPosition);
        break;
    }
    m_sinkPosition += size;
}

void TPageStreamWriter::WriteDescriptor(const void* data, std::size_t size, std::uint64_t offset)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = pwrite(m_descriptor, bytes, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        // Worded as the caller's own file errors are: the name is the caller's file.
        if (n <= 0)
            throw gq::Error("Cannot write " + m_descriptorName + ": " +
                            SystemMessage(n < 0 ? errno : ENOSPC));
        bytes += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
}

void TPageStreamWriter::Flush()
{
    if (m_bufferUsed == 0)
        return;
    const std::size_t used = m_bufferUsed;
    m_bufferUsed = 0;
    SinkWrite(m_buffer.data(), used);
}

void TPageStreamWriter::Put(const void* data, std::size_t size)
{
    if (m_bufferUsed + size > kStreamBufferSize) {
        Flush();
        if (size > kStreamBufferSize) {
            SinkWrite(static_cast<const std::uint8_t*>(data), size);
            return;
        }
    }
    std::memcpy(m_buffer.data() + m_bufferUsed, data, size);
    m_bufferUsed += size;
}

void TPageStreamWriter::PutByte(std::uint8_t value)
{
    if (m_bufferUsed == kStreamBufferSize)
        Flush();
    m_buffer[m_bufferUsed++] = value;
}

void TPageStreamWriter::PutWord(std::uint16_t value) { Put(&value, 2); }

void TPageStreamWriter::PutLong(std::int32_t value) { Put(&value, 4); }

void TPageStreamWriter::PutSingle(double value)
{
    const float single = static_cast<float>(value);
    Put(&single, 4);
}

void TPageStreamWriter::PutString(const std::string& text)
{
    // A text is data: a marker byte in it is escaped, so that the player prints it as it stands
    // instead of reading a macro. Most texts hold none and are written as they are.
    if (text.find(kMacroMarker) != std::string::npos) {
        const std::string escaped = EscapeMacroMarkers(text);
        PutString(escaped.data(), escaped.size());
        return;
    }
    PutString(text.data(), text.size());
}

void TPageStreamWriter::PutString(const char* bytes, std::size_t length)
{
    // Callers check the length before writing the command code, so a command is never cut.
    if (length > kMaxStreamString)
        throw gq::InternalError("TPageStreamWriter::PutString called with a text of " +
                                std::to_string(length) + " bytes");
    if (length < 192)
        PutByte(static_cast<std::uint8_t>(length));
    else {
        const std::uint8_t prefix[2] = {static_cast<std::uint8_t>(0xC0 + (length >> 8)),
                                        static_cast<std::uint8_t>(length & 0xFF)};
        Put(prefix, 2);
    }
    Put(bytes, length);
}

double TPageStreamWriter::X(double inches) const { return inches * ScaleX() / 100.0; }

double TPageStreamWriter::Y(double inches) const { return inches * ScaleY() / 100.0; }

void TPageStreamWriter::PutPoint(double x, double y)
{
    const float point[2] = {static_cast<float>(X(x)), static_cast<float>(Y(y))};
    Put(point, 8);
}

void TPageStreamWriter::PutPixelRect(const TPixelRect& rect)
{
    PutPoint(PixelXToInches(rect.Left), PixelYToInches(rect.Top));
    PutPoint(PixelXToInches(rect.Right), PixelYToInches(rect.Bottom));
}

void TPageStreamWriter::PutGraphic(const TPictureRef& picture)
{
    const auto kind = static_cast<std::uint8_t>(picture->Kind);
    if (auto it = m_pictures.find(picture.get()); it != m_pictures.end()) {
        PutByte(static_cast<std::uint8_t>(kind + 128));
        PutLong(static_cast<std::int32_t>(it->second.second));
        return;
    }
    PutByte(kind);
    const std::uint64_t sizeOffset = Position();
    m_pictures.emplace(picture.get(), std::make_pair(picture, sizeOffset));
    PutLong(static_cast<std::int32_t>(picture->Data.size()));
    Put(picture->Data.data(), picture->Data.size());
}

std::uint64_t TPageStreamWriter::Position()
{
    Flush();
    return m_sinkPosition;
}

void TPageStreamWriter::Patch(std::uint64_t offset, const void* data, std::size_t size)
{
    Flush();
    switch (m_streamMode) {
    case TStreamMode::smMemory:
        std::memcpy(m_memory.data() + offset, data, size);
        break;
    case TStreamMode::smFile:
    case TStreamMode::smTempFile:
        if (fseeko(m_file, static_cast<off_t>(offset), SEEK_SET) != 0 ||
            std::fwrite(data, 1, size, m_file) != size || fseeko(m_file, 0, SEEK_END) != 0)
            FailFile("write", FileName(), errno);
        break;
    case TStreamMode::smUser:
        m_userStream->seekp(static_cast<std::streamoff>(m_userBase + offset));
        m_userStream->write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
        m_userStream->seekp(static_cast<std::streamoff>(m_userBase + m_sinkPosition));
        if (!*m_userStream)
            FailUserStream();
        break;
    case TStreamMode::smDescriptor:
        WriteDescriptor(data, size, offset);
        break;
    }
}

void TPageStreamWriter::OpenOutput()
{
    m_bufferUsed = 0;
    m_sinkPosition = 0;
    m_pendingNextOffset = 0;
    m_haveLastPage = false;
    m_patternWritten = false;
    m_pictures.clear();
    m_variables.clear();
    m_memory.clear();
    CheckString(Title());
    CheckString(m_documentSettings.Title);
    CheckString(m_documentSettings.Author);
    CheckString(m_documentSettings.Keywords);
    CheckString(m_documentSettings.Creator);
    CheckString(m_documentSettings.Producer);

    switch (m_streamMode) {
    case TStreamMode::smMemory:
        m_memory.reserve(1 << 20);
        break;
    case TStreamMode::smFile:
        if (FileName().empty())
            throw gq::InternalError("Cannot create the page-stream file: no file name is set");
        m_file = std::fopen(FileName().c_str(), "wb");
        if (!m_file)
            FailFile("create", FileName(), errno);
        break;
    case TStreamMode::smUser:
        if (!m_userStream)
            throw gq::InternalError("StreamMode is smUser but Stream is nil");
        m_userBase = 0;
        m_userStream->seekp(0);
        if (!*m_userStream)
            FailUserStream();
        break;
    case TStreamMode::smDescriptor:
        if (m_descriptor < 0)
            throw gq::InternalError("StreamMode is smDescriptor but no descriptor is set");
        break;
    case TStreamMode::smTempFile: {
        std::string folder = m_tempFolder;
        if (folder.empty()) {
            const char* tmp = std::getenv("TMPDIR");
            folder = tmp && *tmp ? tmp : "/tmp";
        }
        std::string path = folder + "/PSXXXXXX";
        const int fd = mkstemp(path.data());
        if (fd < 0)
            throw gq::Error("Cannot create a page-stream file in \"" + folder +
                            "\": " + SystemMessage(errno));
        m_file = fdopen(fd, "wb");
        if (!m_file) {
            const int error = errno;
            close(fd);
            FailFile("open", path, error);
        }
        SetFileName(path);
        break;
    }
    }
    m_open = true;
    try {
        WriteJobHeader();
    } catch (...) {
        // The job never started: release the medium so the next job can open it again.
        try {
            CloseMedium(true);
        } catch (...) {
        }
        throw;
    }
}

void TPageStreamWriter::WriteJobHeader()
{
    const bool withSettings = !m_documentSettings.IsDefault();
    PutCode(TStreamCode::JobHeader);
    PutWord(withSettings ? kStreamVersionDocument : kStreamVersion);
    PutString(Title());
    m_pageCountOffset = m_sinkPosition + m_bufferUsed;
    PutWord(0);
    PutWord(static_cast<std::uint16_t>(FirstPage()));
    PutWord(static_cast<std::uint16_t>(LastPage()));
    PutSingle(JobPageWidth());
    PutSingle(JobPageHeight());
    for (int i = 0; i < 4; ++i)
        PutSingle(0); // no unprintable margins without a printer
    PutByte(static_cast<std::uint8_t>(Orientation()));
    PutWord(kNoPrinterBin);
    PutByte(0); // collate
    PutByte(0); // duplex
    PutWord(1); // copies
    PutWord(1); // paper code
    PutWord(0); // paper width
    PutWord(0); // paper length
    PutString("");
    if (withSettings)
        WriteDocumentSettings();
}

void TPageStreamWriter::WriteDocumentSettings()
{
    const TDocumentSettings& settings = m_documentSettings;
    PutByte(settings.Flags());
    PutByte(kDocumentStringCount);
    static_assert(static_cast<int>(TDocumentString::Title) == 0 &&
                  static_cast<int>(TDocumentString::Author) == 1 &&
                  static_cast<int>(TDocumentString::Keywords) == 2 &&
                  static_cast<int>(TDocumentString::Creator) == 3 &&
                  static_cast<int>(TDocumentString::Producer) == 4 && kDocumentStringCount == 5);
    // Document data, read back as it stands (no macros are expanded in it): written unescaped.
    PutString(settings.Title.data(), settings.Title.size());
    PutString(settings.Author.data(), settings.Author.size());
    PutString(settings.Keywords.data(), settings.Keywords.size());
    PutString(settings.Creator.data(), settings.Creator.size());
    PutString(settings.Producer.data(), settings.Producer.size());
}

void TPageStreamWriter::CloseMedium(bool failed)
{
    (void)failed;
    m_open = false;
    switch (m_streamMode) {
    case TStreamMode::smMemory:
        if (!FileName().empty()) {
            std::ofstream out(FileName(), std::ios::binary | std::ios::trunc);
            if (!out)
                FailFile("create", FileName(), errno);
            out.write(reinterpret_cast<const char*>(m_memory.data()),
                      static_cast<std::streamsize>(m_memory.size()));
            out.close();
            if (!out)
                throw gq::Error("Cannot write page-stream file \"" + FileName() + "\"");
        }
        break;
    case TStreamMode::smFile:
    case TStreamMode::smTempFile: {
        std::FILE* file = m_file;
        m_file = nullptr;
        if (std::fclose(file) != 0)
            FailFile("write", FileName(), errno);
        break;
    }
    case TStreamMode::smUser:
        m_userStream->flush();
        break;
    case TStreamMode::smDescriptor:
        break;
    }
}

void TPageStreamWriter::CloseOutput(bool failed)
{
    if (!m_open)
        return;
    try {
        if (m_pendingNextOffset != 0) {
            const std::int32_t zero = 0;
            Patch(m_pendingNextOffset, &zero, 4);
            m_pendingNextOffset = 0;
        }
        const auto pages = static_cast<std::uint16_t>(PagesOutput());
        Patch(m_pageCountOffset, &pages, 2);
        Flush();
    } catch (...) {
        // Release the file even when the last writes fail; the first error is the one to report.
        try {
            CloseMedium(true);
        } catch (...) {
        }
        throw;
    }
    CloseMedium(failed);
}

// ---- pages
// ---------------------------------------------------------------------------------------

void TPageStreamWriter::BeginPageOutput()
{
    const std::uint64_t start = Position();
    // Page numbers are Words and offsets Longs: refuse what the format cannot hold rather than
    // write a wrapped number.
    if (PagesOutput() > 0xFFFF)
        throw gq::Error("A page stream holds at most 65535 pages; the job has more");
    if (start > 0x7FFFFFFF)
        throw gq::Error("The page stream has grown past 2 GB, more than its offsets can address");
    if (m_pendingNextOffset != 0) {
        const auto value = static_cast<std::int32_t>(start);
        Patch(m_pendingNextOffset, &value, 4);
    }
    PutCode(TStreamCode::PageHeader);
    PutLong(m_haveLastPage ? static_cast<std::int32_t>(m_lastPageStart) : 0);
    m_pendingNextOffset = start + 5;
    PutLong(0);
    PutWord(static_cast<std::uint16_t>(PagesOutput()));
    PutSingle(PageWidthInches());
    PutSingle(PageHeightInches());
    m_lastPageStart = start;
    m_haveLastPage = true;

    // State dump: everything in full, whatever was written before.
    WriteBrushState(true);
    WriteFontState(true);
    WritePenState(true);
    PutCode(TStreamCode::ScaleX);
    PutSingle(ScaleX());
    PutCode(TStreamCode::ScaleY);
    PutSingle(ScaleY());
    PutCode(TStreamCode::TextBKMode);
    PutByte(static_cast<std::uint8_t>(TextBKMode()));
    PutCode(TStreamCode::BKColor);
    PutLong(static_cast<std::int32_t>(BackgroundColor()));
    for (const auto& [name, offset] : m_variables) {
        PutCode(TStreamCode::Variable);
        PutString(name);
        PutByte(4);
        PutByte(254);
        PutLong(static_cast<std::int32_t>(offset));
    }
}

void TPageStreamWriter::EndPageOutput() { PutCode(TStreamCode::EndPage); }

// ---- state changes
// -------------------------------------------------------------------------------

void TPageStreamWriter::WriteFontState(bool all)
{
    const TEngineFont& f = Font();
    TEngineFont& w = m_writtenFont;
    bool shapeChanged = false;
    if (all || f.Name != w.Name) {
        CheckString(f.Name);
        PutCode(TStreamCode::FontName);
        PutString(f.Name);
        shapeChanged = true;
    }
    if (all || f.Color != w.Color) {
        PutCode(TStreamCode::FontColor);
        PutLong(static_cast<std::int32_t>(f.Color));
    }
    if (all || f.Pitch != w.Pitch) {
        PutCode(TStreamCode::FontPitch);
        PutByte(static_cast<std::uint8_t>(f.Pitch));
        shapeChanged = true;
    }
    if (all || f.CharSet != w.CharSet) {
        PutCode(TStreamCode::FontCharset);
        PutByte(f.CharSet);
        shapeChanged = true;
    }
    if (all || f.Bold != w.Bold) {
        PutCode(TStreamCode::FontBold);
        PutByte(f.Bold);
        shapeChanged = true;
    }
    if (all || f.Italic != w.Italic) {
        PutCode(TStreamCode::FontItalic);
        PutByte(f.Italic);
        shapeChanged = true;
    }
    if (all || f.Underline != w.Underline) {
        PutCode(TStreamCode::FontUnderline);
        PutByte(f.Underline);
        shapeChanged = true;
    }
    if (all || f.StrikeOut != w.StrikeOut) {
        PutCode(TStreamCode::FontStrikeout);
        PutByte(f.StrikeOut);
        shapeChanged = true;
    }
    if (all || f.Superscript != w.Superscript) {
        PutCode(TStreamCode::FontSuperscript);
        PutByte(f.Superscript);
    }
    if (all || f.Subscript != w.Subscript) {
        PutCode(TStreamCode::FontSubscript);
        PutByte(f.Subscript);
    }
    if (all || f.Rotation != w.Rotation) {
        PutCode(TStreamCode::FontRotation);
        PutWord(static_cast<std::uint16_t>(f.Rotation));
    }
    if (all || f.Alignment != w.Alignment) {
        PutCode(TStreamCode::FontAlign);
        PutByte(f.Alignment);
    }
    const double height = FontHeight();
    if (all || shapeChanged || height != m_writtenFontHeight) {
        const double sample = static_cast<double>(MeasurePixels(SampleText())) / DpiX();
        PutCode(TStreamCode::FontHeight);
        PutSingle(height);
        PutSingle(sample);
        m_writtenFontHeight = height;
    }
    w = f;
    m_writtenFontVersion = FontVersion();
}

void TPageStreamWriter::FontChanged()
{
    if (FontVersion() != m_writtenFontVersion)
        WriteFontState(false);
}

void TPageStreamWriter::WritePenState(bool all)
{
    const TEnginePen& p = Pen();
    if (all || p.Color != m_writtenPen.Color) {
        PutCode(TStreamCode::PenColor);
        PutLong(static_cast<std::int32_t>(p.Color));
    }
    if (all || p.Mode != m_writtenPen.Mode) {
        PutCode(TStreamCode::PenMode);
        PutByte(static_cast<std::uint8_t>(p.Mode));
    }
    if (all || p.Style != m_writtenPen.Style) {
        PutCode(TStreamCode::PenStyle);
        PutByte(static_cast<std::uint8_t>(p.Style));
    }
    if (all || p.Width != m_writtenPen.Width) {
        PutCode(TStreamCode::PenWidth);
        PutSingle(static_cast<double>(p.Width) / DpiX());
    }
    m_writtenPen = p;
}

void TPageStreamWriter::PenChanged() { WritePenState(false); }

void TPageStreamWriter::WriteBrushState(bool all)
{
    const TEngineBrush& b = Brush();
    if (all || b.Color != m_writtenBrush.Color) {
        PutCode(TStreamCode::BrushColor);
        PutLong(static_cast<std::int32_t>(b.Color));
    }
    if (all || b.Style != m_writtenBrush.Style) {
        PutCode(TStreamCode::BrushStyle);
        PutByte(static_cast<std::uint8_t>(b.Style));
    }
    const bool hasPattern = b.Pattern && !b.Pattern->Data.empty();
    if (hasPattern && (all || b.Pattern != m_writtenBrush.Pattern)) {
        PutCode(TStreamCode::BrushBitmap);
        PutByte(1);
        PutGraphic(b.Pattern);
        m_patternWritten = true;
    } else if (!hasPattern && (all || m_patternWritten)) {
        PutCode(TStreamCode::BrushBitmap);
        PutByte(0);
        m_patternWritten = false;
    }
    m_writtenBrush = b;
}

void TPageStreamWriter::BrushChanged() { WriteBrushState(false); }

void TPageStreamWriter::LineMetricsChanged()
{
    PutCode(TStreamCode::ResetLineHeight);
    const float values[3] = {static_cast<float>(AscentInches()),
                             static_cast<float>(DescentInches()),
                             static_cast<float>(LineHeightInches())};
    Put(values, sizeof values);
}

void TPageStreamWriter::MarksChanged()
{
    switch (OutputMarks()) {
    case TOutputMarks::AllOutputs:
        PutCode(TStreamCode::AllowAll);
        break;
    case TOutputMarks::PreviewOnly:
        PutCode(TStreamCode::AllowPreviewOnly);
        break;
    case TOutputMarks::PrinterOnly:
        PutCode(TStreamCode::AllowPrinterOnly);
        break;
    }
}

void TPageStreamWriter::OrientationWritten()
{
    PutCode(TStreamCode::Orientation);
    PutByte(static_cast<std::uint8_t>(Orientation()));
}

void TPageStreamWriter::BinSelected(const std::string& name)
{
    CheckString(name);
    PutCode(TStreamCode::Bin);
    PutString(name);
}

void TPageStreamWriter::ScaleXChanged()
{
    PutCode(TStreamCode::ScaleX);
    PutSingle(ScaleX());
}

void TPageStreamWriter::ScaleYChanged()
{
    PutCode(TStreamCode::ScaleY);
    PutSingle(ScaleY());
}

void TPageStreamWriter::TextBKModeChanged()
{
    PutCode(TStreamCode::TextBKMode);
    PutByte(static_cast<std::uint8_t>(TextBKMode()));
}

void TPageStreamWriter::BackgroundColorChanged()
{
    PutCode(TStreamCode::BKColor);
    PutLong(static_cast<std::int32_t>(BackgroundColor()));
}

// ---- drawing
// -------------------------------------------------------------------------------------

void TPageStreamWriter::TextOut(TTextCommand command, const std::string& text, double x,
                                double width)
{
    // The engine's command values are the stream's codes.
    static_assert(CodeByte(TStreamCode::CenterText) == std::uint8_t(TTextCommand::Center) &&
                  CodeByte(TStreamCode::LeftText) == std::uint8_t(TTextCommand::Left) &&
                  CodeByte(TStreamCode::RightText) == std::uint8_t(TTextCommand::Right) &&
                  CodeByte(TStreamCode::BlockText) == std::uint8_t(TTextCommand::Block));
    CheckString(text);
    PutByte(static_cast<std::uint8_t>(command));
    PutSingle(Y(CursorYInches()));
    PutString(text);
    PutSingle(X(x));
    if (command == TTextCommand::Block)
        PutSingle(width * ScaleX() / 100.0);
}

void TPageStreamWriter::LineOut(bool lineTo, double x, double y)
{
    std::uint8_t record[9];
    record[0] = CodeByte(lineTo ? TStreamCode::LineTo : TStreamCode::MoveTo);
    const float point[2] = {static_cast<float>(X(x)), static_cast<float>(Y(y))};
    std::memcpy(record + 1, point, 8);
    Put(record, sizeof record);
}

void TPageStreamWriter::ShapeOut(TShapeCommand command, const double* coords, int count)
{
    static_assert(CodeByte(TStreamCode::Arc) == std::uint8_t(TShapeCommand::Arc) &&
                  CodeByte(TStreamCode::Chord) == std::uint8_t(TShapeCommand::Chord) &&
                  CodeByte(TStreamCode::Ellipse) == std::uint8_t(TShapeCommand::Ellipse) &&
                  CodeByte(TStreamCode::Pie) == std::uint8_t(TShapeCommand::Pie) &&
                  CodeByte(TStreamCode::Rectangle) == std::uint8_t(TShapeCommand::Rectangle) &&
                  CodeByte(TStreamCode::RoundRect) == std::uint8_t(TShapeCommand::RoundRect));
    PutByte(static_cast<std::uint8_t>(command));
    const int points = command == TShapeCommand::RoundRect ? 4 : count;
    for (int i = 0; i + 1 < points; i += 2)
        PutPoint(coords[i], coords[i + 1]);
    if (command == TShapeCommand::RoundRect) {
        PutSingle(coords[4]);
        PutSingle(coords[5]);
    }
}

void TPageStreamWriter::RectOut(TRectCommand command, const TPixelRect& rect)
{
    static_assert(CodeByte(TStreamCode::FocusRect) == std::uint8_t(TRectCommand::Focus) &&
                  CodeByte(TStreamCode::FillRect) == std::uint8_t(TRectCommand::Fill) &&
                  CodeByte(TStreamCode::FrameRect) == std::uint8_t(TRectCommand::Frame));
    PutByte(static_cast<std::uint8_t>(command));
    PutPixelRect(rect);
}

void TPageStreamWriter::PolyOut(bool polygon, const std::vector<TPixelPoint>& points)
{
    if (points.size() - 1 > 0xFFFF)
        throw gq::Error("A polygon of " + std::to_string(points.size()) +
                        " points cannot be written to the page stream: at most 65536 fit");
    PutCode(polygon ? TStreamCode::Polygon : TStreamCode::PolyLine);
    PutWord(static_cast<std::uint16_t>(points.size() - 1));
    for (const TPixelPoint& p : points)
        PutPoint(PixelXToInches(p.X), PixelYToInches(p.Y));
}

void TPageStreamWriter::FloodFillOut(double x, double y, TColor color, std::uint8_t style)
{
    PutCode(TStreamCode::FloodFill);
    PutPoint(x, y);
    PutLong(static_cast<std::int32_t>(color));
    PutLong(style);
}

void TPageStreamWriter::TextRectOut(const TPixelRect& rect, double x, double y,
                                    const std::string& text)
{
    CheckString(text);
    PutCode(TStreamCode::TextRect);
    PutPixelRect(rect);
    PutPoint(x, y);
    PutString(text);
}

void TPageStreamWriter::DrawOut(double x, double y, const TPictureRef& picture)
{
    PutCode(TStreamCode::Draw);
    PutGraphic(picture);
    PutPoint(x, y);
}

void TPageStreamWriter::StretchDrawOut(const TPixelRect& rect, const TPictureRef& picture)
{
    PutCode(TStreamCode::StretchDraw);
    PutGraphic(picture);
    PutPixelRect(rect);
}

void TPageStreamWriter::BrushCopyOut(const TPixelRect& dest, const TPictureRef& picture,
                                     const TPixelRect& source, TColor color)
{
    PutCode(TStreamCode::BrushCopy);
    PutGraphic(picture);
    PutPixelRect(dest);
    PutPixelRect(source);
    PutLong(static_cast<std::int32_t>(color));
}

// ---- writer-only commands
// ------------------------------------------------------------------------

void TPageStreamWriter::DefineVariable(const std::string& name, std::uint8_t capacity,
                                       const std::string& value)
{
    RequirePrinting();
    CheckString(name);
    if (value.size() > capacity || value.size() >= 254)
        throw gq::Error("Value of page-stream variable \"" + name + "\" is " +
                        std::to_string(value.size()) + " bytes long; it must fit its capacity of " +
                        std::to_string(capacity) + " and stay below 254 bytes");
    if (!CanWrite())
        return;
    PutCode(TStreamCode::Variable);
    PutString(name);
    // Page headers refer to the value part (capacity, length, bytes) of the latest definition.
    m_variables[name] = Position();
    PutByte(capacity);
    PutByte(static_cast<std::uint8_t>(value.size()));
    std::string padded = value;
    padded.resize(capacity, '\0');
    Put(padded.data(), padded.size());
    PumpMessages();
}

void TPageStreamWriter::SpecialText(const std::string& text)
{
    RequirePrinting();
    CheckString(text);
    if (CanWrite()) {
        PutCode(TStreamCode::SpecialText);
        PutString(text);
    }
    PumpMessages();
}

void TPageStreamWriter::RawData(const std::vector<std::uint8_t>& data)
{
    RequirePrinting();
    if (CanWrite()) {
        PutCode(TStreamCode::RawData);
        PutLong(static_cast<std::int32_t>(data.size()));
        Put(data.data(), data.size());
    }
    PumpMessages();
}

void TPageStreamWriter::SetDrawingMode(std::uint8_t mode)
{
    RequirePrinting();
    if (CanWrite()) {
        PutCode(TStreamCode::DrawingMode);
        PutByte(mode);
    }
    PumpMessages();
}

void TPageStreamWriter::Rectangle2(double x1, double y1, double x2, double y2)
{
    RequirePrinting();
    if (CanWrite()) {
        PutCode(TStreamCode::Rectangle2);
        PutPoint(x1 / UnitsFactor(), y1 / UnitsFactor());
        PutPoint(x2 / UnitsFactor(), y2 / UnitsFactor());
    }
    PumpMessages();
}

void TPageStreamWriter::PrintBitmap(double x, double y, double scaleX, double scaleY,
                                    const TPictureRef& picture, bool transparent)
{
    RequirePrinting();
    if (CanWrite() && picture) {
        PutCode(TStreamCode::Transparency);
        PutByte(transparent);
        PutCode(TStreamCode::PrintBitmap);
        PutGraphic(picture);
        PutPoint(x / UnitsFactor(), y / UnitsFactor());
        PutSingle(scaleX);
        PutSingle(scaleY);
    }
    PumpMessages();
}

void TPageStreamWriter::PrintBitmapRect(double x1, double y1, double x2, double y2,
                                        const TPictureRef& picture, bool transparent)
{
    RequirePrinting();
    if (CanWrite() && picture) {
        PutCode(TStreamCode::Transparency);
        PutByte(transparent);
        PutCode(TStreamCode::PrintBitmapRect);
        PutGraphic(picture);
        PutPoint(x1 / UnitsFactor(), y1 / UnitsFactor());
        PutPoint(x2 / UnitsFactor(), y2 / UnitsFactor());
    }
    PumpMessages();
}

void TPageStreamWriter::PrintImageRect(double x1, double y1, double x2, double y2,
                                       const std::vector<std::uint8_t>& image,
                                       const std::string& format, bool transparent)
{
    RequirePrinting();
    CheckString(format);
    if (CanWrite()) {
        PutCode(TStreamCode::Transparency);
        PutByte(transparent);
        PutCode(TStreamCode::EncodedImage);
        PutLong(static_cast<std::int32_t>(image.size()));
        Put(image.data(), image.size());
        PutString(format);
        PutPoint(x1 / UnitsFactor(), y1 / UnitsFactor());
        PutPoint(x2 / UnitsFactor(), y2 / UnitsFactor());
    }
    PumpMessages();
}

} // namespace gq::report
