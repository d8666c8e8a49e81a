// Generated presentations and workbooks for the benchmarks: a deck of slides of PANCHARI
// text as PowerPoint writes it, and a workbook of many shared strings in a PANCHARI
// cell format as Excel writes it; each part's name and content, for a zip.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "sample_document.h"

namespace tolvarin::bench {

using PackageParts = std::vector<std::pair<std::string, std::string>>;

// Words of PANCHARI codes as the UTF-8 a part holds them in, about `bytes` of them.
inline void panchariWords(Random& next, std::string& s, std::size_t bytes) {
    const std::size_t until = s.size() + bytes;
    while (s.size() < until) {
        for (int n = 3 + int(next() % 6); n > 0; --n) {
            const unsigned code = 0xA1 + next() % 0x4F;
            s.push_back(char(0xC0 | (code >> 6)));
            s.push_back(char(0x80 | (code & 0x3F)));
        }
        s.push_back(' ');
    }
    s.pop_back();
}

inline std::string relationshipsOf(const std::vector<std::pair<std::string, std::string>>& typeAndTarget) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><Relationships "
                      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    int id = 1;
    for (const auto& [type, target] : typeAndTarget)
        out += "<Relationship Id=\"rId" + std::to_string(id++) + "\" Type=\"http://schemas.openxmlformats.org/"
               "officeDocument/2006/relationships/" + type + "\" Target=\"" + target + "\"/>";
    return out + "</Relationships>";
}

// A deck of slides whose XML comes to about `textBytes`: each slide a title and a body of
// bulleted paragraphs, runs in PANCHARI, a bold run now and then.
inline PackageParts makePptxParts(std::size_t textBytes) {
    const std::string ns = "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
                           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
                           "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\"";
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
    Random next;
    PackageParts parts;
    std::vector<std::pair<std::string, std::string>> presentationRels = {{"slideMaster", "slideMasters/slideMaster1.xml"},
                                                                         {"theme", "theme/theme1.xml"}};
    std::string ids;
    std::size_t made = 0;
    for (int n = 1; made < textBytes; ++n) {
        std::string s = head + "<p:sld " + ns + "><p:cSld><p:spTree><p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/>"
                               "<p:nvPr/></p:nvGrpSpPr><p:grpSpPr/>";
        for (int shape = 0; shape < 2; ++shape) {
            s += "<p:sp><p:nvSpPr><p:cNvPr id=\"" + std::to_string(shape + 2) + "\" name=\"S\"/><p:cNvSpPr/><p:nvPr><p:ph " +
                 (shape == 0 ? "type=\"title\"" : "idx=\"1\"") + "/></p:nvPr></p:nvSpPr><p:spPr/><p:txBody><a:bodyPr/>"
                 "<a:lstStyle/>";
            for (int para = 0; para < (shape == 0 ? 1 : 12); ++para) {
                s += "<a:p>";
                for (int run = 0; run < 3; ++run) {
                    s += "<a:r><a:rPr lang=\"en-US\" sz=\"2400\"";
                    s += next() % 5 == 0 ? " b=\"1\"" : "";
                    s += " dirty=\"0\"><a:latin typeface=\"PANCHARI\"/></a:rPr><a:t>";
                    panchariWords(next, s, 60);
                    s += "</a:t></a:r>";
                }
                s += "<a:endParaRPr lang=\"en-US\" dirty=\"0\"/></a:p>";
            }
            s += "</p:txBody></p:sp>";
        }
        s += "</p:spTree></p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sld>";
        made += s.size();
        const std::string name = "slides/slide" + std::to_string(n) + ".xml";
        parts.push_back({"ppt/" + name, std::move(s)});
        parts.push_back({"ppt/slides/_rels/slide" + std::to_string(n) + ".xml.rels",
                         relationshipsOf({{"slideLayout", "../slideLayouts/slideLayout1.xml"}})});
        presentationRels.push_back({"slide", name});
        ids += "<p:sldId id=\"" + std::to_string(255 + n) + "\" r:id=\"rId" + std::to_string(presentationRels.size()) + "\"/>";
    }
    const std::string tree = "<p:cSld><p:spTree><p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/><p:nvPr/>"
                             "</p:nvGrpSpPr><p:grpSpPr/></p:spTree></p:cSld>";
    parts.push_back({"[Content_Types].xml",
                     head + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default "
                            "Extension=\"xml\" ContentType=\"application/xml\"/><Override PartName=\"/ppt/presentation.xml\" "
                            "ContentType=\"application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml\"/>"
                            "</Types>"});
    parts.push_back({"_rels/.rels", relationshipsOf({{"officeDocument", "ppt/presentation.xml"}})});
    parts.push_back({"ppt/presentation.xml", head + "<p:presentation " + ns + "><p:sldMasterIdLst><p:sldMasterId "
                                                    "id=\"2147483648\" r:id=\"rId1\"/></p:sldMasterIdLst><p:sldIdLst>" + ids +
                                                    "</p:sldIdLst></p:presentation>"});
    parts.push_back({"ppt/_rels/presentation.xml.rels", relationshipsOf(presentationRels)});
    parts.push_back({"ppt/slideMasters/slideMaster1.xml",
                     head + "<p:sldMaster " + ns + ">" + tree + "<p:txStyles><p:titleStyle><a:lvl1pPr><a:defRPr><a:latin "
                            "typeface=\"+mj-lt\"/></a:defRPr></a:lvl1pPr></p:titleStyle></p:txStyles></p:sldMaster>"});
    parts.push_back({"ppt/slideMasters/_rels/slideMaster1.xml.rels",
                     relationshipsOf({{"slideLayout", "../slideLayouts/slideLayout1.xml"}, {"theme", "../theme/theme1.xml"}})});
    parts.push_back({"ppt/slideLayouts/slideLayout1.xml", head + "<p:sldLayout " + ns + ">" + tree + "</p:sldLayout>"});
    parts.push_back({"ppt/slideLayouts/_rels/slideLayout1.xml.rels",
                     relationshipsOf({{"slideMaster", "../slideMasters/slideMaster1.xml"}})});
    parts.push_back({"ppt/theme/theme1.xml",
                     head + "<a:theme " + ns + " name=\"Office\"><a:themeElements><a:fontScheme name=\"Office\"><a:majorFont>"
                            "<a:latin typeface=\"Calibri Light\"/></a:majorFont><a:minorFont><a:latin typeface=\"Calibri\"/>"
                            "</a:minorFont></a:fontScheme></a:themeElements></a:theme>"});
    return parts;
}

