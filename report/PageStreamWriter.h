#pragma once

#include "report/OutputEngine.h"
#include "report/PageStreamFormat.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace gq::report
{

/// Longest text a String field can hold, in bytes.
inline constexpr std::size_t kMaxStreamString = 16383;
/// Size of the write buffer between the writer and its medium.
inline constexpr std::size_t kStreamBufferSize = 16384;

/// The output engine that serialises a print job into a page stream: a job header, then per
/// output page a record with back and forward offsets, a full state dump and the drawing
/// commands. Only changes of font, pen and brush are written. See docs/page-stream.md.
///
/// Failures: a medium that cannot be opened or written throws gq::Error naming the path; a text
/// longer than 16383 bytes throws gq::Error (the job then ends, and FinishJob saves what was
/// written). A medium left unset (smFile without a file name, smUser without a stream) is the
/// caller's bug: std::logic_error.
class TPageStreamWriter : public TOutputEngine
{
  public:
    explicit TPageStreamWriter(std::shared_ptr<TFontManager> fontManager = nullptr);
    ~TPageStreamWriter() override;

    TStreamMode StreamMode() const { return m_streamMode; }
    void SetStreamMode(TStreamMode mode) { m_streamMode = mode; }
    /// smUser: the stream written from its start (it must support seekp). Not owned.
    /// Without one the job fails with gq::InternalError ("... StreamMode is smUser but Stream is
    /// nil").
    std::ostream* Stream() const { return m_userStream; }
    void SetStream(std::ostream* stream) { m_userStream = stream; }
    /// smDescriptor: an open, empty file written from its start with pwrite (not owned, never
    /// closed), and the name its errors give ("Cannot write <name>: <reason>"). The stream then
    /// never sits in memory whole. Without a descriptor the job fails with gq::InternalError.
    void SetStreamDescriptor(int fd, std::string name)
    {
        m_descriptor = fd;
        m_descriptorName = std::move(name);
    }
    /// smTempFile: the folder the "PS" file is made in; empty means $TMPDIR or /tmp.
    const std::string& TempFolder() const { return m_tempFolder; }
    void SetTempFolder(std::string folder) { m_tempFolder = std::move(folder); }

    /// Settings of the document made from the stream, written into the job header of the jobs
    /// that start afterwards: with all defaults the header is version kStreamVersion as always,
    /// otherwise version kStreamVersionDocument with the settings block. StartJob throws gq::Error
    /// when a text is longer than a String holds.
    const TDocumentSettings& DocumentSettings() const { return m_documentSettings; }
    void SetDocumentSettings(TDocumentSettings settings)
    {
        m_documentSettings = std::move(settings);
    }

    /// smMemory: the bytes of the last (or current) job; kept after FinishJob.
    const std::vector<std::uint8_t>& MemoryData() const { return m_memory; }

    /// Writes a variable definition (command 37): name, capacity, length of value, then
    /// capacity bytes holding value padded with zeros. Later page headers refer to the value
    /// part of the latest definition of each variable. Throws gq::Error when value is longer
    /// than capacity or 254 bytes or more (a length of 254 marks a reference).
    void DefineVariable(const std::string& name, std::uint8_t capacity, const std::string& value);
    /// Number of variables defined in this job.
    std::size_t VariableCount() const { return m_variables.size(); }
    /// Command 30: a text the reader interprets.
    void SpecialText(const std::string& text);
    /// Command 31: bytes passed through to the device.
    void RawData(const std::vector<std::uint8_t>& data);
    /// Command 35.
    void SetDrawingMode(std::uint8_t mode);
    /// Command 19: the second rectangle form (inches).
    void Rectangle2(double x1, double y1, double x2, double y2);
    /// Command 16 (after 34): picture at (x, y) scaled by width and height factors.
    void PrintBitmap(double x, double y, double scaleX, double scaleY, const TPictureRef& picture,
                     bool transparent = false);
    /// Command 17 (after 34): picture stretched between two corners (inches).
    void PrintBitmapRect(double x1, double y1, double x2, double y2, const TPictureRef& picture,
                         bool transparent = false);
    /// Command 36 (after 34): an encoded image with its format name, between two corners.
    void PrintImageRect(double x1, double y1, double x2, double y2,
                        const std::vector<std::uint8_t>& image, const std::string& format,
                        bool transparent = false);

  protected:
    void OpenOutput() override;
    void CloseOutput(bool failed) override;
    void BeginPageOutput() override;
    void EndPageOutput() override;
    void FontChanged() override;
    void PenChanged() override;
    void BrushChanged() override;
    void LineMetricsChanged() override;
    void MarksChanged() override;
    void OrientationWritten() override;
    void BinSelected(const std::string& name) override;
    void ScaleXChanged() override;
    void ScaleYChanged() override;
    void TextBKModeChanged() override;
    void BackgroundColorChanged() override;
    void TextOut(TTextCommand command, const std::string& text, double x, double width) override;
    void LineOut(bool lineTo, double x, double y) override;
    void ShapeOut(TShapeCommand command, const double* coords, int count) override;
    void RectOut(TRectCommand command, const TPixelRect& rect) override;
    void PolyOut(bool polygon, const std::vector<TPixelPoint>& points) override;
    void FloodFillOut(double x, double y, TColor color, std::uint8_t style) override;
    void TextRectOut(const TPixelRect& rect, double x, double y, const std::string& text) override;
    void DrawOut(double x, double y, const TPictureRef& picture) override;
    void StretchDrawOut(const TPixelRect& rect, const TPictureRef& picture) override;
    void BrushCopyOut(const TPixelRect& dest, const TPictureRef& picture, const TPixelRect& source,
                      TColor color) override;

  private:
    // Buffered medium.
    void Put(const void* data, std::size_t size);
    void PutByte(std::uint8_t value);
    void PutCode(TStreamCode code) { PutByte(CodeByte(code)); }
    void PutWord(std::uint16_t value);
    void PutLong(std::int32_t value);
    void PutSingle(double value);
    /// Writes `text` as a String, its marker bytes escaped (report::EscapeMacroMarkers).
    void PutString(const std::string& text);
    /// Writes the length prefix and `length` bytes as they are.
    void PutString(const char* bytes, std::size_t length);
    void PutPoint(double x, double y);
    void PutPixelRect(const TPixelRect& rect);
    void PutGraphic(const TPictureRef& picture);
    void Flush();
    void SinkWrite(const std::uint8_t* data, std::size_t size);
    /// smDescriptor: writes all of `data` at `offset`, retrying short writes.
    void WriteDescriptor(const void* data, std::size_t size, std::uint64_t offset);
    std::uint64_t Position();
    void Patch(std::uint64_t offset, const void* data, std::size_t size);
    void CloseMedium(bool failed);
    void WriteJobHeader();
    void WriteDocumentSettings();
    double X(double inches) const;
    double Y(double inches) const;

    void WriteFontState(bool all);
    void WritePenState(bool all);
    void WriteBrushState(bool all);

    TStreamMode m_streamMode = TStreamMode::smMemory;
    std::ostream* m_userStream = nullptr;
    std::string m_tempFolder;
    TDocumentSettings m_documentSettings;

    std::vector<std::uint8_t> m_memory;
    std::FILE* m_file = nullptr;
    int m_descriptor = -1;
    std::string m_descriptorName;
    std::uint64_t m_userBase = 0;
    std::uint64_t m_sinkPosition = 0; // bytes handed to the medium
    std::array<std::uint8_t, kStreamBufferSize> m_buffer{};
    std::size_t m_bufferUsed = 0;
    bool m_open = false;

    std::uint64_t m_pageCountOffset = 0;
    std::uint64_t m_lastPageStart = 0;
    std::uint64_t m_pendingNextOffset = 0; // 0: none
    bool m_haveLastPage = false;

    TEngineFont m_writtenFont;
    double m_writtenFontHeight = -1;
    std::uint64_t m_writtenFontVersion = 0;
    TEnginePen m_writtenPen;
    TEngineBrush m_writtenBrush;
    bool m_patternWritten = false;
    std::map<const TPicture*, std::pair<TPictureRef, std::uint64_t>> m_pictures;
    std::map<std::string, std::uint64_t, std::less<>> m_variables;
};

} // namespace gq::report
