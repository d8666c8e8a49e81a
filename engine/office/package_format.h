// A word-processor package format: reads the text of a package's parts into a
// PackageText, then splices the converted text and the fonts back into the parts.
#pragma once

#include <memory>
#include <string>

#include "core/conversion_options.h"
#include "office/package_text.h"
#include "office/zip_package.h"

namespace tolvarin {

class PackageFormat {
public:
    virtual ~PackageFormat() = default;
    // Returns an empty string, or what is wrong with the package.
    virtual std::string read(const ZipPackage& zip, PackageText& text) = 0;
    // After text.convert(): the changed parts, through zip.replace().
    virtual std::string write(ZipPackage& zip, const PackageText& text, const ConversionOptions& options) = 0;
};

std::unique_ptr<PackageFormat> makeDocxFormat();
std::unique_ptr<PackageFormat> makePptxFormat();
std::unique_ptr<PackageFormat> makeXlsxFormat();
// Any OpenDocument package; `objectsStyleText` for a presentation's or spreadsheet's,
// whose shapes and cells give their text what its paragraphs leave unset.
std::unique_ptr<PackageFormat> makeOdtFormat(bool objectsStyleText);

}  // namespace tolvarin
