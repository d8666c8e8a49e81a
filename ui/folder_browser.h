// The folder browser for the output folder.
#pragma once

#include <QString>

#include "window_rules.h"

class QWidget;

namespace tolvarin {

inline const QString kBrowseTitle = QString::fromUtf8(window_text::kBrowseTitle.data(), qsizetype(window_text::kBrowseTitle.size()));

// Shows the platform's folder dialog, modal to `owner`, with `title`, opening on
// `initialFolder` (a final separator is fine). Only folders can be chosen. Returns the
// folder's path without a final separator (except at a root), or an empty string.
QString BrowseForFolder(QWidget* owner, const QString& initialFolder, const QString& title);

// The form in which a chosen folder is returned: native separators, none at the end
// except for a root.
QString normalizeFolder(const QString& folder);

}  // namespace tolvarin
