#include "model/document.h"

#include <algorithm>

#include "io/file_io.h"
#include "model/rtf_reader.h"
#include "model/rtf_writer.h"

namespace tolvarin {

void Document::clear() {
    text_.clear();
    runs_.clear();
    fonts_.clear();
    source_.reset();
    fromWordBinary_ = false;
}

LoadResult Document::setRtf(std::string_view rtf) { return adoptRtf(std::string(rtf)); }

LoadResult Document::adoptRtf(std::string&& rtf) {
    Document loaded;
    LoadResult result = readRtf(rtf, loaded);
    if (result) {
        loaded.source_ = std::make_shared<const std::string>(std::move(rtf));
        *this = std::move(loaded);
    }
    return result;
}

LoadResult Document::loadFile(const std::filesystem::path& path) {
    std::string bytes;
    std::string error = readWholeFile(path, bytes);
    if (!error.empty()) return LoadResult::failure(0, error);
    return adoptRtf(std::move(bytes));
}

std::string Document::rtf() const { return writeRtf(*this); }

SaveResult Document::saveFile(const std::filesystem::path& path) const {
    std::string error = writeFileReplacing(path, [this](const std::function<void(std::string_view)>& write) {
        writeRtf(*this, write);
        return std::string();
    });
    return error.empty() ? SaveResult{} : SaveResult{false, error};
}

std::size_t Document::runIndexAt(std::size_t index, std::size_t hint) const {
    if (hint < runs_.size() && runs_[hint].start <= index) {
        // Forward walks (the conversion pass) stay in or next to the last run.
        for (std::size_t r = hint; r < runs_.size() && r < hint + 4; ++r)
            if (r + 1 == runs_.size() || runs_[r + 1].start > index) return r;
    }
    auto it = std::upper_bound(runs_.begin(), runs_.end(), index,
                               [](std::size_t i, const Run& run) { return i < run.start; });
    return std::size_t(it - runs_.begin()) - 1;
}

CharFormat Document::expand(const RunFormat& format) const {
    CharFormat out;
    if (format.font < fonts_.size()) out.font = fonts_[format.font];
    out.bold = format.bold;
    out.italic = format.italic;
    out.underline = format.underline;
    out.fontSize = format.fontSize;
    return out;
}

CharFormat Document::formatAt(std::size_t position) const {
    if (position == 0 || position > text_.size()) return CharFormat{};
    return expand(runs_[runIndexAt(position - 1)].format);
}

CharAttributes Document::attributesAt(std::size_t position) const {
    CharAttributes a;
    if (position == 0 || position > text_.size()) {
        a.fontName.clear();
        a.bold = a.italic = a.underline = Tristate::Mixed;
        return a;
    }
    CharFormat f = formatAt(position);
    auto tri = [](bool set) { return set ? Tristate::Set : Tristate::NotSet; };
    a.fontName = f.font.name;
    a.charset = f.font.charset;
    a.bold = tri(f.bold);
    a.italic = tri(f.italic);
    a.underline = tri(f.underline);
    a.fontSize = f.fontSize;
    return a;
}

Document::FontId Document::fontId(const Font& font) {
    auto it = std::find(fonts_.begin(), fonts_.end(), font);
    if (it != fonts_.end()) return FontId(it - fonts_.begin());
    fonts_.push_back(font);
    return FontId(fonts_.size() - 1);
}

void Document::append(std::u16string_view text, const CharFormat& format) {
    source_.reset();
    RunFormat rf;
    rf.font = fontId(format.font);
    rf.bold = format.bold;
    rf.italic = format.italic;
    rf.underline = format.underline;
    rf.fontSize = format.fontSize;
    append(text, rf);
}

}  // namespace tolvarin
