#include "book/PdfPageCount.h"

#include "gq/Error.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <exception>

#include <sys/stat.h>

namespace gq::book
{

int PdfPageCount(const std::string& path)
{
    // qpdf would wait forever on a pipe and read a device to its end: regular files only.
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        throw Error("cannot read the page count of " + path + ": " +
                    (S_ISDIR(info.st_mode) ? "it is a folder" : "it is not a file that exists"));
    std::size_t pages = 0;
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(path.c_str());
        pages = QPDFPageDocumentHelper(pdf).getAllPages().size();
    } catch (const std::exception& e) {
        throw Error("cannot read the page count of " + path + ": " + e.what());
    }
    if (pages == 0)
        throw Error("cannot read the page count of " + path + ": the PDF has no pages");
    return static_cast<int>(pages);
}

} // namespace gq::book
