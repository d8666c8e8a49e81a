// What the window's tests share: its controls found by name, dialogs answered as a user
// would, and a fresh window for each test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include "frm_main.h"

namespace tolvarin::window_test {

template <class T>
T* child(QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

// Answers the next dialog of type T that opens while it lives, as a user would: it is
// found among the visible windows (an offscreen window need not become active, so the
// active modal widget is no guide). Any dialog of that type still open kDeadline after
// it was first seen fails the test and is closed, so that the exec() waiting on it
// returns instead of hanging. It polls only while it lives: a dialog that never came
// must not be looked for in the next test.
template <class T>
class DialogScript {
public:
    static constexpr int kDeadline = 5000;  // ms

    explicit DialogScript(std::function<void(T&)> answer) : answer_(std::move(answer)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { poll(); });
        timer_.start();
    }
    bool answered() const { return answered_; }

private:
    void poll() {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<T*>(top);
            if (!dialog || !dialog->isVisible()) continue;
            auto it = std::find_if(open_.begin(), open_.end(), [&](auto& o) { return o.first == dialog; });
            if (it == open_.end()) {
                open_.emplace_back(dialog, QDeadlineTimer(kDeadline));
                if (!answered_) {
                    answered_ = true;
                    answer_(*dialog);
                }
            } else if (it->second.hasExpired()) {
                ADD_FAILURE() << dialog->metaObject()->className() << " still open after " << kDeadline
                              << " ms; closed";
                it->second = QDeadlineTimer(kDeadline);
                static_cast<QDialog*>(dialog)->done(QDialog::Rejected);  // done() is protected in QFileDialog
            }
        }
    }

    std::function<void(T&)> answer_;
    bool answered_ = false;
    std::vector<std::pair<QPointer<T>, QDeadlineTimer>> open_;
    QTimer timer_;  // last member: stopped and gone before the rest
};

// Accepts the next message box that opens and remembers its text and icon.
struct BoxWatcher {
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    int seen = 0;
    DialogScript<QMessageBox> script{[this](QMessageBox& box) {
        text = box.text();
        icon = box.icon();
        title = box.windowTitle();
        ++seen;
        box.accept();
    }};
};

inline QString qpath(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings().clear();  // every test starts as a first run
        w = std::make_unique<frmMain>();
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        w->activateWindow();
        QTest::qWait(30);
    }
    void setPaths(const QString& in, const QString& out) {
        child<QLineEdit>(*w, "txtInput")->setText(in);
        child<QLineEdit>(*w, "txtOutput")->setText(out);
        QTest::qWait(30);  // the 1 ms timer applies the rule
    }
    std::unique_ptr<frmMain> w;
};

}  // namespace tolvarin::window_test
