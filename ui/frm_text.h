// The text window: text typed or pasted in Unicode Malayalam or in a legacy font's codes,
// converted into the other as it is typed, to copy either.
#pragma once

#include <functional>

#include <QDialog>
#include <QPlainTextEdit>

class QComboBox;
class QLabel;
class QPushButton;

namespace tolvarin {

// A pane that takes a word processor's RTF from the clipboard as the text it shows (its
// legacy fonts' text read as theirs), and anything else as plain text.
class TextPane : public QPlainTextEdit {
    Q_OBJECT

public:
    using QPlainTextEdit::QPlainTextEdit;
    // How a pasted RTF's Unicode Malayalam is shown in this pane: as it is, or in the
    // codes of the font chosen.
    std::function<QString(const QString& unicode)> fromUnicode;

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
};

class frmText : public QDialog {
    Q_OBJECT

public:
    explicit frmText(QWidget* parent = nullptr);

    // The legacy font the codes are in, by its name.
    QString codesFontName() const;
    void setCodesFont(const QString& name);

private:
    // The pane the user changed last is the one converted from.
    void unicodeChanged();
    void codesChanged();
    void fontChanged();
    void say(const QString& text);

    TextPane* txtUnicode_;
    QComboBox* cboFont_;
    TextPane* txtCodes_;
    QLabel* lblSaid_;
    QPushButton* cmdCopyUnicode_;
    QPushButton* cmdCopyCodes_;
    bool writing_ = false;     // a pane is being filled from the other
    bool fromCodes_ = false;   // the codes pane was typed in last
};

}  // namespace tolvarin
