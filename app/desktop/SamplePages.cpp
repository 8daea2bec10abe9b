#include "app/desktop/SamplePages.h"

#include <cstddef>

namespace gq::app
{
namespace
{
// kSamplePage0..3 and kSamplePageSize0..3, in the order of TSamplePage; see EmbedFiles.cmake.
#include "SamplePageBytes.inc"
} // namespace

std::span<const unsigned char> SamplePageJpeg(TSamplePage page)
{
    switch (page) {
    case TSamplePage::OnePerPage:
        return {kSamplePage0, kSamplePageSize0};
    case TSamplePage::OnePerPageCandidates:
        return {kSamplePage1, kSamplePageSize1};
    case TSamplePage::TwoPerPage:
        return {kSamplePage2, kSamplePageSize2};
    case TSamplePage::FourPerPage:
        return {kSamplePage3, kSamplePageSize3};
    }
    return {};
}

} // namespace gq::app
