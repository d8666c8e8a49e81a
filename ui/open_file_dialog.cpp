#include "open_file_dialog.h"

#include <QComboBox>
#include <QFileDialog>

namespace tolvarin {
namespace {

// Lives for the whole run, like the dialog's own memory of the last file type.
QString g_lastFilter = kRtfFilter;

}  // namespace

QString lastOpenFilter() { return g_lastFilter; }

QString ShowOpenDialog(QWidget* owner) {
    QFileDialog dialog(owner, QString::fromUtf8(window_text::kOpenTitle.data(), qsizetype(window_text::kOpenTitle.size())));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
#ifdef Q_OS_WIN
    dialog.setNameFilters({kRtfFilter, kWordFilter, kPdfFilter, kAllFilesFilter});
#else
    // Elsewhere *.* is taken literally and hides files without a dot. The filter
    // matches every file; its entry keeps the caption users know.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters({kRtfFilter, kWordFilter, kPdfFilter, QStringLiteral("All files (*)")});
    if (auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
        types->setItemText(3, kAllFilesFilter);
#endif
    dialog.selectNameFilter(g_lastFilter);
    // The dialog's filter leaves out QDir::CaseSensitive, so x.rtf and X.RTF both show
    // under the RTF filter on every platform, and x.docx under the Word one.
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    g_lastFilter = dialog.selectedNameFilter();
    return QDir::toNativeSeparators(dialog.selectedFiles().first());
}

}  // namespace tolvarin
