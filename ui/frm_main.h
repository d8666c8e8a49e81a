// The program's one window.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <functional>

#include "conversion_pass.h"
#include "model/document.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace tolvarin {

// Twips, the unit of the window's layout, at 96 dots per inch.
constexpr int twips(int t) { return (t + 7) / 15; }

class frmMain : public QWidget, public PassHost {
    Q_OBJECT

public:
    // The dialogs, replaceable so that tests can script them. Each returns the
    // chosen path, or an empty string when nothing was chosen.
    using OpenDialog = std::function<QString(QWidget* owner)>;
    using FolderDialog = std::function<QString(QWidget* owner, const QString& initialFolder, const QString& title)>;
    // A yes-or-no question; true for yes.
    using QuestionDialog = std::function<bool(QWidget* owner, const QString& question)>;

    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    void setOpenDialog(OpenDialog dialog) { openDialog_ = std::move(dialog); }
    void setFolderDialog(FolderDialog dialog) { folderDialog_ = std::move(dialog); }
    void setQuestionDialog(QuestionDialog dialog) { questionDialog_ = std::move(dialog); }

    // The click handlers.
    void cmdOpen_Click();
    void cmdBrowse_Click();
    void CmdConvert_Click();
    // Shows the text window, made at the first click.
    void cmdText_Click();
    class frmText* textWindow() const { return frmText_; }

    // Loads a file as if it had been chosen in the Open dialog.
    bool openInput(const QString& path);
    // Shows the window above the others, as a later start of the program asks.
    void bringForward();
    bool busy() const { return busy_; }

    // The enabling rule, applied to the current path texts.
    void applyEnablingRule();
    bool quitRequested() const { return quitting_; }

    // The work documents and the output path, which the user never sees.
    const Document& rtbSource() const { return rtbSource_; }
    const Document& rtbDestination() const { return rtbDestination_; }
    const Document& HideRTB() const { return HideRTB_; }
    QString txtFilename() const { return txtFilename_; }

    // PassHost
    void setControlEnabled(LockedControl control, bool enabled) override;
    void setBusyCursor(bool busy) override;
    void setStatus(std::string_view text) override;
    bool processEvents() override;
    std::filesystem::path outputPath() override;
    void showMessage(std::string_view text) override;
    void showError(std::string_view text) override;
    bool askYesNo(std::string_view question) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Converted_<name> in the output folder: the path the next conversion saves to.
    void deriveOutputName();
    void requestQuit();
    QWidget* lockedWidget(LockedControl control) const;

    QGroupBox* Frame1_;
    QLineEdit* txtInput_;
    QPushButton* cmdOpen_;
    QGroupBox* Frame2_;
    QLineEdit* txtOutput_;
    QPushButton* cmdBrowse_;
    QLabel* lblConvertTo_;
    QComboBox* cboConvertTo_;
    QPushButton* CmdConvert_;
    QPushButton* cmdQuit_;
    QPushButton* cmdText_;
    class frmText* frmText_ = nullptr;  // made when first asked for
    QLabel* lblStatus_;
    QLabel* Label2_;
    QTimer* Timer1_;
    bool timerOn_ = true;  // false while a pass has the timer switched off

    Document rtbSource_;
    Document HideRTB_;
    Document rtbDestination_;
    QString txtFilename_;

    OpenDialog openDialog_;
    FolderDialog folderDialog_;
    QuestionDialog questionDialog_;

    bool quitting_ = false;
    bool busy_ = false;
    QElapsedTimer sinceEvents_;
    unsigned eventRequests_ = 0;
};

}  // namespace tolvarin
