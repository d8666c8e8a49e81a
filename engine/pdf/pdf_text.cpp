#include "pdf/pdf_text.h"

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>

#include <algorithm>
#include <climits>
#include <memory>

namespace tolvarin {

namespace {

// poppler reports what it recovers from on standard error; the reader says what matters.
void quiet(const std::string&, void*) {}

// "ABCDEF+ML-TTKarthika,Bold" is ML-TTKarthika Bold: the subset prefix goes, and the style
// after a comma reads as a style word after a space.
std::string fontName(std::string name) {
    if (name.size() > 7 && name[6] == '+' &&
        std::all_of(name.begin(), name.begin() + 6, [](char c) { return c >= 'A' && c <= 'Z'; }))
        name.erase(0, 7);
    std::replace(name.begin(), name.end(), ',', ' ');
    return name;
}

void add(PdfLine& line, std::u16string_view text, const std::string& font) {
    if (text.empty()) return;
    if (line.empty() || line.back().font != font) line.push_back({std::u16string(), font});
    line.back().text += text;
}

}  // namespace

bool pdfSupported() { return true; }

std::string pdfLines(std::string_view bytes, std::vector<PdfLine>& lines) {
    if (bytes.size() > std::size_t(INT_MAX)) return "the PDF is too large to read (over 2 GiB)";
    poppler::set_debug_error_function(quiet, nullptr);
    const std::unique_ptr<poppler::document> doc(
        poppler::document::load_from_raw_data(bytes.data(), int(bytes.size())));
    if (!doc) return "the PDF is damaged and cannot be read";
    if (doc->is_locked())
        return "the PDF is password-protected; remove the password (print it to a new PDF) and try again";
    std::size_t characters = 0;
    for (int p = 0; p < doc->pages(); ++p) {
        const std::unique_ptr<poppler::page> page(doc->create_page(p));
        if (!page) continue;
        PdfLine line;
        if (p > 0) add(line, u"\f", std::string());
        bool started = false;
        poppler::rectf last;
        bool spaceAfter = false;
        std::string lastFont;
        for (const poppler::text_box& box : page->text_list(poppler::page::text_list_include_font)) {
            const poppler::ustring u = box.text();
            const std::u16string text(u.begin(), u.end());
            if (text.empty()) continue;
            const poppler::rectf at = box.bbox();
            const std::string font = box.has_font_info() ? fontName(box.get_font_name(0)) : std::string();
            if (started) {
                // One line while the boxes overlap in height and go on to the right; a box
                // further left or lower starts the next (a column's or a cell's text stays apart).
                const double overlap = std::min(at.bottom(), last.bottom()) - std::max(at.top(), last.top());
                const double height = std::max(1.0, std::min(at.height(), last.height()));
                const double gap = at.left() - last.right();
                if (overlap < height / 2 || gap < -height / 2) {
                    lines.push_back(std::move(line));
                    line.clear();
                } else if (gap > 2 * height) {
                    add(line, u"\t", lastFont);  // a table's next cell, far along the line
                } else if (spaceAfter || gap > height / 5) {
                    add(line, u" ", lastFont);
                }
            }
            add(line, text, font);
            characters += text.size();
            started = true;
            last = at;
            spaceAfter = box.has_space_after();
            lastFont = font;
        }
        lines.push_back(std::move(line));
    }
    if (characters == 0)
        return "the PDF holds no text (its pages are images or drawn outlines, as of a scan): there is nothing "
               "to convert";
    return {};
}

}  // namespace tolvarin
