#include "convert/rtf_rewriter.h"

#include "convert/font_target.h"
#include "convert/pre_check.h"
#include "convert/revathi_target.h"
#include "convert/unicode_target.h"

namespace tolvarin {

RewriteResult RtfRewrite::check() {
    PreCheck checker(rtf_, options_);
    const ScanResult scanned = checker.run();
    checked_ = true;
    checkResult_ = RewriteResult{};
    if (!scanned) {
        checkResult_.ok = false;
        checkResult_.offset = scanned.offset;
        checkResult_.description = scanned.description;
    } else {
        // Unicode text leaves the source font's entry as it is: codes with no Unicode
        // value stay in it.
        if (!options_.unicode) renamedEntries_ = checker.renamedEntries();
        unchanged_ = !checker.anySourceText();
        checkedUpTo_ = checker.checkedUpTo();
        if (unchanged_) checkResult_.textFonts = checker.textFonts();
    }
    return checkResult_;
}

RewriteResult RtfRewrite::write(const PieceSink& sink) {
    if (!checked_) check();
    if (!checkResult_) return checkResult_;
    if (unchanged_) {
        // Nothing in the source font: the output is the input, byte for byte.
        for (std::size_t at = 0; at < rtf_.size(); at += std::size_t(1) << 20)
            sink(rtf_.substr(at, std::size_t(1) << 20));
        return {};
    }
    if (options_.toLegacy()) return rewriting::FontTarget(rtf_, sink, options_, renamedEntries_, checkedUpTo_).run();
    if (options_.unicode) return rewriting::UnicodeTarget(rtf_, sink, options_.unicodeFont).run();
    return rewriting::RevathiTarget(rtf_, sink, renamedEntries_, checkedUpTo_).run();
}

}  // namespace tolvarin
