#include "frm_main.h"

#include <QApplication>
#include <QComboBox>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTimer>

#include "api/convert_document.h"
#include "folder_browser.h"
#include "frm_text.h"
#include "open_file_dialog.h"
#include "output_path.h"
#include "window_rules.h"

namespace tolvarin {
namespace {

constexpr int kEventIntervalMs = 5;  // how often a pass lets window events through

QFont arial(bool bold = false) {
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(8.25);
    f.setBold(bold);
    return f;
}

std::u16string toU16(const QString& s) { return s.toStdU16String(); }
QString fromU16(const std::u16string& s) { return QString::fromStdU16String(s); }
QString fromUtf8(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
const QString kConvertToSetting = fromUtf8(window_text::kConvertToSetting);
const QString kUnicodeSetting = fromUtf8(window_text::kUnicodeSetting);

// The choice of what to convert to kept from the last run; an earlier version's Unicode
// box, ticked, means Unicode Malayalam.
std::size_t rememberedTarget() {
    QSettings settings;
    if (settings.contains(kConvertToSetting))
        return conversionTargetIndex(settings.value(kConvertToSetting).toString().toStdString());
    return settings.value(kUnicodeSetting, false).toBool() ? conversionTargetIndex(kUnicodeTarget) : 0;
}

void place(QWidget* w, Control control) {
    const Placement& p = placementOf(control);
    w->setGeometry(twips(p.left), twips(p.top), twips(p.width), twips(p.height));
}

}  // namespace

frmMain::frmMain(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(fromUtf8(window_text::kTitle));
    setWindowIcon(QIcon(QStringLiteral(":/tolvarin.png")));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(twips(kClientWidth), twips(kClientHeight));
    setAcceptDrops(true);

    namespace text = window_text;
    // The input row and the output row: a frame holding a read-only box with a
    // "..." button drawn over its right end.
    auto pathRow = [this](std::string_view title, Control frame, Control box, Control button, std::string_view tip,
                          QGroupBox*& frameOut, QLineEdit*& boxOut, QPushButton*& buttonOut) {
        frameOut = new QGroupBox(fromUtf8(title), this);
        frameOut->setObjectName(frame == Control::Frame1 ? QStringLiteral("Frame1") : QStringLiteral("Frame2"));
        frameOut->setFont(arial());
        place(frameOut, frame);
        boxOut = new QLineEdit(frameOut);
        boxOut->setObjectName(box == Control::txtInput ? QStringLiteral("txtInput") : QStringLiteral("txtOutput"));
        boxOut->setFont(arial());
        boxOut->setReadOnly(true);
        place(boxOut, box);
        buttonOut = new QPushButton(fromUtf8(text::kChooseButton), frameOut);
        buttonOut->setObjectName(button == Control::cmdOpen ? QStringLiteral("cmdOpen") : QStringLiteral("cmdBrowse"));
        buttonOut->setFont(QApplication::font());
        buttonOut->setToolTip(fromUtf8(tip));
        place(buttonOut, button);
    };
    pathRow(text::kInputFrame, Control::Frame1, Control::txtInput, Control::cmdOpen, text::kOpenTip, Frame1_,
            txtInput_, cmdOpen_);
    pathRow(text::kOutputFrame, Control::Frame2, Control::txtOutput, Control::cmdBrowse, text::kBrowseTip, Frame2_,
            txtOutput_, cmdBrowse_);

    // What to convert to, in the left part of the Convert row; remembered between runs.
    lblConvertTo_ = new QLabel(fromUtf8(text::kConvertToLabel), this);
    lblConvertTo_->setObjectName(QStringLiteral("lblConvertTo"));
    lblConvertTo_->setFont(arial());
    place(lblConvertTo_, Control::lblConvertTo);
    cboConvertTo_ = new QComboBox(this);
    cboConvertTo_->setObjectName(QStringLiteral("cboConvertTo"));
    cboConvertTo_->setFont(arial());
    cboConvertTo_->setToolTip(fromUtf8(text::kConvertToTip));
    for (const ConversionTarget& t : conversionTargets()) cboConvertTo_->addItem(fromUtf8(t.caption));
    cboConvertTo_->setMaxVisibleItems(16);
    place(cboConvertTo_, Control::cboConvertTo);
    lblConvertTo_->setBuddy(cboConvertTo_);  // Alt+T
    cboConvertTo_->setCurrentIndex(int(rememberedTarget()));
    connect(cboConvertTo_, &QComboBox::currentIndexChanged, this, [](int index) {
        if (index >= 0) QSettings().setValue(kConvertToSetting, fromUtf8(conversionTargets()[std::size_t(index)].name));
    });

    CmdConvert_ = new QPushButton(fromUtf8(text::kConvert), this);
    CmdConvert_->setObjectName(QStringLiteral("CmdConvert"));
    CmdConvert_->setFont(arial());
    CmdConvert_->setToolTip(fromUtf8(text::kConvertTip));
    place(CmdConvert_, Control::CmdConvert);
    cmdQuit_ = new QPushButton(fromUtf8(text::kQuit), this);
    cmdQuit_->setObjectName(QStringLiteral("cmdQuit"));
    cmdQuit_->setFont(arial());
    cmdQuit_->setToolTip(fromUtf8(text::kQuitTip));
    place(cmdQuit_, Control::cmdQuit);
    cmdText_ = new QPushButton(fromUtf8(text::kTextButton), this);
    cmdText_->setObjectName(QStringLiteral("cmdText"));
    cmdText_->setFont(arial());
    cmdText_->setToolTip(fromUtf8(text::kTextTip));
    place(cmdText_, Control::cmdText);
    for (QPushButton* b : {cmdOpen_, cmdBrowse_, CmdConvert_, cmdQuit_, cmdText_}) {
        b->setAutoDefault(false);  // Enter presses none of them
        b->setDefault(false);
        b->setFocusPolicy(Qt::StrongFocus);
    }
    // The "..." buttons overlap the ends of their boxes and are drawn on top.
    cmdOpen_->raise();
    cmdBrowse_->raise();

    lblStatus_ = new QLabel(fromUtf8(text::kStartStatus), this);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    lblStatus_->setFont(arial());
    lblStatus_->setStyleSheet(QStringLiteral("color: rgb(0, 0, 255);"));
    lblStatus_->move(twips(placementOf(Control::lblStatus).left), twips(placementOf(Control::lblStatus).top));
    lblStatus_->adjustSize();

    Label2_ = new QLabel(fromUtf8(text::kNotice), this);
    Label2_->setObjectName(QStringLiteral("Label2"));
    Label2_->setFont(arial(true));
    Label2_->setToolTip(fromUtf8(text::noticeTip()));
    Label2_->setAlignment(Qt::AlignCenter);
    Label2_->setStyleSheet(QStringLiteral("color: rgb(255, 255, 255); background-color: rgb(255, 0, 0);"));
    place(Label2_, Control::Label2);

    setTabOrder(txtInput_, cmdOpen_);
    setTabOrder(cmdOpen_, txtOutput_);
    setTabOrder(txtOutput_, cmdBrowse_);
    setTabOrder(cmdBrowse_, cboConvertTo_);
    setTabOrder(cboConvertTo_, CmdConvert_);
    setTabOrder(CmdConvert_, cmdQuit_);
    setTabOrder(cmdQuit_, cmdText_);

    // The enabling rule runs on a 1 ms timer. A tick with no change in the path texts
    // changes nothing, so it is started by each change rather than left ticking.
    Timer1_ = new QTimer(this);
    Timer1_->setObjectName(QStringLiteral("Timer1"));
    Timer1_->setInterval(1);
    Timer1_->setSingleShot(true);
    connect(Timer1_, &QTimer::timeout, this, &frmMain::applyEnablingRule);
    auto changed = [this] {
        if (timerOn_) Timer1_->start();
    };
    connect(txtInput_, &QLineEdit::textChanged, this, changed);
    connect(txtOutput_, &QLineEdit::textChanged, this, changed);

    connect(cmdOpen_, &QPushButton::clicked, this, &frmMain::cmdOpen_Click);
    connect(cmdBrowse_, &QPushButton::clicked, this, &frmMain::cmdBrowse_Click);
    connect(CmdConvert_, &QPushButton::clicked, this, &frmMain::CmdConvert_Click);
    connect(cmdText_, &QPushButton::clicked, this, &frmMain::cmdText_Click);
    connect(cmdQuit_, &QPushButton::clicked, this, &frmMain::requestQuit);

    openDialog_ = ShowOpenDialog;
    folderDialog_ = BrowseForFolder;
    questionDialog_ = [](QWidget* owner, const QString& question) {
        QMessageBox box(QMessageBox::Question, fromUtf8(window_text::kTitle), question,
                        QMessageBox::Yes | QMessageBox::No, owner);
        box.setObjectName(QStringLiteral("questionBox"));
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes;
    };

    // Key preview: Escape ends the program whichever control has the focus.
    qApp->installEventFilter(this);

    applyEnablingRule();
    txtInput_->setFocus();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

frmMain::~frmMain() {
    if (qApp) qApp->removeEventFilter(this);
}

void frmMain::applyEnablingRule() {
    const EnabledStates states = enablingRule(toU16(txtInput_->text()), toU16(txtOutput_->text()));
    CmdConvert_->setEnabled(states.convert);
    txtOutput_->setEnabled(states.outputRow);
    Frame2_->setEnabled(states.outputRow);
    cmdBrowse_->setEnabled(states.outputRow);
}

bool frmMain::openInput(const QString& path) {
    // Load into a fresh document first: a file that fails to load leaves the
    // document and the three paths as they were.
    Document loaded;
    LoadResult result = loadDocumentFile(std::filesystem::path(toU16(path)), loaded);
    if (!result) {
        showError(QStringLiteral("Cannot open %1:\n%2").arg(path, fromUtf8(result.description)).toStdString());
        return false;
    }
    rtbSource_ = std::move(loaded);
    txtInput_->setText(path);
    const QString input = txtInput_->text();
    txtOutput_->setText(fromU16(FolderOf(toU16(input))));
    deriveOutputName();
    return true;
}

void frmMain::bringForward() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void frmMain::cmdOpen_Click() {
    const QString path = openDialog_ ? openDialog_(this) : QString();
    if (path.isEmpty()) return;
    openInput(path);
}

void frmMain::cmdBrowse_Click() {
    const QString folder = txtOutput_->text();
    const QString chosen = folderDialog_ ? folderDialog_(this, folder, kBrowseTitle) : QString();
    if (chosen.isEmpty()) return;
    txtOutput_->setText(chosen);
    deriveOutputName();
}

void frmMain::deriveOutputName() {
    txtFilename_ = fromU16(outputFileFor(toU16(txtInput_->text()), toU16(txtOutput_->text()), rtbSource_.source()));
}

void frmMain::CmdConvert_Click() {
    if (busy_) return;
    busy_ = true;
    sinceEvents_.start();
    PassOutcome outcome;
    try {
        PassOptions options;
        const std::size_t target = std::size_t(std::max(0, cboConvertTo_->currentIndex()));
        const ConversionOptions chosen = conversionTargetOptions(target);
        options.unicode = chosen.unicode;
        options.toFont = chosen.toFont;
        options.revathiForAnyText = target == 0;
        outcome = runConversionPass(rtbSource_, HideRTB_, rtbDestination_, *this, options);
    } catch (const std::exception& e) {
        // Out of memory or a position overflow: report it, keep the window usable.
        for (LockedControl c : kLockOrder) setControlEnabled(c, true);
        setBusyCursor(false);
        const std::string reason = std::string("The conversion failed: ") + e.what();
        setStatus(std::string(kStatusNotSaved) + e.what());
        showError(reason);
    }
    busy_ = false;
    if (outcome.status == PassOutcome::Status::Abandoned || quitting_) {
        if (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        qApp->quit();
    }
}

void frmMain::cmdText_Click() {
    if (!frmText_) frmText_ = new frmText(this);
    frmText_->show();
    frmText_->raise();
    frmText_->activateWindow();
}

QWidget* frmMain::lockedWidget(LockedControl control) const {
    switch (control) {
    case LockedControl::Timer1: return nullptr;
    case LockedControl::CmdConvert: return CmdConvert_;
    case LockedControl::cmdQuit: return cmdQuit_;
    case LockedControl::Frame2: return Frame2_;
    case LockedControl::Frame1: return Frame1_;
    case LockedControl::txtInput: return txtInput_;
    case LockedControl::txtOutput: return txtOutput_;
    case LockedControl::cmdOpen: return cmdOpen_;
    case LockedControl::cmdBrowse: return cmdBrowse_;
    case LockedControl::cboConvertTo: return cboConvertTo_;
    }
    return nullptr;
}

void frmMain::setControlEnabled(LockedControl control, bool enabled) {
    if (control == LockedControl::Timer1) {
        timerOn_ = enabled;
        if (enabled) Timer1_->start();  // the first tick after a pass applies the rule again
        else Timer1_->stop();
        return;
    }
    lockedWidget(control)->setEnabled(enabled);
}

void frmMain::setBusyCursor(bool busy) {
    if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
    else if (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

void frmMain::setStatus(std::string_view text) {
    lblStatus_->setText(fromUtf8(text));
    lblStatus_->adjustSize();  // grows or shrinks to the right; the left edge stays
}

bool frmMain::processEvents() {
    // Asked once per character; letting events through every few milliseconds keeps
    // the window live without slowing the walk. Reading the clock costs more than a
    // character does, so it is read every thousand or so.
    if ((++eventRequests_ & 1023) != 0) return !quitting_;
    if (sinceEvents_.elapsed() >= kEventIntervalMs) {
        QCoreApplication::processEvents();
        sinceEvents_.restart();
    }
    return !quitting_;
}

std::filesystem::path frmMain::outputPath() { return std::filesystem::path(toU16(txtFilename_)); }

void frmMain::showMessage(std::string_view text) {
    QMessageBox box(QMessageBox::Information, fromUtf8(window_text::kTitle), fromUtf8(text), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("messageBox"));
    box.exec();
}

void frmMain::showError(std::string_view text) {
    QMessageBox box(QMessageBox::Warning, fromUtf8(window_text::kTitle), fromUtf8(text), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("errorBox"));
    box.exec();
}

bool frmMain::askYesNo(std::string_view question) {
    return questionDialog_ && questionDialog_(this, fromUtf8(question));
}

void frmMain::requestQuit() {
    quitting_ = true;
    // During a pass the walk sees quitRequested() at its next event round and stops
    // without saving; the handler then ends the program.
    if (!busy_) qApp->quit();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        QWidget* w = qobject_cast<QWidget*>(watched);
        if (w && (w == this || isAncestorOf(w))) {
            requestQuit();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::closeEvent(QCloseEvent* event) {
    event->accept();
    requestQuit();
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!busy_ && event->mimeData()->hasUrls() && event->mimeData()->urls().size() == 1 &&
        event->mimeData()->urls().first().isLocalFile())
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event) {
    const QString path = QDir::toNativeSeparators(event->mimeData()->urls().first().toLocalFile());
    event->acceptProposedAction();
    openInput(path);
}

}  // namespace tolvarin