// A workbook of `strings` shared strings, each a cell of a PANCHARI format, their text
// about `textBytes` in all.
inline PackageParts makeXlsxParts(std::size_t strings, std::size_t textBytes) {
    const std::string ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
    Random next;
    std::string sst = head + "<sst " + ns + " count=\"" + std::to_string(strings) + "\" uniqueCount=\"" +
                      std::to_string(strings) + "\">";
    std::string sheet = head + "<worksheet " + ns + "><sheetData>";
    const std::size_t each = textBytes / strings;
    for (std::size_t i = 0; i < strings; ++i) {
        sst += "<si><t>";
        panchariWords(next, sst, each);
        sst += "</t></si>";
        if (i % 4 == 0) sheet += (i ? "</row><row r=\"" : "<row r=\"") + std::to_string(i / 4 + 1) + "\">";
        const std::string ref = std::string(1, char('A' + i % 4)) + std::to_string(i / 4 + 1);
        sheet += "<c r=\"" + ref + "\" s=\"1\" t=\"s\"><v>" + std::to_string(i) + "</v></c>";
    }
    sst += "</sst>";
    sheet += "</row></sheetData></worksheet>";
    return {
        {"[Content_Types].xml",
         head + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default Extension=\"xml\" "
                "ContentType=\"application/xml\"/><Override PartName=\"/xl/workbook.xml\" ContentType=\"application/"
                "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/></Types>"},
        {"_rels/.rels", relationshipsOf({{"officeDocument", "xl/workbook.xml"}})},
        {"xl/workbook.xml", head + "<workbook " + ns + "><sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/>"
                                   "</sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels", relationshipsOf({{"worksheet", "worksheets/sheet1.xml"},
                                                        {"sharedStrings", "sharedStrings.xml"},
                                                        {"styles", "styles.xml"}})},
        {"xl/styles.xml", head + "<styleSheet " + ns + "><fonts count=\"2\"><font><sz val=\"11\"/><name val=\"Calibri\"/>"
                                 "</font><font><sz val=\"12\"/><name val=\"PANCHARI\"/></font></fonts><cellXfs count=\"2\">"
                                 "<xf numFmtId=\"0\" fontId=\"0\"/><xf numFmtId=\"0\" fontId=\"1\" applyFont=\"1\"/>"
                                 "</cellXfs></styleSheet>"},
        {"xl/sharedStrings.xml", std::move(sst)},
        {"xl/worksheets/sheet1.xml", std::move(sheet)},
    };
}

}  // namespace tolvarin::bench
