// The Open dialog for the input document.
#pragma once

#include <QString>

class QWidget;

namespace tolvarin {

inline const QString kRtfFilter = QStringLiteral("Rich Text Format (*.RTF)");
inline const QString kWordFilter = QStringLiteral("Word and OpenDocument (*.DOCX *.ODT *.DOC)");
inline const QString kAllFilesFilter = QStringLiteral("All files (*.*)");

// Shows the platform's file dialog, modal to `owner`, titled "Open File". It opens on
// the filter under which a file was last chosen (the RTF filter at first). Returns the
// chosen file's full path, or an empty string when the user cancelled.
QString ShowOpenDialog(QWidget* owner);

// The filter the next dialog opens on.
QString lastOpenFilter();

}  // namespace tolvarin
