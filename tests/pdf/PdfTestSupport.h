#pragma once

// Helpers shared by the PDF output tests: a page-stream builder that writes the records by
// hand, PDF dissection (objects, content streams, cross-reference checks) and golden files.

#include "pdf/Clock.h"
#include "report/PageStreamFormat.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace gq::pdf::test
{

using TCode = report::TStreamCode;

/// Writes page-stream records byte by byte, little-endian, as the engine's writer lays them out.
class TStreamBuilder
{
  public:
    std::vector<std::uint8_t> Bytes;

    void Byte(std::uint8_t v) { Bytes.push_back(v); }
    void Code(TCode code) { Byte(report::CodeByte(code)); }
    void Word(std::uint16_t v)
    {
        Byte(static_cast<std::uint8_t>(v & 0xFF));
        Byte(static_cast<std::uint8_t>(v >> 8));
    }
    void Long(std::int32_t v)
    {
        auto u = static_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i)
            Byte(static_cast<std::uint8_t>(u >> (8 * i)));
    }
    void Single(float v) { Long(static_cast<std::int32_t>(std::bit_cast<std::uint32_t>(v))); }
    void String(std::string_view s)
    {
        if (s.size() < 192) {
            Byte(static_cast<std::uint8_t>(s.size()));
        } else {
            Byte(static_cast<std::uint8_t>(0xC0 + (s.size() >> 8)));
            Byte(static_cast<std::uint8_t>(s.size() & 0xFF));
        }
        Bytes.insert(Bytes.end(), s.begin(), s.end());
    }
    void PatchLong(std::size_t at, std::int32_t v)
    {
        auto u = static_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i)
            Bytes[at + i] = static_cast<std::uint8_t>(u >> (8 * i));
    }

    /// Job header of version 2017 for a Letter page without waste; page count as given.
    void JobHeader(int pageCount, std::string_view title = "Grid Report")
    {
        Code(TCode::JobHeader);
        Word(report::kStreamVersion);
        String(title);
        m_pageCountAt = Bytes.size();
        Word(static_cast<std::uint16_t>(pageCount));
        Word(1);
        Word(9999);
        for (float v : {8.5f, 11.0f, 0.0f, 0.0f, 0.0f, 0.0f})
            Single(v);
        Byte(0);    // orientation
        Word(265);  // bin
        Byte(0);    // collate
        Byte(0);    // duplex
        Word(1);    // copies
        Word(1);    // paper size
        Word(0);    // paper width
        Word(0);    // paper length
        String(""); // output name
    }

    /// Job header of version 2019 for a Letter page, ending in the document-settings block:
    /// the `flags` Byte, the count of `strings` and the Strings.
    void DocumentJobHeader(int pageCount, std::uint8_t flags,
                           const std::vector<std::string_view>& strings)
    {
        JobHeader(pageCount);
        Bytes[1] = report::kStreamVersionDocument & 0xFF;
        Bytes[2] = report::kStreamVersionDocument >> 8;
        Byte(flags);
        Byte(static_cast<std::uint8_t>(strings.size()));
        for (std::string_view s : strings)
            String(s);
    }

    /// Page record start: code 80, offsets, number, size. Links the previous record to this one.
    void PageHeader(int number, float width = 8.5f, float height = 11.0f)
    {
        std::size_t start = Bytes.size();
        if (m_lastPage)
            PatchLong(*m_lastPage + 5, static_cast<std::int32_t>(start));
        Code(TCode::PageHeader);
        Long(m_lastPage ? static_cast<std::int32_t>(*m_lastPage) : 0);
        Long(0);
        Word(static_cast<std::uint16_t>(number));
        Single(width);
        Single(height);
        m_lastPage = start;
    }

    /// The full state dump of a page header: brush, font (Arial, `sizePt`), pen, scale, mode.
    void StateDump(float sizePt = 10.0f, float penWidth = 1.0f / 600.0f)
    {
        Code(TCode::BrushColor), Long(0);
        Code(TCode::BrushStyle), Byte(1);
        Code(TCode::BrushBitmap), Byte(0);
        Code(TCode::FontName), String("Arial");
        Code(TCode::FontColor), Long(0);
        Code(TCode::FontPitch), Byte(0);
        Code(TCode::FontCharset), Byte(1);
        for (TCode code : {TCode::FontBold, TCode::FontItalic, TCode::FontUnderline,
                           TCode::FontStrikeout, TCode::FontSuperscript, TCode::FontSubscript})
            Code(code), Byte(0);
        Code(TCode::FontRotation), Word(0);
        Code(TCode::FontAlign), Byte(0);
        FontHeight(sizePt / 72.0f);
        Code(TCode::PenColor), Long(0);
        Code(TCode::PenMode), Byte(4);
        Code(TCode::PenStyle), Byte(0);
        PenWidth(penWidth);
        Code(TCode::ScaleX), Single(100.0f);
        Code(TCode::ScaleY), Single(100.0f);
        Code(TCode::TextBKMode), Byte(0);
        Code(TCode::BKColor), Long(0x00FFFFFF);
    }

    void FontHeight(float inches, float sample = 1.0f)
    {
        Code(TCode::FontHeight), Single(inches), Single(sample);
    }
    void PenWidth(float inches) { Code(TCode::PenWidth), Single(inches); }
    void Text(TCode code, float y, std::string_view text, float x)
    {
        Code(code), Single(y), String(text), Single(x);
    }
    void LineMetrics() { Code(TCode::ResetLineHeight), Single(0.15f), Single(0.03f), Single(0.2f); }
    void MoveTo(float x, float y) { Code(TCode::MoveTo), Single(x), Single(y); }
    void LineTo(float x, float y) { Code(TCode::LineTo), Single(x), Single(y); }
    void EndPage() { Code(TCode::EndPage); }

  private:
    std::size_t m_pageCountAt = 0;
    std::optional<std::size_t> m_lastPage;
};

