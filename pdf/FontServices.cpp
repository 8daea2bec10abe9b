#include "pdf/FontServices.h"

#include "pdf/FontWidths.h"

namespace gq::pdf
{

double TStandardFontServices::TextWidth(const TPlayerFont& font, std::string_view text)
{
    std::string base = StandardBaseFontName(font.Name, font.Bold, font.Italic);
    const TWidthTable* table = StandardFontWidths(base);
    if (!table)
        table = StandardFontWidths(HelveticaName(font.Bold, font.Italic));
    long long sum = 0;
    for (char c : text)
        sum += (*table)[static_cast<unsigned char>(c)];
    return static_cast<double>(sum) / 1000.0 * font.Size / 72.0;
}

} // namespace gq::pdf
