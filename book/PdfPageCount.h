#pragma once

#include <string>

namespace gq::book
{

/// The number of pages of the PDF file at `path`, whichever program made it, read with qpdf.
/// Throws gq::Error naming `path` and qpdf's reason when the file cannot be opened or read as a
/// PDF, or has no pages.
int PdfPageCount(const std::string& path);

} // namespace gq::book