/// A one-page stream with the default state (Arial `sizePt`) and `body` appended by the caller.
inline TStreamBuilder OnePage(float sizePt = 12.0f)
{
    TStreamBuilder b;
    b.JobHeader(1);
    b.PageHeader(1);
    b.StateDump(sizePt);
    return b;
}

inline TDateTime FixedDate() { return TDateTime{2026, 1, 2, 3, 4, 5, 5}; }

/// The content stream of page `index` (0-based) of a PDF written by the renderer.
inline std::string PageContent(const std::string& pdf, int index)
{
    std::size_t pos = 0;
    for (int i = 0; i <= index; ++i) {
        pos = pdf.find("stream\r\n2 J", pos);
        if (pos == std::string::npos)
            return "";
        pos += 8;
    }
    std::size_t end = pdf.find("endstream", pos);
    return pdf.substr(pos, end - pos);
}

/// Lines of `text` split at CR LF (the last, empty piece dropped).
inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            lines.push_back(text.substr(pos));
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

/// Byte offsets of the objects as listed in the cross-reference table.
inline std::vector<std::size_t> XRefOffsets(const std::string& pdf)
{
    std::vector<std::size_t> offsets;
    std::size_t pos = pdf.rfind("xref\r\n0 ");
    if (pos == std::string::npos)
        return offsets;
    pos = pdf.find("65535 f\r\n", pos) + 9;
    while (pos + 20 <= pdf.size() && pdf.compare(pos + 10, 10, " 00000 n\r\n") == 0) {
        offsets.push_back(std::stoull(pdf.substr(pos, 10)));
        pos += 20;
    }
    return offsets;
}

/// Every cross-reference entry lands on "N 0 obj" in number order, startxref points at "xref",
/// every line ends in CR LF, and the file ends with "%%EOF" CR LF.
inline void ExpectWellFormed(const std::string& pdf)
{
    auto offsets = XRefOffsets(pdf);
    ASSERT_FALSE(offsets.empty());
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        std::string head = std::to_string(i + 1) + " 0 obj\r\n";
        EXPECT_EQ(pdf.compare(offsets[i], head.size(), head), 0) << "object " << i + 1;
    }
    std::size_t sx = pdf.rfind("startxref\r\n");
    ASSERT_NE(sx, std::string::npos);
    std::size_t xref = std::stoull(pdf.substr(sx + 11));
    EXPECT_EQ(pdf.compare(xref, 6, "xref\r\n"), 0);
    EXPECT_TRUE(pdf.ends_with("%%EOF\r\n"));
    EXPECT_NE(pdf.find("/Size " + std::to_string(offsets.size() + 1) + "\r\n"), std::string::npos);
}

/// Compares `actual` with the golden file tests/data/pdf/<name>; on a difference writes
/// <name>.actual into the working folder and reports the first differing offset.
inline void ExpectGolden(const std::string& actual, const std::string& name)
{
    std::string path = std::string(GQ_TEST_DATA_DIR) + "/pdf/" + name;
    std::ifstream in(path, std::ios::binary);
    std::string expected((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (expected == actual)
        return;
    std::ofstream(name + ".actual", std::ios::binary) << actual;
    std::size_t diff = 0;
    while (diff < expected.size() && diff < actual.size() && expected[diff] == actual[diff])
        ++diff;
    ADD_FAILURE() << name << " differs from its golden file at byte " << diff << " (expected size "
                  << expected.size() << ", actual " << actual.size() << "); see " << name
                  << ".actual";
}

} // namespace gq::pdf::test
