// The window on the offscreen platform: found by object name, driven as a user would.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include "frm_main.h"
#include "fonts/glyph_map.h"
#include "open_file_dialog.h"
#include "output_path.h"
#include "single_instance.h"
#include "window_support.h"
#include "office/package_conversion.h"
#include "test_support.h"
#include "window_cases.h"
#include "fonts/unicode_malayalam.h"

using namespace tolvarin;
using tolvarin::test::codes;
using namespace tolvarin::window_test;


TEST_F(Window, GeometryAndCaptionsFollowTheLayout) {
    // Twips of the layout table, 15 to a pixel.
    EXPECT_EQ(w->windowTitle(), "Tolvarin");
    EXPECT_EQ(w->size(), QSize(345, 177));
    EXPECT_EQ(w->minimumSize(), w->maximumSize()) << "not resizable";
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(w->windowIcon().isNull());
    const std::vector<test::LayoutRow> layout = test::windowLayout();
    ASSERT_EQ(layout.size(), 12u);
    for (const test::LayoutRow& e : layout) {
        QWidget* c = child<QWidget>(*w, e.control.c_str());
        ASSERT_NE(c, nullptr) << e.control;
        EXPECT_EQ(QRect(c->mapTo(w.get(), QPoint(0, 0)), c->size()), QRect(e.x, e.y, e.width, e.height)) << e.control;
        QString caption;
        if (auto* b = qobject_cast<QAbstractButton*>(c)) caption = b->text();
        if (auto* g = qobject_cast<QGroupBox*>(c)) caption = g->title();
        if (auto* l = qobject_cast<QLabel*>(c)) caption = l->text();
        if (auto* list = qobject_cast<QComboBox*>(c)) caption = list->currentText();
        if (auto* t = qobject_cast<QLineEdit*>(c)) {
            caption = t->text();
            EXPECT_TRUE(t->isReadOnly()) << e.control;
        }
        EXPECT_EQ(caption, QString::fromStdString(e.caption)) << e.control;
    }
    // The "..." buttons sit over the ends of their boxes, 255 twips (17 px) in.
    EXPECT_EQ(child<QWidget>(*w, "txtInput")->geometry().right() + 1 - child<QWidget>(*w, "cmdOpen")->x(), 17);
    auto* status = child<QLabel>(*w, "lblStatus");
    EXPECT_EQ(status->text(), "Converts Panchari RTF files to ISM font.");
    EXPECT_EQ(status->pos(), QPoint(8, 144));
    EXPECT_GE(status->width(), status->fontMetrics().horizontalAdvance(status->text())) << "caption fully visible";
    auto* convertTo = child<QLabel>(*w, "lblConvertTo");
    EXPECT_GE(convertTo->width(), convertTo->fontMetrics().horizontalAdvance("Convert to:")) << "caption fully visible";
    // Tool tips say what a control does; none shows an address nobody reads.
    for (const char* name : {"CmdConvert", "cmdQuit"})
        EXPECT_FALSE(child<QWidget>(*w, name)->toolTip().isEmpty()) << name;
    for (QWidget* c : w->findChildren<QWidget*>()) EXPECT_FALSE(c->toolTip().contains('@')) << c->objectName().toStdString();
    EXPECT_TRUE(child<QWidget>(*w, "Label2")->toolTip().contains("GNU General Public License, version 3 or later"));
    EXPECT_NE(child<QObject>(*w, "Timer1"), nullptr);
}

TEST_F(Window, EnablingRule) {
    for (const test::EnablingCase& c : test::kEnablingCases) {
        setPaths(c.input, c.output);
        EXPECT_EQ(child<QWidget>(*w, "CmdConvert")->isEnabled(), c.convert) << c.input << "|" << c.output;
        for (const char* row : {"Frame2", "txtOutput", "cmdBrowse"})
            EXPECT_EQ(child<QWidget>(*w, row)->isEnabled(), c.outputRow) << row << " " << c.input << "|" << c.output;
        for (const char* always : {"Frame1", "txtInput", "cmdOpen", "cmdQuit"})
            EXPECT_TRUE(child<QWidget>(*w, always)->isEnabled()) << always;
    }
}

TEST_F(Window, FocusAndTabOrderSkipDisabledControls) {
    EXPECT_EQ(QApplication::focusWidget(), child<QWidget>(*w, "txtInput"));
    child<QWidget>(*w, "cmdOpen")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), child<QWidget>(*w, "cboConvertTo")) << "output row is disabled";

    setPaths("ab", "cd");
    std::vector<const char*> order = {"txtInput", "cmdOpen", "txtOutput", "cmdBrowse", "cboConvertTo", "CmdConvert", "cmdQuit", "cmdText"};
    child<QWidget>(*w, order[0])->setFocus();
    for (std::size_t i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), child<QWidget>(*w, order[i])) << order[i];
    }
}

