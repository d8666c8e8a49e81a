#include "office/package_relationships.h"

#include "office/xml_part.h"

namespace tolvarin {

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string resolveTarget(const std::string& folder, const std::string& target) {
    std::string path = !target.empty() && target[0] == '/' ? target.substr(1) : folder + target;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string piece = path.substr(start, end - start);
        if (piece == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!piece.empty() && piece != ".") {
            parts.push_back(piece);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : "/") + p;
    return out;
}

bool endsWith(std::string_view s, std::string_view end) {
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

std::string readRelationships(const ZipPackage& zip, const std::string& part, std::vector<Relationship>& out) {
    const std::string folder = folderOf(part);
    const std::string relsName = folder + "_rels/" + part.substr(folder.size()) + ".rels";
    if (!zip.has(relsName)) return {};
    std::string bytes;
    if (std::string error = zip.read(relsName, bytes); !error.empty()) return error;
    XmlPart rels;
    if (std::string error = rels.parse(std::move(bytes)); !error.empty()) return relsName + ": " + error;
    for (const XmlElement& e : rels.elements()) {
        if (!endsWith(e.name, " Relationship")) continue;
        const std::string* type = e.attribute("Type");
        const std::string* target = e.attribute("Target");
        const std::string* mode = e.attribute("TargetMode");
        if (!type || !target || (mode && *mode == "External")) continue;
        const std::string* id = e.attribute("Id");
        out.push_back({*type, resolveTarget(folder, *target), id ? *id : std::string()});
    }
    return {};
}

std::string officeDocument(const ZipPackage& zip, std::string& main) {
    std::vector<Relationship> top;
    if (std::string error = readRelationships(zip, "", top); !error.empty()) return error;
    main.clear();
    for (const Relationship& r : top)
        if (endsWith(r.type, "/officeDocument")) main = r.target;
    return {};
}

const std::string* relationshipId(const XmlElement& e) {
    const std::string* id = e.attribute("http://schemas.openxmlformats.org/officeDocument/2006/relationships id");
    return id ? id : e.attribute("http://purl.oclc.org/ooxml/officeDocument/relationships id");
}

}  // namespace tolvarin
