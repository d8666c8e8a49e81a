#include "folder_browser.h"

#include <QDir>
#include <QFileDialog>

namespace tolvarin {

QString normalizeFolder(const QString& folder) {
    if (folder.isEmpty()) return {};
    QString clean = QDir::cleanPath(QDir::fromNativeSeparators(folder));
    return QDir::toNativeSeparators(clean);
}

QString BrowseForFolder(QWidget* owner, const QString& initialFolder, const QString& title) {
    QFileDialog dialog(owner, title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (!initialFolder.isEmpty()) dialog.setDirectory(QDir::fromNativeSeparators(initialFolder));
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    QString chosen = dialog.selectedFiles().first();
    if (!QFileInfo(chosen).isDir()) return {};  // an item that is no folder on disk
    return normalizeFolder(chosen);
}

}  // namespace tolvarin
