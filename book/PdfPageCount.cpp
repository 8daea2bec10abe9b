#include "book/PdfPageCount.h"

#include "gq/Error.h"
#include "gq/SharedLibrary.h"

#include <qpdf/qpdf-c.h>

#include <memory>

#include <sys/stat.h>

namespace gq::book
{
namespace
{

/// The few functions of qpdf's C interface a page count needs, looked up in the library opened
/// on first use. Every program start would otherwise pay for loading qpdf and its own libraries.
struct TQpdf
{
    decltype(&qpdf_init) Init = nullptr;
    decltype(&qpdf_cleanup) Cleanup = nullptr;
    decltype(&qpdf_silence_errors) SilenceErrors = nullptr;
    decltype(&qpdf_set_suppress_warnings) SuppressWarnings = nullptr;
    decltype(&qpdf_read) Read = nullptr;
    decltype(&qpdf_get_num_pages) PageCount = nullptr;
    decltype(&qpdf_has_error) HasError = nullptr;
    decltype(&qpdf_get_error) GetError = nullptr;
    decltype(&qpdf_get_error_full_text) ErrorText = nullptr;
};

const TQpdf& Qpdf()
{
    // Opened once and kept for the life of the process.
    static const TQpdf qpdf = [] {
        static const TSharedLibrary library(GQ_QPDF_SONAME, "cannot read page counts");
        TQpdf functions;
        library.Look("qpdf_init", functions.Init);
        library.Look("qpdf_cleanup", functions.Cleanup);
        library.Look("qpdf_silence_errors", functions.SilenceErrors);
        library.Look("qpdf_set_suppress_warnings", functions.SuppressWarnings);
        library.Look("qpdf_read", functions.Read);
        library.Look("qpdf_get_num_pages", functions.PageCount);
        library.Look("qpdf_has_error", functions.HasError);
        library.Look("qpdf_get_error", functions.GetError);
        library.Look("qpdf_get_error_full_text", functions.ErrorText);
        return functions;
    }();
    return qpdf;
}

} // namespace

int PdfPageCount(const std::string& path)
{
    // qpdf would wait forever on a pipe and read a device to its end: regular files only.
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        throw Error("cannot read the page count of " + path + ": " +
                    (S_ISDIR(info.st_mode) ? "it is a folder" : "it is not a file that exists"));
    const TQpdf& qpdf = Qpdf();
    qpdf_data data = qpdf.Init();
    const auto cleanup = [&qpdf](qpdf_data* d) { qpdf.Cleanup(d); };
    std::unique_ptr<qpdf_data, decltype(cleanup)> owner(&data, cleanup);
    qpdf.SilenceErrors(data);
    qpdf.SuppressWarnings(data, QPDF_TRUE);
    int pages = -1;
    if ((qpdf.Read(data, path.c_str(), nullptr) & QPDF_ERRORS) == 0)
        pages = qpdf.PageCount(data);
    if (pages < 0 || qpdf.HasError(data)) {
        const char* reason = qpdf.ErrorText(data, qpdf.GetError(data));
        throw Error("cannot read the page count of " + path + ": " +
                    (reason ? reason : "qpdf cannot read it"));
    }
    if (pages == 0)
        throw Error("cannot read the page count of " + path + ": the PDF has no pages");
    return pages;
}

} // namespace gq::book