TEST_F(Window, EveryWayOfQuitting) {
    struct {
        const char* focus;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
    } keys[] = {{"txtInput", Qt::Key_Escape, Qt::NoModifier},    {"cmdOpen", Qt::Key_Escape, Qt::ShiftModifier},
                {"cmdQuit", Qt::Key_Escape, Qt::ControlModifier}, {"txtInput", Qt::Key_Escape, Qt::AltModifier}};
    for (auto k : keys) {
        frmMain fresh;
        fresh.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&fresh));
        fresh.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&fresh));
        child<QWidget>(fresh, k.focus)->setFocus();
        QTest::qWait(30);
        QTest::keyClick(child<QWidget>(fresh, k.focus), k.key, k.mods);
        EXPECT_TRUE(fresh.quitRequested()) << k.focus << " " << k.key << " " << int(k.mods);
    }
    {
        frmMain fresh;
        fresh.show();
        QTest::mouseClick(child<QWidget>(fresh, "cmdQuit"), Qt::LeftButton);
        EXPECT_TRUE(fresh.quitRequested()) << "Quit clicked";
    }
    {
        frmMain fresh;
        fresh.show();
        fresh.close();
        EXPECT_TRUE(fresh.quitRequested()) << "window closed";
    }
    QTest::keyClick(child<QWidget>(*w, "txtInput"), Qt::Key_A);
    EXPECT_FALSE(w->quitRequested()) << "other keys do nothing";
}

TEST_F(Window, StatusLabelFollowsItsCaption) {
    auto* status = child<QLabel>(*w, "lblStatus");
    const int start = status->width();
    const int height = status->height();
    w->setStatus("Please wait.... Converting from Panchari, and a good deal longer than that");
    EXPECT_EQ(status->pos(), QPoint(8, 144));
    EXPECT_GT(status->width(), start) << "grows to the right";
    EXPECT_GE(status->width(), status->fontMetrics().horizontalAdvance(status->text()));
    EXPECT_EQ(status->height(), height) << "one line";
    w->setStatus("Ready");
    EXPECT_LT(status->width(), start) << "shrinks";
    EXPECT_GE(status->width(), status->fontMetrics().horizontalAdvance("Ready"));
    EXPECT_EQ(status->pos(), QPoint(8, 144));
}

// "All files (*.*)" lists every file, also one without a dot, and is remembered.
TEST_F(Window, OpenDialogAllFilesMatchesEveryFile) {
    test::TempDir dir;
    test::writeFile(dir.path() / "brief", "{\\rtf1 x}");
    QStringList captions, patterns;
    DialogScript<QFileDialog> script([&](QFileDialog& dialog) {
        if (auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
            for (int i = 0; i < types->count(); ++i) captions << types->itemText(i);
        dialog.setDirectory(qpath(dir.path()));
        dialog.selectNameFilter(kAllFilesFilter);
        if (auto* model = dialog.findChild<QFileSystemModel*>()) patterns = model->nameFilters();
        // Typed into the name box, as a user does: selectFile() leaves the box alone
        // while it has the focus, which it has once the dialog is active, and the
        // dialog then has no file to accept.
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QStringLiteral("brief"));
        static_cast<QDialog&>(dialog).accept();  // public in QDialog; QFileDialog's own runs
    });
    EXPECT_EQ(ShowOpenDialog(w.get()), qpath(dir.path() / "brief"));
    EXPECT_EQ(captions, QStringList({kRtfFilter, kWordFilter, kPdfFilter, kAllFilesFilter}));
    EXPECT_TRUE(QDir::match(patterns, QStringLiteral("brief"))) << patterns.join(' ').toStdString();
    EXPECT_EQ(lastOpenFilter(), kAllFilesFilter) << "the next dialog opens on the filter last used";
}

