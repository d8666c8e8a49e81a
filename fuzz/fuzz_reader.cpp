// libFuzzer target: any bytes into the RTF reader and the converter. What loads is
// written back and read again; what converts must keep everything but the
// source-font text: unchanged without any, and its body reading as the pass's walk,
// or in Unicode, as the document's text in Unicode; written in a legacy font, it reads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "conversion_pass.h"
#include "convert/rtf_rewriter.h"
#include "model/document.h"
#include "model/document_text.h"

using namespace tolvarin;

namespace {

std::string unicodeText(const Document& doc) {
    LegacyCounts counts;
    return documentUnicodeText(doc, counts);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Document doc;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    if (!doc.setRtf(input)) return 0;
    Document again;
    // What we write must always read back.
    if (!again.setRtf(doc.rtf()) || again.text() != doc.text()) std::abort();

    RtfRewrite rewrite(input);
    std::string out;
    RewriteResult r = rewrite.check();
    if (r) r = rewrite.write([&out](std::string_view piece) { out.append(piece); });
    if (!r) std::abort();  // whatever the reader takes converts
    // No source-font text in any stream: not a byte changes.
    if (r.counts.totalConverted() == 0 && out != input) std::abort();
    // The walk builds the converted characters; its save fails at once on a path
    // that cannot be, which spares the disk.
    Document walked, working;
    WindowlessHost host("/nonexistent/none.rtf");
    runConversionPass(doc, working, walked, host);
    Document saved;
    if (!saved.setRtf(out) || saved.text() != walked.text()) std::abort();
    for (std::size_t p = 1; p <= saved.length(); ++p)
        if (!(saved.formatAt(p) == walked.formatAt(p))) std::abort();

    // Unicode: the body reads as the document's own text in Unicode Malayalam.
    ConversionOptions options;
    options.unicode = true;
    RtfRewrite unicode(input, options);
    std::string unicodeOut;
    r = unicode.check();
    if (r) r = unicode.write([&unicodeOut](std::string_view piece) { unicodeOut.append(piece); });
    if (!r) std::abort();
    if (r.counts.totalConverted() == 0 && r.counts.totalKept() == 0 && unicodeOut != input) std::abort();
    Document unicodeSaved;
    if (!unicodeSaved.setRtf(unicodeOut) || unicodeText(unicodeSaved) != unicodeText(doc)) std::abort();

    // Into a legacy font: what it writes reads, and without Malayalam text nothing changes.
    ConversionOptions toFont;
    std::string error;
    if (!legacyTargetCalled("ML-TTKarthika", toFont, error)) std::abort();
    RtfRewrite legacy(input, toFont);
    std::string legacyOut;
    r = legacy.check();
    if (r) r = legacy.write([&legacyOut](std::string_view piece) { legacyOut.append(piece); });
    if (!r) std::abort();
    if (r.counts.totalConverted() == 0 && r.counts.totalKept() == 0 && r.counts.notDrawn == 0 && legacyOut != input) std::abort();
    Document legacySaved;
    if (!legacySaved.setRtf(legacyOut)) std::abort();
    return 0;
}
