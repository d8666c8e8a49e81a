#include "model/rtf_reader.h"

#include <string>
#include <unordered_map>
#include <vector>

#include "text/codepage.h"
#include "convert/conversion.h"
#include "text/dbcs.h"
#include "rtf/rtf_tokenizer.h"
#include "fonts/legacy_font.h"
#include "rtf/rtf_vocabulary.h"
#include "text/utf8.h"

namespace tolvarin {
namespace {

enum class Dest : std::uint8_t {
    Text,       // characters go into the document
    Skip,       // nothing in the group is text (pictures, tables of the header, ...)
    FontTable,  // entries of the font table
    Object,     // an embedded object: skipped, but its \result is text
};

struct GroupState {
    Dest dest = Dest::Text;
    bool starred = false;  // the group opened with \*: an unknown destination is skipped
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int font = -1;  // RTF font number; -1 stands for \deff
    int fontSize = kDefaultFontSize;
    int unicodeSkip = 1;
};

struct FontDef {
    Font font;
    int codePage = 1252;
    bool inDocument = false;
    Document::FontId id = 0;
};

class Reader {
public:
    Reader(std::string_view input, Document& doc) : input_(input), tokens_(input), doc_(doc) {}

    LoadResult run();

private:
    LoadResult fail(std::size_t offset, const std::string& what) const;

    void controlWord(const RtfToken& t);
    void text(std::string_view bytes);
    void hexByte(std::uint8_t byte);
    void emit(char16_t c);
    void refreshFormat();
    void setCodePage(int codePage);
    void doubleByteText(std::uint8_t b);
    void continueText();
    void commitFontEntry();
    int codePageOfCharset(int charset) const { return fontCodePage(charset, ansiCodePage_); }
    static constexpr int kNoCharset = -1;
    FontDef* currentFontDef();

    std::string_view input_;
    RtfTokenizer tokens_;
    Document& doc_;

    std::vector<GroupState> stack_;
    GroupState state_;

    std::unordered_map<int, FontDef> fonts_;
    int defaultFont_ = 0;
    int ansiCodePage_ = 1252;

    // Cached from state_: what the next character is set in and how its bytes decode.
    bool formatDirty_ = true;
    Document::RunFormat format_;
    const char16_t* upperHalf_ = nullptr;
    bool privateCodes_ = false;  // \uF0xx is the font's code xx (symbol and source fonts)
    int doubleByte_ = 0;    // the double-byte code page of the current font, or 0
    int pendingLead_ = -1;  // a lead byte waiting for its trail byte
    DoubleByteDecoder doubleBytes_;
    bool groupStart_ = false;  // nothing but '{' read yet in this group

    int pendingSkip_ = 0;  // fallback characters still to skip after \uN
    int footnotes_ = 0;

