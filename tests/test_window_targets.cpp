// The window's Convert to list and its text window, against the command line.
#include <gtest/gtest.h>

#include <string>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTest>

#include "core/conversion_options.h"
#include "frm_main.h"
#include "frm_text.h"
#include "test_support.h"
#include "text/codepage.h"
#include "window_support.h"

using namespace tolvarin;
using namespace tolvarin::window_test;

// "Unicode Malayalam" writes the letter in Unicode, says how many characters stayed
// as typed, and is remembered for the next run.
TEST_F(Window, UnicodeChoiceConvertsAndIsRemembered) {
    test::TempDir dir;
    std::filesystem::copy(test::dataDir() / ".." / ".." / "samples" / "letter.rtf", dir.path() / "letter.rtf");
    test::writeFile(dir.path() / "unknown.rtf", "{\\rtf1{\\fonttbl{\\f0 PANCHARI;}}\\f0 \\'b5\\'80\\'b5}");
    auto* list = child<QComboBox>(*w, "cboConvertTo");
    EXPECT_EQ(list->currentText(), "ML-TTRevathi") << "ML-TTRevathi at first";
    EXPECT_EQ(list->itemText(1), "Unicode Malayalam");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);  // from the keyboard
    ASSERT_EQ(list->currentText(), "Unicode Malayalam");

    ASSERT_TRUE(w->openInput(qpath(dir.path() / "letter.rtf")));
    BoxWatcher done;
    w->CmdConvert_Click();
    EXPECT_EQ(done.text, "Converted from Panchari!");
    Document out;
    ASSERT_TRUE(out.loadFile(dir.path() / "Converted_letter.rtf").ok);
    EXPECT_EQ(test::unicodeText(out), test::readFile(test::dataDir() / ".." / ".." / "samples" / "letter.unicode.txt"))
        << "the same text as the sample's Unicode reading";

    ASSERT_TRUE(w->openInput(qpath(dir.path() / "unknown.rtf")));
    BoxWatcher kept;
    w->CmdConvert_Click();
    EXPECT_EQ(kept.text, "Converted from Panchari!\n1 character had no Unicode equivalent and was kept as it was");

    w.reset();
    w = std::make_unique<frmMain>();
    EXPECT_EQ(child<QComboBox>(*w, "cboConvertTo")->currentText(), "Unicode Malayalam") << "remembered between runs";
    // An earlier version's ticked Unicode box.
    w.reset();
    QSettings().clear();
    QSettings().setValue("unicode", true);
    w = std::make_unique<frmMain>();
    EXPECT_EQ(child<QComboBox>(*w, "cboConvertTo")->currentText(), "Unicode Malayalam");
}

// A legacy font chosen in the list: the window writes what the command line's --to
// writes, and says what the font cannot draw. ML-TTRevathi, for a document without
// PANCHARI text, writes its Unicode text in ML-TTRevathi.
TEST_F(Window, LegacyFontChoiceWritesAsTheCommandLine) {
    test::TempDir dir;
    std::string unicode;
    ASSERT_TRUE(test::convert(test::readFile(test::dataDir() / ".." / ".." / "samples" / "letter.rtf"), unicode,
                              test::unicodeOptions()).ok);
    unicode.insert(unicode.rfind('}'), "\\u3340?\\par");  // a letter no legacy font draws
    test::writeFile(dir.path() / "unicode.rtf", unicode);
    auto* list = child<QComboBox>(*w, "cboConvertTo");
    for (const char* font : {"ML-TTKarthika", "Matweb", "ML-TTRevathi"}) {
        SCOPED_TRACE(font);
        const int index = list->findText(font);
        ASSERT_GE(index, 0);
        list->setCurrentIndex(index);
        ASSERT_TRUE(w->openInput(qpath(dir.path() / "unicode.rtf")));
        BoxWatcher done;
        w->CmdConvert_Click();
        EXPECT_NE(done.text.indexOf("cannot draw (\u0D0C)"), -1) << done.text.toStdString();
        std::string expected;
        ASSERT_TRUE(test::convert(unicode, expected, test::toFont(font)).ok);
        EXPECT_EQ(test::readFile(dir.path() / "Converted_unicode.rtf"), expected);
    }
    EXPECT_EQ(QSettings().value("convertTo").toString(), "ML-TTRevathi");
    // Every entry after the first two is a font the command line takes.
    for (int k = 2; k < list->count(); ++k) {
        ConversionOptions options;
        std::string error;
        EXPECT_TRUE(legacyTargetCalled(list->itemText(k).toStdString(), options, error)) << error;
    }
    EXPECT_GT(list->count(), 100);
}