TEST_F(Window, HandlersWithScriptedDialogs) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.path() / "a");
    std::filesystem::create_directory(dir.path() / "b");
    std::filesystem::copy(test::dataDir() / "wordpad_style.rtf", dir.path() / "a" / "one.rtf");
    std::filesystem::copy(test::dataDir() / "word_style.rtf", dir.path() / "b" / "two.rtf");
    test::writeFile(dir.path() / "bad.rtf", "plain text");

    QStringList opens;
    QString browsed;
    QString browseTitle;
    QString browseStart;
    w->setOpenDialog([&](QWidget*) { return opens.isEmpty() ? QString() : opens.takeFirst(); });
    w->setFolderDialog([&](QWidget*, const QString& start, const QString& title) {
        browseStart = start;
        browseTitle = title;
        return browsed;
    });
    auto* in = child<QLineEdit>(*w, "txtInput");
    auto* out = child<QLineEdit>(*w, "txtOutput");

    opens = {qpath(dir.path() / "a" / "one.rtf")};
    w->cmdOpen_Click();
    EXPECT_EQ(in->text(), qpath(dir.path() / "a" / "one.rtf"));
    EXPECT_EQ(out->text(), qpath(dir.path() / "a") + "/");
    EXPECT_EQ(w->txtFilename(), qpath(dir.path() / "a" / "Converted_one.rtf"));
    EXPECT_EQ(w->rtbSource().length(), 15u);

    // Cancel changes nothing.
    w->cmdOpen_Click();
    EXPECT_EQ(in->text(), qpath(dir.path() / "a" / "one.rtf"));
    EXPECT_EQ(w->rtbSource().length(), 15u);

    // Browse: the browser opens on the folder shown; its choice replaces it.
    browsed = qpath(dir.path() / "b");
    w->cmdBrowse_Click();
    EXPECT_EQ(browseStart, qpath(dir.path() / "a") + "/");
    EXPECT_EQ(browseTitle, "Open Output Folder");
    EXPECT_EQ(out->text(), qpath(dir.path() / "b"));
    EXPECT_EQ(w->txtFilename(), qpath(dir.path() / "b" / "Converted_one.rtf"));

    // A cancelled browser changes nothing.
    browsed.clear();
    w->cmdBrowse_Click();
    EXPECT_EQ(out->text(), qpath(dir.path() / "b"));
    EXPECT_EQ(w->txtFilename(), qpath(dir.path() / "b" / "Converted_one.rtf"));

    // Choosing again resets the output folder to the new file's folder.
    opens = {qpath(dir.path() / "b" / "two.rtf")};
    w->cmdOpen_Click();
    EXPECT_EQ(out->text(), qpath(dir.path() / "b") + "/");
    EXPECT_EQ(w->txtFilename(), qpath(dir.path() / "b" / "Converted_two.rtf"));

    // A failed load names the file and keeps the document and the three paths.
    const std::u16string before = w->rtbSource().text();
    BoxWatcher box;
    opens = {qpath(dir.path() / "bad.rtf")};
    w->cmdOpen_Click();
    EXPECT_EQ(box.seen, 1);
    EXPECT_EQ(box.title, "Tolvarin");
    EXPECT_TRUE(box.text.contains("bad.rtf")) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains("not an RTF document")) << box.text.toStdString();
    EXPECT_EQ(in->text(), qpath(dir.path() / "b" / "two.rtf"));
    EXPECT_EQ(w->txtFilename(), qpath(dir.path() / "b" / "Converted_two.rtf"));
    EXPECT_EQ(w->rtbSource().text(), before);
}

TEST_F(Window, ConvertEndToEndWithLocksAndMessage) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.path() / "elsewhere");
    // A long document, so that the pass lets events through while it runs.
    std::string body;
    for (int i = 0; i < 400000; ++i) body += "\\'b5\\'ef A ";
    test::writeFile(dir.path() / "long.rtf", "{\\rtf1{\\fonttbl{\\f0 PANCHARI;}}\\f0 " + body + "}");
    w->setOpenDialog([&](QWidget*) { return qpath(dir.path() / "long.rtf"); });
    w->setFolderDialog([&](QWidget*, const QString&, const QString&) { return qpath(dir.path() / "elsewhere"); });
    QTest::mouseClick(child<QWidget>(*w, "cmdOpen"), Qt::LeftButton);
    QTest::qWait(30);
    QTest::mouseClick(child<QWidget>(*w, "cmdBrowse"), Qt::LeftButton);
    QTest::qWait(30);
    ASSERT_TRUE(child<QWidget>(*w, "CmdConvert")->isEnabled());

    // While the pass runs, an event let through sees every locked control disabled.
    std::map<std::string, bool> during;
    QString statusDuring;
    auto* convert = child<QPushButton>(*w, "CmdConvert");
    // Armed at the press, so the first event round inside the pass runs it.
    QObject::connect(convert, &QPushButton::pressed, w.get(), [&] { QTimer::singleShot(0, [&] {
        for (const char* n : {"CmdConvert", "cmdQuit", "Frame2", "Frame1", "txtInput", "txtOutput", "cmdOpen", "cmdBrowse", "cboConvertTo"})
            during[n] = child<QWidget>(*w, n)->isEnabled();
        statusDuring = child<QLabel>(*w, "lblStatus")->text();
    }); });
    BoxWatcher box;
    QTest::mouseClick(child<QWidget>(*w, "CmdConvert"), Qt::LeftButton);

    ASSERT_EQ(during.size(), 9u) << "the pass let no events through";
    for (auto& [name, enabled] : during) EXPECT_FALSE(enabled) << name << " enabled during the pass";
    EXPECT_EQ(statusDuring, "Please wait.... Converting from Panchari");
    EXPECT_EQ(box.seen, 1);
    EXPECT_EQ(box.text, "Converted from Panchari!");
    EXPECT_EQ(box.icon, QMessageBox::Information);
    EXPECT_EQ(box.title, "Tolvarin");
    EXPECT_EQ(child<QLabel>(*w, "lblStatus")->text(), "Ready");
    for (const char* n : {"cmdQuit", "Frame1", "txtInput", "cmdOpen"}) EXPECT_TRUE(child<QWidget>(*w, n)->isEnabled()) << n;
    QTest::qWait(30);
    EXPECT_TRUE(child<QWidget>(*w, "CmdConvert")->isEnabled()) << "the timer applies the rule again";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    Document out;
    ASSERT_TRUE(out.loadFile(dir.path() / "elsewhere" / "Converted_long.rtf").ok);
    std::u16string expected;
    for (int i = 0; i < 400000; ++i) expected += codes({0xA2, 0x20, 0xA1, 0x20});
    EXPECT_EQ(out.text(), expected);
    EXPECT_EQ(out.formatAt(1).font.name, "ML-TTRevathi");
}

