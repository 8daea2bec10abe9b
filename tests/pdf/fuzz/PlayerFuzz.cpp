// libFuzzer target for the page-stream player: any input must either play into a complete PDF or
// fail with a gq::Error. Anything else (a crash, a sanitizer report, another exception, a
// document cut short) is a finding.
//
// Build and run (clang only):
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
//       -DGQ_FUZZ=ON
//   cmake --build build-fuzz --target pdf_PlayerFuzz -j2
//   mkdir -p build-fuzz/corpus build-fuzz/artifacts
//   build-fuzz/tests/pdf/pdf_PlayerFuzz build-fuzz/corpus tests/data/pagestream-corpus \
//       -max_total_time=300 -max_len=65536 -timeout=10 -artifact_prefix=build-fuzz/artifacts/
// A finding is replayed with: build-fuzz/tests/pdf/pdf_PlayerFuzz <artifact file>

#include "pdf/FontServices.h"
#include "pdf/RenderPDF.h"

#include <gq/Error.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The standard metrics keep runs fast and free of the platform's font files; the engine's
    // font layer is exercised by the robustness test.
    static gq::pdf::TStandardFontServices fonts;
    std::ostringstream out;
    gq::pdf::TRenderPDF pdf;
    pdf.FontServices = &fonts;
    pdf.EmbedFonts = true;
    pdf.Clock = [] { return gq::pdf::TDateTime{2026, 1, 2, 3, 4, 5, 5}; };
    pdf.SetOutputStream(&out);
    try {
        pdf.RenderStream(std::span<const std::uint8_t>(data, size));
    } catch (const gq::Error&) {
    }
    const std::string& bytes = out.str();
    if (!bytes.empty() && (!bytes.starts_with("%PDF-1.3\r\n") || !bytes.ends_with("%%EOF\r\n")))
        std::abort();
    return 0;
}
