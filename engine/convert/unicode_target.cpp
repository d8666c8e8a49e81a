#include "convert/unicode_target.h"

#include <limits>
#include <system_error>

#include "io/threads.h"

namespace tolvarin::rewriting {

RewriteResult UnicodeTarget::run() {
    const std::string_view input = ledger_.input;
    auto findFontNumber = [this, input] {
        try {
            const int highest = highestNamedFont(input);
            fontNumberFound_.set_value(highest < std::numeric_limits<int>::max() ? highest + 1 : highest);
        } catch (...) {
            fontNumberFound_.set_exception(std::current_exception());
            throw;
        }
    };
    std::shared_future<int> number = fontNumber_;
    bool threaded = false;
    if (threading::wanted()) {
        try {
            output_ = std::make_unique<OrderedOutput<OutputItem>>(
                sink_, findFontNumber, [this, number, input](OutputItem& item, ByteBuffer& out) {
                    out.append(item.bytes.view());
                    if (item.fontEntry) out.append(unicodeFontEntry(unicodeFont_, number.get()));
                    if (!item.stretch.empty())
                        layOutStretch(item.stretch, input, item.tail.view(), item.origin, out, outputStretch_,
                                      number.get(), outputCounts_);
                    item.bytes.clear();
                    item.fontEntry = false;
                    item.stretch.clear();
                    item.tail.clear();
                });
            threaded = true;
        } catch (const std::system_error&) {
            // The system refused a thread.
        }
    }
    // No threads (the host has none, or they were refused): all of it is done here, as a
    // footnote's stretch is.
    if (!threaded) findFontNumber();
    return RewriteBase::run();
}

void UnicodeTarget::finishOutput() {
    if (!output_) return;
    output_->finish();
    output_.reset();
    counts_.add(outputCounts_);
}

void UnicodeTarget::handOn(std::string_view bytes) {
    if (!output_) {
        sink_(bytes);
        return;
    }
    OutputItem item = output_->take();
    item.bytes.append(bytes);
    output_->put(std::move(item));
}

void UnicodeTarget::fontTableEnds(std::size_t offset) {
    if (unicodeFontWritten_) return;
    // The Unicode font joins the end of the font table.
    ledger_.copyUpTo(offset);
    if (output_ && !anyHolds()) {
        // The output thread writes it, once it knows the number.
        OutputItem item = output_->take();
        item.bytes.append(ledger_.out);
        item.fontEntry = true;
        ledger_.handedOn(ledger_.out.size());
        output_->put(std::move(item));
    } else {
        ledger_.out += unicodeFontEntry(unicodeFont_, unicodeFontNumber());
    }
    unicodeFontWritten_ = true;
}

void UnicodeTarget::sourceCharacter(std::size_t start, std::size_t end, int code, Form, bool) {
    UnicodeStretch& s = streams_.back();
    // Breaks and tabs end a syllable anyway; they stay as they are, and so does a
    // character the font has no code for. Neither is counted.
    if (code < 0x20) {
        endStretch(s);
        return;
    }
    stretchFor();
    ledger_.copyUpTo(start);
    const auto c = std::uint8_t(code);
    if (start == scanner_.starEnd()) s.afterStar.push_back(s.size());
    s.add(&c, 1, *font().legacy, scanner_.state().format, &start, &end, ledger_.written());
    ledger_.copied = end;
    if (s.size() >= kLongStretch && s.legacy.encoding()->endsSyllables(c)) endStretch(s);
}

void UnicodeTarget::sourceText(bool afterUnit) { collectSourceText(afterUnit, batch_); }

// Converts the stretch and puts what stands at each character where it stood: a
// syllable at its base glyph, with that glyph's formatting; codes with no value as they
// were. The output from the stretch's first place on is laid out again.
void UnicodeTarget::endStretch(UnicodeStretch& s) {
    if (s.empty()) return;
    std::string& out = ledger_.out;
    const std::size_t first = s.holdAt() - ledger_.base;
    const std::string_view tail = std::string_view(out).substr(first);
    if (output_ && !anyHolds(&s)) {
        // Nothing before the stretch waits: the output so far goes on, with the stretch
        // for the output thread to lay out, or laid out here when that thread is behind.
        OutputItem item = output_->take();
        item.bytes.append(std::string_view(out).substr(0, first));
        if (output_->behind()) {
            layOutStretch(s, ledger_.input, tail, ledger_.base + first, item.bytes, stretchText_, unicodeFontNumber(),
                          counts_);
            s.clear();
        } else {
            item.tail.append(tail);
            item.origin = ledger_.base + first;
            std::swap(item.stretch, s);
        }
        ledger_.handedOn(out.size());
        output_->put(std::move(item));
        return;
    }
    // A footnote's stretch inside a paragraph: laid out here, it goes out with the
    // paragraph's tail.
    laidOut_.clear();
    layOutStretch(s, ledger_.input, tail, ledger_.base + first, laidOut_, stretchText_, unicodeFontNumber(), counts_);
    s.clear();
    out.resize(first);
    out.append(laidOut_.view());
}

}  // namespace tolvarin::rewriting
