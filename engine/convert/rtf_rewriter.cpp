#include "convert/rewriter.h"

namespace tolvarin {
namespace rewriting {

void Rewriter::finishUnicode(std::size_t end) {
    if (!unicodeOpen_) return;
    unicodeOpen_ = false;
    const char16_t v = unicodeValue_;
    const int savedSkip = state_.unicodeSkip;
    state_.unicodeSkip = unicodeSkipAtStart_;
    if (state_.kind == Kind::FontTable) {
        nameCharacter(unicodeStart_, end, v);
    } else if (state_.kind == Kind::Text) {
        // Producers write a symbol font's code c as U+F000 + c.
        const bool privateCode = v >= 0xF020 && v <= 0xF0FF;
        if (font().source) {
            // U+F0xx reads as code xx only in a symbol font, which the target font is not.
            sourceCharacter(unicodeStart_, end, privateCode ? v - 0xF000 : encodeCp1252(v), Form::Unicode,
                            !privateCode);
        } else if (checking()) {
            if (v >= 0x20) noteTextFont();
        } else {
            otherCharacter(unicodeStart_, end,
                           privateCode && font().symbol ? decodeCp1252(std::uint8_t(v - 0xF000)) : v);
        }
    }
    state_.unicodeSkip = savedSkip;
}

// One fallback character of a \uN has been skipped; it ends at `end`.
void Rewriter::consumeFallback(std::size_t end) {
    if (--skip_ == 0) finishUnicode(end);
}

void Rewriter::controlWord(const RtfToken& t) {
    const std::size_t end = tokens_.offset();
    const bool starred = state_.starred;
    state_.starred = false;
    RtfWordMeaning meaning = lookUpRtfWord(t.word);
    // \u without its number names no character; \rtf and \ansi say nothing here.
    if ((meaning.word == RtfWord::Unicode && !t.hasParameter) || meaning.word == RtfWord::Rtf ||
        meaning.word == RtfWord::Ansi)
        meaning = {};
    if (skip_ > 0 && meaning.word != RtfWord::Unicode) {
        consumeFallback(end);  // a control word standing as a \u fallback character
        return;
    }
    if (meaning.word == RtfWord::Unknown) {
        // An ignorable destination nobody here knows: its text is converted too (some
        // producers keep headers and footers in such groups), each as a stream of its own.
        if (starred) {
            state_.offBody = true;
            if (state_.kind == Kind::Text) {
                openStream();
            } else if (state_.kind == Kind::FontTable) {
                state_.kind = Kind::NonText;
            }
        }
        return;
    }
    const RtfWord w = meaning.word;
    const int param = t.parameter;
    switch (w) {
    case RtfWord::Char:
        character(t.offset, end, meaning.value, encodeCp1252(meaning.value), Form::Text);
        break;
    case RtfWord::FootnoteNumber:
        // The mark's digits are the same in both fonts; it stays as it is.
        character(t.offset, end, meaning.value, -1, Form::Text);
        break;
    case RtfWord::Unicode:
        finishUnicode(t.offset);
        unicodeOpen_ = state_.kind == Kind::Text || state_.kind == Kind::FontTable;
        unicodeStart_ = t.offset;
        unicodeValue_ = char16_t(param < 0 ? param + 65536 : param);
        unicodeSkipAtStart_ = state_.unicodeSkip;
        skip_ = state_.unicodeSkip;
        if (skip_ == 0) finishUnicode(end);
        break;
    case RtfWord::UnicodeSkip:
        state_.unicodeSkip = param < 0 ? 0 : param > 16 ? 16 : param;
        break;
    case RtfWord::Font:
        if (state_.kind == Kind::FontTable) {
            fontTableWord(t, w);
        } else {
            state_.font = param < 0 ? 0 : param;
            fontDirty_ = true;
        }
        break;
    case RtfWord::FontCharset:
        if (state_.kind == Kind::FontTable) fontTableWord(t, w);
        break;
    case RtfWord::DefaultFont:
        defaultFont_ = param;
        fontDirty_ = true;
        break;
    case RtfWord::Plain:
        state_.font = -1;
        state_.format = Format{};
        fontDirty_ = true;
        break;
    case RtfWord::AnsiCodePage:
    case RtfWord::Mac:
    case RtfWord::Pc:
    case RtfWord::Pca:
        ansiCodePage_ = documentCodePage(w, param, ansiCodePage_);
        fontDirty_ = true;
        break;
    case RtfWord::Unknown:
    case RtfWord::Rtf:
    case RtfWord::Ansi:
        break;  // taken as unknown above
    // Destinations change what a group holds as the reader takes them, so that both
    // see the same text; the font table's entries are no place for a stream.
    case RtfWord::FontTable:
        if (state_.kind == Kind::Text || state_.kind == Kind::Object) state_.kind = Kind::FontTable;
        else if (state_.kind == Kind::Container) state_.kind = Kind::NonText;
        break;
    case RtfWord::Data:
        state_.kind = Kind::NonText;
        break;
    case RtfWord::Container:
        state_.offBody = true;
        if (state_.kind == Kind::Text || state_.kind == Kind::Object) state_.kind = Kind::Container;
        else if (state_.kind == Kind::FontTable) state_.kind = Kind::NonText;
        break;
    case RtfWord::Object:
        if (state_.kind == Kind::Text || state_.kind == Kind::FontTable) state_.kind = Kind::Object;
        break;
    case RtfWord::NewStream:
        state_.offBody = true;
        if (state_.kind == Kind::Text || state_.kind == Kind::Container || state_.kind == Kind::Object) {
            state_.kind = Kind::Text;
            openStream();
        } else if (state_.kind == Kind::FontTable) {
            state_.kind = Kind::NonText;
        }
        break;
    case RtfWord::SameStream:
        if (state_.kind == Kind::Object || state_.kind == Kind::FontTable) state_.kind = Kind::Text;
        break;
    case RtfWord::ObjectResult:
        if (state_.kind == Kind::Object) state_.kind = Kind::Text;
        break;
    case RtfWord::Bold:
        state_.format.bold = !t.hasParameter || param != 0;
        break;
    case RtfWord::Italic:
        state_.format.italic = !t.hasParameter || param != 0;
        break;
    case RtfWord::UnderlineOn:
        state_.format.underline = !t.hasParameter || param != 0;
        break;
    case RtfWord::UnderlineOff:
        state_.format.underline = false;
        break;
    case RtfWord::FontSize:
        state_.format.size = t.hasParameter && param > 0 ? param : 24;
        break;
    }
}

void Rewriter::controlSymbol(const RtfToken& t) {
    const std::size_t end = tokens_.offset();
    if (t.symbol == '*') {
        // \* marks an ignorable destination only where a group begins.
        state_.starred = groupStart_;
        if (state_.starred) starEnd_ = end;
        return;
    }
    if (skip_ > 0) {
        consumeFallback(end);
        return;
    }
    char16_t value = 0;
    switch (t.symbol) {
    case '\\':
    case '{':
    case '}':
        value = char16_t(t.symbol);
        if (state_.kind == Kind::FontTable) {
            nameCharacter(t.offset, end, value);
            return;
        }
        break;
    case '~': value = u'\u00A0'; break;
    case '-': value = u'\u00AD'; break;
    case '_': value = u'\u2011'; break;
    case '\r':
    case '\n': value = kParagraphBreak; break;
    case '\t': value = kTab; break;
    default: return;
    }
    character(t.offset, end, value, encodeCp1252(value), Form::Text);
}

void Rewriter::flush(bool all) {
    if (checking()) return;
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
        (*sink_)(std::string_view(out_).substr(0, limit));
    }
    out_.erase(0, limit);
    base_ += limit;
}

RewriteResult Rewriter::run() {
    if (!startsAsRtf(input_)) {
        RewriteResult r;
        r.ok = false;
        r.description = "not an RTF document";
        return r;
    }
    out_.reserve(kOutputRoom);
    if (unicode_ && !checking()) {
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
                *sink_, findFontNumber, [this, number](OutputItem& item, ByteBuffer& out) {
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
    while (!done_) {
        const RtfToken t = tokens_.next();
        const bool afterBrace = t.kind == RtfToken::Kind::GroupStart;
        // \* names the control word right after it; anything else in between, a group
        // included, leaves it without meaning.
        if (t.kind != RtfToken::Kind::ControlWord && !(t.kind == RtfToken::Kind::ControlSymbol && t.symbol == '*'))
            state_.starred = false;
        switch (t.kind) {
        case RtfToken::Kind::End:
            done_ = true;
            break;
        case RtfToken::Kind::Error:
            if (stack_.empty()) {
                // Damage after the document has closed: copied as it stands.
                done_ = true;
                break;
            }
            return fail(t.offset, t.error);
        case RtfToken::Kind::GroupStart:
            if (skip_ > 0) {
                skip_ = 0;
                finishUnicode(t.offset);
            }
            if (stack_.size() >= kMaxGroupDepth)
                return fail(t.offset, "groups are nested more than " + std::to_string(kMaxGroupDepth) + " deep");
            stack_.push_back(state_);
            state_.starred = false;
            break;
        case RtfToken::Kind::GroupEnd:
            if (skip_ > 0) {
                skip_ = 0;
                finishUnicode(t.offset);
            }
            if (stack_.empty()) break;  // one '}' too many: copied, and reading goes on
            if (state_.kind == Kind::FontTable) {
                commitFontEntry();
                if (unicode_ && !checking() && !unicodeFontWritten_ && !state_.offBody && stack_.size() >= 2 &&
                    stack_.back().kind != Kind::FontTable) {
                    // The Unicode font joins the end of the font table (a group of its
                    // own, not a document that is its own font table).
                    copyUpTo(t.offset);
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
            }
            if (stack_.back().stream != state_.stream) {
                endStream();
                streams_.pop_back();
            }
            state_ = stack_.back();
            stack_.pop_back();
            fontDirty_ = true;
            // Text after the last brace reads on in the body, for readers and so here too.
            break;
        case RtfToken::Kind::ControlWord:
            controlWord(t);
            break;
        case RtfToken::Kind::ControlSymbol:
            controlSymbol(t);
            break;
        case RtfToken::Kind::HexByte:
            if (skip_ > 0) {
                consumeFallback(t.offset + 4);
                // A \uN whose fallback this was: the source-font text after it reads on
                // without a token per character.
                if (skip_ == 0 && state_.kind == Kind::Text && !done_ && font().source) sourceText(true);
            } else if (state_.kind == Kind::FontTable) {
                nameCharacter(t.offset, t.offset + 4, decodeCp1252(t.byte));
            } else if (state_.kind == Kind::Text) {
                if (font().source) {
                    sourceCharacter(t.offset, t.offset + 4, t.byte, Form::Text);
                    sourceText();
                } else if (checking()) {
                    noteTextFont();
                } else if (waiting()) {
                    const FontInfo& f = font();
                    otherCharacter(t.offset, t.offset + 4,
                                   f.doubleByte && t.byte >= 0x80 ? u'\uFFFD' : decodeByte(f.upperHalf, t.byte));
                }
            }
            break;
        case RtfToken::Kind::Text:
            state_.starred = false;
            textBytes(std::size_t(t.data.data() - input_.data()), t.data);
            break;
        case RtfToken::Kind::Binary:
            if (skip_ > 0) consumeFallback(tokens_.offset());
            break;
        }
        groupStart_ = afterBrace;
        // A control word that ends without a space runs into a letter or digit after it.
        if (t.kind == RtfToken::Kind::ControlWord && tokens_.offset() > 0 && input_[tokens_.offset() - 1] != ' ')
            bareWordEnd_ = tokens_.offset();
        if (!checking() && (out_.size() >= kChunk || tokens_.offset() - copied_ >= kChunk)) {
            if (!unicodeOpen_) copyUpTo(tokens_.offset());
            flush(false);
        }
    }
    if (checking()) return {};
    finishUnicode(input_.size());
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
    Rewriter checker(rtf_, nullptr, nullptr, options_);
    checkResult_ = checker.run();
    checked_ = true;
    if (checkResult_) {
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
    Rewriter writer(rtf_, &sink, &renamedEntries_, options_, checkedUpTo_);
    return writer.run();
}

}  // namespace tolvarin
