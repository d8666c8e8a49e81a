// The Open dialog for the input document.
#pragma once

#include <QString>

#include "window_rules.h"

class QWidget;

namespace tolvarin {

inline QString filterCaption(std::size_t index) {
    const std::string_view caption = window_text::kOpenFilters[index].caption;
    return QString::fromUtf8(caption.data(), qsizetype(caption.size()));
}
inline const QString kRtfFilter = filterCaption(0);
inline const QString kWordFilter = filterCaption(1);
inline const QString kPdfFilter = filterCaption(2);
inline const QString kAllFilesFilter = filterCaption(3);

// Shows the platform's file dialog, modal to `owner`, titled "Open File". It opens on
// the filter under which a file was last chosen (the RTF filter at first). Returns the
// chosen file's full path, or an empty string when the user cancelled.
QString ShowOpenDialog(QWidget* owner);

// The filter the next dialog opens on.
QString lastOpenFilter();

}  // namespace tolvarin
