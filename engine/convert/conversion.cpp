#include "convert/conversion.h"

#include "convert/rtf_rewriter.h"

namespace tolvarin {

ConversionReport convertRtf(std::string_view rtf, const ConversionOptions& options, const Destination& destination) {
    RtfRewrite rewrite(rtf, options);
    RewriteResult checked = rewrite.check();
    if (!checked) return ConversionReport::failure(checked.description);
    ConversionReport report;
    report.written = WrittenFormat::Rtf;
    report.textFonts = std::move(checked.textFonts);
    report.error = destination([&](const PieceSink& write) {
        RewriteResult r = rewrite.write(write);
        report.counts = std::move(r.counts);
        return r ? std::string() : r.description;
    });
    report.ok = report.error.empty();
    return report;
}

}  // namespace tolvarin
