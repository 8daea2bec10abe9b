#include "app/desktop/JpegImage.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace gq::app
{
namespace
{

constexpr JDIMENSION kMaxSide = 16384;

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to the
// setjmp of the step that called the library. The steps below hold no C++ objects, so the jump
// skips no destructors.
struct TErrorManager
{
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

[[noreturn]] void OnFatalError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<TErrorManager*>(info->err)->Jump, 1);
}

// Warnings (corrupt or truncated data) are counted, not printed; any warning rejects the picture.
void OnMessage(j_common_ptr info, int level)
{
    if (level < 0)
        ++info->err->num_warnings;
}

bool StartDecoding(jpeg_decompress_struct* info, TErrorManager* errors, const unsigned char* bytes,
                   std::size_t size)
{
    if (setjmp(errors->Jump))
        return false;
    jpeg_create_decompress(info);
    jpeg_mem_src(info, bytes, static_cast<unsigned long>(size));
    if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK)
        return false;
    info->out_color_space = JCS_RGB;
    jpeg_start_decompress(info);
    return info->output_components == 3 && info->output_width > 0 && info->output_height > 0 &&
           info->output_width <= kMaxSide && info->output_height <= kMaxSide;
}

bool ReadRows(jpeg_decompress_struct* info, TErrorManager* errors, unsigned char* bits,
              std::size_t stride)
{
    if (setjmp(errors->Jump))
        return false;
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = bits + stride * info->output_scanline;
        if (jpeg_read_scanlines(info, &row, 1) != 1)
            return false;
    }
    jpeg_finish_decompress(info);
    return errors->Manager.num_warnings == 0;
}

} // namespace

QImage DecodeJpeg(std::span<const unsigned char> bytes)
{
    if (bytes.empty())
        return {};

    jpeg_decompress_struct info{};
    TErrorManager errors{};
    info.err = jpeg_std_error(&errors.Manager);
    errors.Manager.error_exit = OnFatalError;
    errors.Manager.emit_message = OnMessage;

    QImage image;
    if (StartDecoding(&info, &errors, bytes.data(), bytes.size())) {
        image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                       QImage::Format_RGB888);
        if (image.isNull() ||
            !ReadRows(&info, &errors, image.bits(), static_cast<std::size_t>(image.bytesPerLine())))
            image = QImage();
    }
    jpeg_destroy_decompress(&info);
    return image;
}

} // namespace gq::app