TEST_F(Window, ConvertsASampleDocumentIntoAChosenFolder) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.path() / "out");
    const auto sample = test::dataDir() / "wordpad_style.rtf";
    w->setOpenDialog([&](QWidget*) { return qpath(sample); });
    w->setFolderDialog([&](QWidget*, const QString&, const QString&) { return qpath(dir.path() / "out"); });
    QTest::mouseClick(child<QWidget>(*w, "cmdOpen"), Qt::LeftButton);
    QTest::qWait(30);  // the enabling rule opens the output row
    QTest::mouseClick(child<QWidget>(*w, "cmdBrowse"), Qt::LeftButton);
    QTest::qWait(30);
    ASSERT_EQ(w->txtFilename(), qpath(dir.path() / "out" / "Converted_wordpad_style.rtf"));
    BoxWatcher box;
    QTest::mouseClick(child<QWidget>(*w, "CmdConvert"), Qt::LeftButton);
    EXPECT_EQ(box.text, "Converted from Panchari!");
    EXPECT_EQ(child<QLabel>(*w, "lblStatus")->text(), "Ready");

    Document out;
    ASSERT_TRUE(out.loadFile(dir.path() / "out" / "Converted_wordpad_style.rtf").ok);
    // A, then the pair 0xB5 0xEF, a space, the pair 0xCC 0xEE; then 0x79 and " plain".
    EXPECT_EQ(out.text(), codes({0xA1, 0xA2, 0x20, 0xBA}) + u"\nXv\\ plain\n");
    EXPECT_EQ(out.formatAt(1).font.name, "ML-TTRevathi");
    EXPECT_TRUE(out.formatAt(1).bold);
    EXPECT_EQ(out.formatAt(11).font.name, "Calibri");
}

// A DOCX and an ODT, a presentation and a spreadsheet open like an RTF document and are
// saved as Converted_<name> in their own format, as the engine converts them in place.
TEST_F(Window, ConvertsWordAndOpenDocumentFiles) {
    test::TempDir dir;
    for (const char* name : {"letter.docx", "letter.odt", "letter.pptx", "letter.xlsx", "letter.odp", "letter.ods"}) {
        SCOPED_TRACE(name);
        std::filesystem::copy(test::dataDir() / "office" / name, dir.path() / name);
        ASSERT_TRUE(w->openInput(qpath(dir.path() / name)));
        EXPECT_EQ(w->txtFilename(), qpath(dir.path() / (std::string("Converted_") + name)));
        BoxWatcher done;
        w->CmdConvert_Click();
        EXPECT_EQ(done.text, "Converted from Panchari!");
        std::string expected;
        const bool unicode = child<QComboBox>(*w, "cboConvertTo")->currentText() == "Unicode Malayalam";
        ASSERT_TRUE(test::convert(test::readFile(dir.path() / name), expected, test::unicodeOptions(unicode)).ok);
        EXPECT_EQ(test::readFile(dir.path() / (std::string("Converted_") + name)), expected);
    }
}

