#pragma once

#include <QImage>

#include <span>

namespace gq::app
{

/// Decodes a baseline or progressive JPEG (colour or greyscale) into an RGB image
/// (QImage::Format_RGB888). Returns a null image for empty, corrupt or truncated data and for
/// pictures larger than 16384 pixels on a side; never throws.
QImage DecodeJpeg(std::span<const unsigned char> bytes);

} // namespace gq::app
