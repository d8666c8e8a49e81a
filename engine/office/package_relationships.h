// A package's relationships (OOXML): which parts a part refers to, and how.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "office/xml_part.h"
#include "office/zip_package.h"

namespace tolvarin {

// The folder of a member's name, with its slash ("ppt/slides/"), or empty.
std::string folderOf(const std::string& path);
// A relationship's target as a member name: relative to the source's folder, or from
// the root when it begins with a slash.
std::string resolveTarget(const std::string& folder, const std::string& target);
bool endsWith(std::string_view s, std::string_view end);

struct Relationship {
    std::string type, target, id;
};
// The relationships of the package's part `part` (its _rels/<name>.rels), or of the
// package itself for an empty `part`, each target resolved; external ones left out.
// Returns an empty string, or what is wrong with them.
std::string readRelationships(const ZipPackage& zip, const std::string& part, std::vector<Relationship>& out);

// The target of the package's officeDocument relationship (its main part), into `main`;
// empty where it has none. Returns an empty string, or what is wrong with the relationships.
std::string officeDocument(const ZipPackage& zip, std::string& main);

// The relationship an element names by its r:id, in either namespace; null for none.
const std::string* relationshipId(const XmlElement& e);

}  // namespace tolvarin