// Legacy text in an ordinary font: with Unicode, the window asks before converting it,
// and its question box answers as the buttons say.
TEST_F(Window, AsksBeforeConvertingTextFoundInOrdinaryFonts) {
    test::TempDir dir;
    std::string revathi;
    ASSERT_TRUE(test::convert(test::readFile(test::dataDir() / "prose_word.rtf"), revathi, test::unicodeOptions(false)).ok);
    for (const std::string font : {"ML-TTRevathi", "Arial"})
        for (std::size_t at; (at = revathi.find(font)) != std::string::npos;) revathi.replace(at, font.size(), "Calibri");
    test::writeFile(dir.path() / "lost.rtf", revathi);
    child<QComboBox>(*w, "cboConvertTo")->setCurrentIndex(1);
    ASSERT_TRUE(w->openInput(qpath(dir.path() / "lost.rtf")));
    QStringList asked;
    w->setQuestionDialog([&](QWidget*, const QString& question) {
        asked << question;
        return true;
    });
    BoxWatcher done;
    w->CmdConvert_Click();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains("characters in Calibri read as ML-TT")) << asked[0].toStdString();
    EXPECT_EQ(done.text, "Converted from Panchari!");
    ConversionOptions detect = test::unicodeOptions(true);
    detect.detect = true;
    std::string expected;
    ASSERT_TRUE(test::convert(revathi, expected, detect).ok);
    EXPECT_EQ(test::readFile(dir.path() / "Converted_lost.rtf"), expected);

    // The question box itself: No is no.
    w->setQuestionDialog(frmMain::QuestionDialog());
    w = std::make_unique<frmMain>();
    DialogScript<QMessageBox> no{[](QMessageBox& box) {
        EXPECT_EQ(box.objectName(), "questionBox");
        box.button(QMessageBox::No)->click();
    }};
    EXPECT_FALSE(w->askYesNo("Convert them?"));
}

TEST_F(Window, EscapeDuringAPassWritesNothing) {
    test::TempDir dir;
    std::string body;
    for (int i = 0; i < 1000000; ++i) body += "\\'b5 ";
    test::writeFile(dir.path() / "big.rtf", "{\\rtf1{\\fonttbl{\\f0 PANCHARI;}}\\f0 " + body + "}");
    ASSERT_TRUE(w->openInput(qpath(dir.path() / "big.rtf")));
    QTimer::singleShot(0, [&] { QTest::keyClick(child<QWidget>(*w, "txtInput"), Qt::Key_Escape); });
    BoxWatcher box;  // a pass that ran to its end would wait on its message
    w->CmdConvert_Click();
    EXPECT_EQ(box.seen, 0) << "the pass ended before Escape reached it";
    EXPECT_TRUE(w->quitRequested());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Converted_big.rtf"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "nothing half-written";
}

TEST_F(Window, FailedSaveIsReportedNotSuccess) {
    test::TempDir dir;
    std::filesystem::copy(test::dataDir() / "wordpad_style.rtf", dir.path() / "in.rtf");
    ASSERT_TRUE(w->openInput(qpath(dir.path() / "in.rtf")));
    w->setFolderDialog([&](QWidget*, const QString&, const QString&) { return qpath(dir.path() / "gone"); });
    w->cmdBrowse_Click();
    BoxWatcher box;
    w->CmdConvert_Click();
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_TRUE(box.text.contains("gone")) << box.text.toStdString();
    EXPECT_TRUE(child<QLabel>(*w, "lblStatus")->text().startsWith("Not saved: cannot save "))
        << child<QLabel>(*w, "lblStatus")->text().toStdString();
}

TEST_F(Window, FileRemovedBetweenChoosingAndLoading) {
    test::TempDir dir;
    std::filesystem::copy(test::dataDir() / "wordpad_style.rtf", dir.path() / "kept.rtf");
    ASSERT_TRUE(w->openInput(qpath(dir.path() / "kept.rtf")));
    const QString before = w->txtFilename();
    w->setOpenDialog([&](QWidget*) {
        test::writeFile(dir.path() / "gone.rtf", "{\\rtf1 x}");
        std::filesystem::remove(dir.path() / "gone.rtf");  // removed while the dialog closes
        return qpath(dir.path() / "gone.rtf");
    });
    BoxWatcher box;
    w->cmdOpen_Click();
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_TRUE(box.text.contains("gone.rtf")) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains("No such file or directory")) << box.text.toStdString();
    EXPECT_EQ(w->txtFilename(), before);
    EXPECT_EQ(w->rtbSource().length(), 15u);
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);  // settings go to a test location, not the user's
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tolvarin"));
    QApplication::setApplicationName(QStringLiteral("Tolvarin"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

