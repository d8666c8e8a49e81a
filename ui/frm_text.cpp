#include "frm_text.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>

#include "api/text_pane.h"
#include "core/conversion_options.h"
#include "window_rules.h"

namespace tolvarin {
namespace {

QString fromUtf8(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
std::string toUtf8(const QString& s) { return s.toUtf8().toStdString(); }
const QString kFontSetting = QStringLiteral("textFont");

// The RTF a word processor put among the data, or empty.
QByteArray rtfOf(const QMimeData* data) {
    for (const QString& format : data->formats())
        if (format == QLatin1String("text/rtf") || format == QLatin1String("application/rtf") ||
            format == QLatin1String("text/richtext") || format.contains(QLatin1String("Rich Text Format")))
            if (QByteArray rtf = data->data(format); rtf.startsWith("{\\rtf")) return rtf;
    return {};
}

}  // namespace

bool TextPane::canInsertFromMimeData(const QMimeData* source) const {
    return !rtfOf(source).isEmpty() || QPlainTextEdit::canInsertFromMimeData(source);
}

void TextPane::insertFromMimeData(const QMimeData* source) {
    const QByteArray rtf = rtfOf(source);
    if (!rtf.isEmpty()) {
        const PaneText read = clipboardRtfToUnicode(std::string_view(rtf.constData(), std::size_t(rtf.size())));
        if (read.ok) {
            QString text = fromUtf8(read.text);
            if (text.endsWith(QLatin1Char('\n'))) text.chop(1);  // the last paragraph's mark
            insertPlainText(fromUnicode ? fromUnicode(text) : text);
            return;
        }
    }
    QPlainTextEdit::insertFromMimeData(source);
}

frmText::frmText(QWidget* parent) : QDialog(parent) {
    namespace text = window_text;
    setObjectName(QStringLiteral("frmText"));
    setWindowTitle(fromUtf8(text::kTextTitle));
    setModal(false);
    resize(560, 420);

    auto* unicodeLabel = new QLabel(fromUtf8(text::kTextUnicodeLabel), this);
    txtUnicode_ = new TextPane(this);
    txtUnicode_->setObjectName(QStringLiteral("txtUnicode"));
    txtUnicode_->setTabChangesFocus(true);
    unicodeLabel->setBuddy(txtUnicode_);
    QFont malayalam(QStringLiteral("Noto Sans Malayalam"));
    malayalam.setPointSize(13);
    txtUnicode_->setFont(malayalam);

    auto* fontLabel = new QLabel(fromUtf8(text::kTextFontLabel), this);
    cboFont_ = new QComboBox(this);
    cboFont_->setObjectName(QStringLiteral("cboFont"));
    cboFont_->setMaxVisibleItems(16);
    fontLabel->setBuddy(cboFont_);
    // ML-TTRevathi, then the legacy fonts as the main window lists them.
    const std::vector<ConversionTarget>& targets = conversionTargets();
    for (std::size_t k = 0; k < targets.size(); ++k)
        if (k != conversionTargetIndex(kUnicodeTarget)) cboFont_->addItem(fromUtf8(targets[k].caption), fromUtf8(targets[k].name));

    auto* codesLabel = new QLabel(fromUtf8(text::kTextCodesLabel), this);
    txtCodes_ = new TextPane(this);
    txtCodes_->setObjectName(QStringLiteral("txtCodes"));
    txtCodes_->setTabChangesFocus(true);
    codesLabel->setBuddy(txtCodes_);
    // A pasted RTF's text, in the codes of the font chosen.
    txtCodes_->fromUnicode = [this](const QString& unicode) {
        const PaneText codes = unicodeToFont(toUtf8(unicode), toUtf8(codesFontName()));
        return codes.ok ? fromUtf8(codes.text) : unicode;
    };

    lblSaid_ = new QLabel(fromUtf8(text::kTextHint), this);
    lblSaid_->setObjectName(QStringLiteral("lblSaid"));
    lblSaid_->setWordWrap(true);

    cmdCopyUnicode_ = new QPushButton(fromUtf8(text::kCopyUnicode), this);
    cmdCopyUnicode_->setObjectName(QStringLiteral("cmdCopyUnicode"));
    cmdCopyCodes_ = new QPushButton(fromUtf8(text::kCopyCodes), this);
    cmdCopyCodes_->setObjectName(QStringLiteral("cmdCopyCodes"));
    auto* close = new QPushButton(fromUtf8(text::kCloseText), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    for (QPushButton* b : {cmdCopyUnicode_, cmdCopyCodes_, close}) b->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(unicodeLabel, 0, 0, 1, 2);
    grid->addWidget(txtUnicode_, 1, 0, 1, 2);
    grid->addWidget(fontLabel, 2, 0);
    grid->addWidget(cboFont_, 2, 1);
    grid->addWidget(codesLabel, 3, 0, 1, 2);
    grid->addWidget(txtCodes_, 4, 0, 1, 2);
    grid->addWidget(lblSaid_, 5, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdCopyUnicode_);
    buttons->addWidget(cmdCopyCodes_);
    buttons->addStretch();
    buttons->addWidget(close);
    grid->addLayout(buttons, 6, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    connect(txtUnicode_, &QPlainTextEdit::textChanged, this, &frmText::unicodeChanged);
    connect(txtCodes_, &QPlainTextEdit::textChanged, this, &frmText::codesChanged);
    connect(cboFont_, &QComboBox::currentIndexChanged, this, &frmText::fontChanged);
    connect(cmdCopyUnicode_, &QPushButton::clicked, this, [this] {
        QApplication::clipboard()->setText(txtUnicode_->toPlainText());
    });
    connect(cmdCopyCodes_, &QPushButton::clicked, this, [this] {
        // Plain codes for a desktop-publishing program; RTF in the font for a word processor.
        const QString codes = txtCodes_->toPlainText();
        auto* data = new QMimeData;
        data->setText(codes);
        const std::string rtf = codesAsRtf(toUtf8(codes), toUtf8(codesFontName()));
        data->setData(QStringLiteral("text/rtf"), QByteArray(rtf.data(), qsizetype(rtf.size())));
        QApplication::clipboard()->setMimeData(data);
    });
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    setCodesFont(QSettings().value(kFontSetting, QStringLiteral("ML-TTKarthika")).toString());
    setTabOrder(txtUnicode_, cboFont_);
    setTabOrder(cboFont_, txtCodes_);
    setTabOrder(txtCodes_, cmdCopyUnicode_);
    setTabOrder(cmdCopyUnicode_, cmdCopyCodes_);
    setTabOrder(cmdCopyCodes_, close);
}

QString frmText::codesFontName() const { return cboFont_->currentData().toString(); }

void frmText::setCodesFont(const QString& name) {
    const int index = cboFont_->findData(fromUtf8(conversionTargets()[conversionTargetIndex(toUtf8(name))].name));
    cboFont_->setCurrentIndex(index >= 0 ? index : 0);
    fontChanged();
}

void frmText::say(const QString& text) { lblSaid_->setText(text.isEmpty() ? fromUtf8(window_text::kTextHint) : text); }

void frmText::unicodeChanged() {
    if (writing_) return;
    fromCodes_ = false;
    const PaneText codes = unicodeToFont(toUtf8(txtUnicode_->toPlainText()), toUtf8(codesFontName()));
    writing_ = true;
    txtCodes_->setPlainText(codes.ok ? fromUtf8(codes.text) : QString());
    writing_ = false;
    ConversionReport report = codes.report;
    report.toFont = toUtf8(codesFontName());
    say(codes.ok ? fromUtf8(notDrawnNote(report)) : fromUtf8(codes.error));
}

void frmText::codesChanged() {
    if (writing_) return;
    fromCodes_ = true;
    const PaneText unicode = fontToUnicode(toUtf8(txtCodes_->toPlainText()), toUtf8(codesFontName()));
    writing_ = true;
    txtUnicode_->setPlainText(unicode.ok ? fromUtf8(unicode.text) : QString());
    writing_ = false;
    say(unicode.ok ? (unicode.report.kept() ? fromUtf8(keptCharactersNote(unicode.report.kept())) : QString())
                   : fromUtf8(unicode.error));
}

void frmText::fontChanged() {
    // The codes are shown in their font where it is installed.
    QFont codesFont(codesFontName());
    codesFont.setPointSize(13);
    txtCodes_->setFont(codesFont);
    QSettings().setValue(kFontSetting, codesFontName());
    // The text the user typed stays; the other pane follows it.
    if (fromCodes_) codesChanged();
    else unicodeChanged();
}

}  // namespace tolvarin