// The text window against the command line: Unicode typed in is the codes --to writes of
// the same text, codes typed in read as --from reads them, a word processor's RTF pasted
// keeps its fonts, and the codes are copied as text and as RTF in their font.
TEST_F(Window, TextWindowAgreesWithTheCommandLine) {
    test::TempDir dir;
    QTest::mouseClick(child<QWidget>(*w, "cmdText"), Qt::LeftButton);
    frmText* text = w->textWindow();
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->isVisible());
    auto* unicode = child<QPlainTextEdit>(*text, "txtUnicode");
    auto* codes = child<QPlainTextEdit>(*text, "txtCodes");
    const auto commandLine = [&](const std::string& args, const std::string& input) {
        test::writeFile(dir.path() / "in.txt", input);
        const auto r = test::runCommand(std::string(TOLVARIN_CONVERT_EXE) + " -q " + args + " -o \"" +
                                        (dir.path() / "out.txt").string() + "\" \"" + (dir.path() / "in.txt").string() + "\"");
        EXPECT_EQ(r.status, 0) << r.output;
        return test::readFile(dir.path() / "out.txt");
    };
    // Typed a character at a time, as a keyboard layout or an input method gives them.
    const auto type = [](QWidget* into, const QString& text) {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(into, &press);
        }
    };
    const std::string typed = "കേരളം സ്ത്രീ ഐശ്വര്യം";
    for (const char* font : {"ML-TTKarthika", "Matweb"}) {
        SCOPED_TRACE(font);
        text->setCodesFont(font);
        unicode->clear();
        unicode->setFocus();
        type(unicode, QString::fromUtf8(typed.c_str()));
        std::string shown;
        for (QChar c : codes->toPlainText()) shown += char(encodeCp1252(c.unicode()));
        EXPECT_EQ(shown, commandLine(std::string("--to ") + font, typed));
        // And back: the codes typed in the other pane.
        const QString written = codes->toPlainText();
        codes->clear();
        codes->setFocus();
        type(codes, written);
        EXPECT_EQ(unicode->toPlainText().toStdString(), typed);
        EXPECT_EQ(typed, commandLine(std::string("--unicode --from ") + font, shown));
    }

    // A word processor's RTF: the letter's PANCHARI text comes as Unicode.
    auto* data = new QMimeData;
    data->setText("not this");
    data->setData("text/rtf", QByteArray::fromStdString(test::readFile(test::dataDir() / ".." / ".." / "samples" / "letter.rtf")));
    QApplication::clipboard()->setMimeData(data);
    unicode->clear();
    unicode->paste();
    std::string letter = test::readFile(test::dataDir() / ".." / ".." / "samples" / "letter.unicode.txt");
    letter.pop_back();
    EXPECT_EQ(unicode->toPlainText().toStdString(), letter);

    QTest::mouseClick(child<QWidget>(*text, "cmdCopyCodes"), Qt::LeftButton);
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->text(), codes->toPlainText());
    EXPECT_TRUE(copied->data("text/rtf").contains("Matweb;")) << "the codes as RTF in their font";

    QTest::keyClick(text, Qt::Key_Escape);
    EXPECT_FALSE(text->isVisible()) << "Escape closes the text window";
    EXPECT_TRUE(w->isVisible()) << "and leaves the program running";
}