    // The font table entry being read.
    int entryNumber_ = 0;
    int entryCharset_ = kNoCharset;
    std::string entryName_;
    bool entryOpen_ = false;
    bool entryNumbered_ = false;  // the entry's \fN has been read
};

LoadResult Reader::fail(std::size_t offset, const std::string& what) const {
    return LoadResult::failure(offset, "damaged RTF at byte " + std::to_string(offset) + ": " + what);
}

FontDef* Reader::currentFontDef() {
    int number = state_.font >= 0 ? state_.font : defaultFont_;
    auto it = fonts_.find(number);
    if (it == fonts_.end() && number != defaultFont_) it = fonts_.find(defaultFont_);
    return it == fonts_.end() ? nullptr : &it->second;
}

void Reader::refreshFormat() {
    FontDef* def = currentFontDef();
    if (def) {
        if (!def->inDocument) {
            def->id = doc_.fontId(def->font);
            def->inDocument = true;
        }
        format_.font = def->id;
        setCodePage(def->codePage);
        privateCodes_ = def->font.charset == kSymbolCharset || legacyFontNamed(def->font.name);
    } else {
        format_.font = doc_.fontId(Font{});
        setCodePage(ansiCodePage_);
        privateCodes_ = false;
    }
    format_.bold = state_.bold;
    format_.italic = state_.italic;
    format_.underline = state_.underline;
    format_.fontSize = state_.fontSize;
    formatDirty_ = false;
    // Every refresh is followed by a character, so the run can open here and the
    // characters after it go straight into the text.
    doc_.openRun(format_);
}

void Reader::setCodePage(int codePage) {
    doubleByte_ = isDoubleByteCodePage(codePage) ? codePage : 0;
    upperHalf_ = codePageUpperHalf(doubleByte_ ? 1252 : codePage);
    if (!upperHalf_) upperHalf_ = codePageUpperHalf(1252);
    if (!doubleByte_) pendingLead_ = -1;
}

// A text byte in a double-byte code page: a lead byte waits for its trail byte.
void Reader::doubleByteText(std::uint8_t b) {
    if (pendingLead_ >= 0) {
        doc_.appendToRun(doubleBytes_.decode(doubleByte_, std::uint8_t(pendingLead_), b));
        pendingLead_ = -1;
    } else if (isLeadByte(doubleByte_, b)) {
        pendingLead_ = b;
    } else {
        doc_.appendToRun(b < 0x80 ? char16_t(b) : doubleBytes_.decode(doubleByte_, b, -1));
    }
}

// Reads on through the text that follows (bytes and \'hh) without a token for
// each; only for single-byte text with no \uN fallback pending.
void Reader::continueText() {
    tokens_.scanText([this](std::uint8_t b, bool escaped) {
        // Stray control bytes in the text are not characters; escaped ones are.
        if (escaped || b >= 0x20 || b == '\t') doc_.appendToRun(decodeByte(upperHalf_, b));
    });
}

void Reader::emit(char16_t c) {
    if (formatDirty_) refreshFormat();
    doc_.appendToRun(c);
}

void Reader::commitFontEntry() {
    if (!entryOpen_ || !entryNumbered_) {
        // An entry with no name, or with no font number to give it, defines nothing,
        // and what it said is not handed on to the next one.
        entryOpen_ = entryNumbered_ = false;
        entryCharset_ = kNoCharset;
        entryName_.clear();
        return;
    }
    std::string name = entryName_;
    while (!name.empty() && (name.back() == ' ' || name.back() == ';')) name.pop_back();
    std::size_t first = name.find_first_not_of(' ');
    name.erase(0, first == std::string::npos ? name.size() : first);
    FontDef def;
    def.font = Font{std::move(name), entryCharset_ == kNoCharset ? kAnsiCharset : entryCharset_};
    // A legacy font's text is its own 8-bit codes, whatever charset its entry names.
    def.codePage = legacyFontNamed(def.font.name) ? 1252 : codePageOfCharset(entryCharset_);
    if (!codePageUpperHalf(def.codePage) && !isDoubleByteCodePage(def.codePage)) def.codePage = 1252;
    fonts_[entryNumber_] = std::move(def);  // a later entry of the same number wins
    entryOpen_ = entryNumbered_ = false;
    entryName_.clear();
    entryCharset_ = kNoCharset;
    formatDirty_ = true;
}

void Reader::text(std::string_view bytes) {
    if (pendingSkip_ > 0) {
        std::size_t n = std::min<std::size_t>(bytes.size(), std::size_t(pendingSkip_));
        pendingSkip_ -= int(n);
        bytes.remove_prefix(n);
    }
    if (bytes.empty()) return;
    switch (state_.dest) {
    case Dest::Text:
        if (formatDirty_) refreshFormat();
        for (char ch : bytes) {
            auto b = std::uint8_t(ch);
            if (b < 0x20 && b != '\t') continue;  // stray control bytes are not text
            if (doubleByte_) doubleByteText(b);
            else doc_.appendToRun(decodeByte(upperHalf_, b));
        }
        if (!doubleByte_) continueText();
        break;
    case Dest::FontTable: {
        const char16_t* names = codePageUpperHalf(codePageOfCharset(entryCharset_));
        if (!names) names = codePageUpperHalf(1252);
        for (char ch : bytes) {
            if (ch == ';') {
                commitFontEntry();
                continue;
            }
            entryOpen_ = true;
            appendUtf8(entryName_, decodeByte(names, std::uint8_t(ch)));
        }
        break;
    }
    case Dest::Skip:
    case Dest::Object:
        break;
    }
}

void Reader::hexByte(std::uint8_t byte) {
    if (pendingSkip_ > 0) {
        --pendingSkip_;
        return;
    }
    if (state_.dest == Dest::Text) {
        if (formatDirty_) refreshFormat();
        if (doubleByte_) {
            doubleByteText(byte);
            return;
        }
        doc_.appendToRun(decodeByte(upperHalf_, byte));
        continueText();
    } else if (state_.dest == Dest::FontTable) {
        char c = char(byte);
        text(std::string_view(&c, 1));
    }
}

void Reader::controlWord(const RtfToken& t) {
    RtfWordMeaning info = lookUpRtfWord(t.word);
    bool starred = state_.starred;
    state_.starred = false;
    if (info.word == RtfWord::Unicode && !t.hasParameter) info = {};  // \u without its number names no character
    if (pendingSkip_ > 0 && info.word != RtfWord::Unicode) {
        --pendingSkip_;  // a control word standing as a \u fallback character
        return;
    }
    const int param = t.parameter;
    const bool on = !t.hasParameter || param != 0;
    switch (info.word) {
    case RtfWord::Unknown:
        if (starred) state_.dest = Dest::Skip;  // an ignorable destination we do not know
        break;
    case RtfWord::Rtf:
    case RtfWord::Ansi:
        break;
    case RtfWord::Char:
        if (state_.dest == Dest::Text) emit(info.value);
        break;
    case RtfWord::Bold:
        state_.bold = on;
        formatDirty_ = true;
        break;
    case RtfWord::Italic:
        state_.italic = on;
        formatDirty_ = true;
        break;
    case RtfWord::UnderlineOn:
        state_.underline = on;
        formatDirty_ = true;
        break;
    case RtfWord::UnderlineOff:
        state_.underline = false;
        formatDirty_ = true;
        break;
    case RtfWord::Font:
        if (state_.dest == Dest::FontTable) {
            commitFontEntry();
            entryNumber_ = param;
            entryOpen_ = entryNumbered_ = true;
        } else {
            state_.font = param < 0 ? 0 : param;
            formatDirty_ = true;
        }
        break;
    case RtfWord::FontSize:
        state_.fontSize = t.hasParameter && param > 0 ? param : kDefaultFontSize;
        formatDirty_ = true;
        break;
    case RtfWord::Plain:
        state_.bold = state_.italic = state_.underline = false;
        state_.font = -1;
        state_.fontSize = kDefaultFontSize;
        formatDirty_ = true;
        break;
    case RtfWord::UnicodeSkip:
        state_.unicodeSkip = param < 0 ? 0 : param > 16 ? 16 : param;
        break;
    case RtfWord::Unicode: {
        char16_t c = char16_t(param < 0 ? param + 65536 : param);
        if (state_.dest == Dest::FontTable) {
            entryOpen_ = true;
            appendUtf8(entryName_, c);
        } else if (state_.dest == Dest::Text) {
            if (formatDirty_) refreshFormat();
            // Producers write a symbol font's code c as U+F000 + c.
            if (privateCodes_ && c >= 0xF020 && c <= 0xF0FF) c = decodeCp1252(std::uint8_t(c - 0xF000));
            doc_.appendToRun(c);
        }
        pendingSkip_ = state_.unicodeSkip;
        break;
    }
    case RtfWord::DefaultFont:
        defaultFont_ = param;
        formatDirty_ = true;
        break;
    case RtfWord::AnsiCodePage:
    case RtfWord::Mac:
    case RtfWord::Pc:
    case RtfWord::Pca:
        ansiCodePage_ = documentCodePage(info.word, param, ansiCodePage_);
        break;
    case RtfWord::FontCharset:
        if (state_.dest == Dest::FontTable) entryCharset_ = param;
        break;
    case RtfWord::FontTable:
        if (state_.dest != Dest::Skip) state_.dest = Dest::FontTable;
        break;
    // Headers, footers, notes and shapes live outside the flat body this document
    // model holds; data is never text.
    case RtfWord::NewStream:
    case RtfWord::Container:
    case RtfWord::Data:
        state_.dest = Dest::Skip;
        break;
    case RtfWord::SameStream:
        if (state_.dest != Dest::Skip) state_.dest = Dest::Text;
        break;
    case RtfWord::Object:
        if (state_.dest != Dest::Skip) state_.dest = Dest::Object;
        break;
    case RtfWord::ObjectResult:
        if (state_.dest == Dest::Object) state_.dest = Dest::Text;
        break;
    case RtfWord::FootnoteNumber:
        // The reference mark of the next footnote, numbered as word processors do.
        if (state_.dest == Dest::Text)
            for (char digit : std::to_string(++footnotes_)) emit(char16_t(digit));
        break;
    }
}

LoadResult Reader::run() {
    if (!startsAsRtf(input_)) return LoadResult::failure(0, "not an RTF document");

    for (;;) {
        RtfToken t = tokens_.next();
        const bool afterBrace = t.kind == RtfToken::Kind::GroupStart;
        struct GroupStartReset {
            bool& flag;
            bool value;
            ~GroupStartReset() { flag = value; }
        } reset{groupStart_, afterBrace};
        // \* names the control word right after it; anything else in between, a group
        // included, leaves it without meaning.
        if (t.kind != RtfToken::Kind::ControlWord && !(t.kind == RtfToken::Kind::ControlSymbol && t.symbol == '*'))
            state_.starred = false;
        switch (t.kind) {
        case RtfToken::Kind::End:
            // Groups left open at the end are closed, as word processors do.
            return {};
        case RtfToken::Kind::Error:
            // Damage after the document has closed cannot spoil what was read.
            if (stack_.empty()) return {};
            return fail(t.offset, t.error);
        case RtfToken::Kind::GroupStart:
            if (stack_.size() >= kMaxGroupDepth)
                return fail(t.offset, "groups are nested more than " + std::to_string(kMaxGroupDepth) + " deep");
            stack_.push_back(state_);
            state_.starred = false;
            pendingSkip_ = 0;
            pendingLead_ = -1;
            break;
        case RtfToken::Kind::GroupEnd: {
            pendingSkip_ = 0;  // a brace ends a \uN's fallback, also one too many
            // A '}' too many: word processors read on, and so does this reader.
            if (stack_.empty()) break;
            if (state_.dest == Dest::FontTable) commitFontEntry();
            state_ = stack_.back();
            stack_.pop_back();
            formatDirty_ = true;
            break;
        }
        case RtfToken::Kind::ControlWord:
            controlWord(t);
            break;
        case RtfToken::Kind::ControlSymbol:
            if (t.symbol == '*') {
                // \* marks an ignorable destination only where a group begins;
                // elsewhere producers leave it stray, and it means nothing.
                state_.starred = groupStart_;
                break;
            }
            if (pendingSkip_ > 0) {
                --pendingSkip_;
                break;
            }
            switch (t.symbol) {
            case '\\':
            case '{':
            case '}':
                text(std::string_view(&t.symbol, 1));
                break;
            case '~':
                if (state_.dest == Dest::Text) emit(u'\u00A0');
                break;
            case '-':
                if (state_.dest == Dest::Text) emit(u'\u00AD');
                break;
            case '_':
                if (state_.dest == Dest::Text) emit(u'\u2011');
                break;
            case '\r':
            case '\n':
                if (state_.dest == Dest::Text) emit(kParagraphBreak);
                break;
            case '\t':
                if (state_.dest == Dest::Text) emit(kTab);
                break;
            default:
                break;
            }
            break;
        case RtfToken::Kind::HexByte:
            hexByte(t.byte);
            break;
        case RtfToken::Kind::Text:
            state_.starred = false;
            text(t.data);
            break;
        case RtfToken::Kind::Binary:
            if (pendingSkip_ > 0) --pendingSkip_;
            break;
        }
    }
}

}  // namespace

LoadResult readRtf(std::string_view rtf, Document& out) { return Reader(rtf, out).run(); }

}  // namespace tolvarin
