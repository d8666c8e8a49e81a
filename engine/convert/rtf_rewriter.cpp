#include "convert/rewriter.h"

#include "convert/pre_check.h"

namespace tolvarin {
namespace rewriting {

void Rewriter::unicode(std::size_t start, std::size_t end, char16_t v, bool readOn) {
    // Producers write a symbol font's code c as U+F000 + c.
    const bool privateCode = v >= 0xF020 && v <= 0xF0FF;
    if (font().source) {
        // U+F0xx reads as code xx only in a symbol font, which the target font is not.
        sourceCharacter(start, end, privateCode ? v - 0xF000 : encodeCp1252(v), Form::Unicode, !privateCode);
        // The source-font text after a \uN whose fallback was a \'hh reads on without a
        // token per character.
        if (readOn) sourceText(true);
    } else {
        otherCharacter(start, end, privateCode && font().symbol ? decodeCp1252(std::uint8_t(v - 0xF000)) : v);
    }
}

void Rewriter::hexByte(std::size_t offset, std::uint8_t byte) {
    const ScannedFont& f = font();
    if (f.source) {
        sourceCharacter(offset, offset + 4, byte, Form::Text);
        sourceText();
    } else if (waiting()) {
        otherCharacter(offset, offset + 4, f.doubleByte && byte >= 0x80 ? u'\uFFFD' : decodeByte(f.upperHalf, byte));
    }
}

void Rewriter::fontNameStarts(std::size_t start, std::size_t end) {
    // The name's first character: where a source font's entry is renamed. Past where
    // the check stopped, a later font table's source-font entry is renamed too: text
    // after it may use it.
    renaming_ = !unicode_ && (std::binary_search(renamed_.begin(), renamed_.end(), start) ||
                              (start > checkedUpTo_ &&
                               isSourceFont(scanner_.peekFontName(start, kSourceFontPrefix.size()))));
    if (!renaming_) return;
    // The target font's codes are Windows-1252, whatever charset the entry had.
    std::string name = scanner_.entryCharset() != kAnsiCharset ? "\\fcharset0 "
                       : start == scanner_.bareWordEnd()       ? " "
                                                               : "";
    name += kTargetFontName;
    replace(start, end, name);
}

void Rewriter::fontTableEnds(std::size_t offset) {
    if (!unicode_ || unicodeFontWritten_) return;
    // The Unicode font joins the end of the font table.
    copyUpTo(offset);
    if (output_ && !anyHolds()) {
        // The output thread writes it, once it knows the number.
        OutputItem item = output_->take();
        item.bytes.append(out_);
        item.fontEntry = true;
        base_ += out_.size();
        out_.clear();
        output_->put(std::move(item));
    } else {
        out_ += unicodeFontEntry(unicodeFont_, unicodeFontNumber());
    }
    unicodeFontWritten_ = true;
}

void Rewriter::afterToken() {
    const std::size_t at = scanner_.offset();
    if (out_.size() >= kChunk || at - copied_ >= kChunk) {
        if (!scanner_.unicodePending()) copyUpTo(at);
        flush(false);
    }
}

void Rewriter::flush(bool all) {
    std::size_t limit = out_.size();
    for (const Pending& p : streams_) {
        if (p.holds()) {
            limit = (p.active ? p.holdAt : p.stretch.holdAt()) - base_;
            break;
        }
    }
    if (!all && limit < (std::size_t(1) << 15)) return;
    if (limit == 0) return;
    if (output_) {
        OutputItem item = output_->take();
        item.bytes.append(std::string_view(out_).substr(0, limit));
        output_->put(std::move(item));
    } else {
        sink_(std::string_view(out_).substr(0, limit));
    }
    out_.erase(0, limit);
    base_ += limit;
}

RewriteResult Rewriter::run() {
    out_.reserve(kOutputRoom);
    if (unicode_) {
        auto findFontNumber = [this] {
            try {
                const int highest = highestNamedFont(input_);
                fontNumberFound_.set_value(highest < std::numeric_limits<int>::max() ? highest + 1 : highest);
            } catch (...) {
                fontNumberFound_.set_exception(std::current_exception());
                throw;
            }
        };
        std::shared_future<int> number = fontNumber_;
        try {
            output_ = std::make_unique<OrderedOutput<OutputItem>>(
                sink_, findFontNumber, [this, number](OutputItem& item, ByteBuffer& out) {
                    out.append(item.bytes.view());
                    if (item.fontEntry) out.append(unicodeFontEntry(unicodeFont_, number.get()));
                    if (!item.stretch.empty())
                        outputKeptBy_[legacyFontIndex(*item.stretch.font)] +=
                            layOutStretch(item.stretch, input_, item.tail.view(), item.origin, out, outputStretch_,
                                          number.get());
                    item.bytes.clear();
                    item.fontEntry = false;
                    item.stretch.clear();
                    item.tail.clear();
                });
        } catch (const std::system_error&) {
            // No threads to be had: all of it is done here, as a footnote's stretch is.
            findFontNumber();
        }
    }
    const ScanResult scanned = scanner_.run();
    if (!scanned) {
        RewriteResult r;
        r.ok = false;
        r.offset = scanned.offset;
        r.description = scanned.description;
        return r;
    }
    scanner_.finish();
    while (streams_.size() > 1) {
        endStream();
        streams_.pop_back();
    }
    endStream();
    copyUpTo(input_.size());
    flush(true);
    if (output_) {
        output_->finish();
        output_.reset();
        for (std::size_t kept : outputKeptBy_) {
            unknown_ += kept;
            converted_ -= kept;
        }
    }
    RewriteResult r;
    r.converted = converted_;
    r.unknown = unknown_;
    for (std::size_t f = 0; f < convertedBy_.size(); ++f)
        r.convertedByFont.push_back(convertedBy_[f] - keptBy_[f] - outputKeptBy_[f]);
    return r;
}

}  // namespace rewriting

using rewriting::Rewriter;

RewriteResult RtfRewrite::check() {
    PreCheck checker(rtf_, options_.unicode);
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

RewriteResult RtfRewrite::write(const RtfSink& sink) {
    if (!checked_) check();
    if (!checkResult_) return checkResult_;
    if (unchanged_) {
        // Nothing in the source font: the output is the input, byte for byte.
        for (std::size_t at = 0; at < rtf_.size(); at += std::size_t(1) << 20)
            sink(rtf_.substr(at, std::size_t(1) << 20));
        return {};
    }
    Rewriter writer(rtf_, sink, renamedEntries_, options_, checkedUpTo_);
    return writer.run();
}

}  // namespace tolvarin
