// Times a conversion from the window (the pass with its event rounds, locks and
// message box) against the same pass with no window: window_convert FILE.RTF
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "api/convert_document.h"
#include "conversion_pass.h"
#include "frm_main.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_convert FILE.RTF\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::filesystem::path input = argv[1];

    tolvarin::Document source, working, destination;
    if (!tolvarin::loadDocumentFile(input, source)) return 1;
    tolvarin::WindowlessHost host(input.parent_path() / "Converted_windowless.rtf");
    QElapsedTimer t;
    t.start();
    tolvarin::runConversionPass(source, working, destination, host);
    const double windowless = t.nsecsElapsed() / 1e9;

    tolvarin::frmMain window;
    window.show();
    if (!window.openInput(QString::fromStdString(input.string()))) return 1;
    // Accept the closing message at once; only the pass and its save are timed.
    double windowed = 0;
    std::function<void()> accept = [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            windowed = t.nsecsElapsed() / 1e9;
            box->accept();
        } else {
            QTimer::singleShot(0, accept);
        }
    };
    QTimer::singleShot(0, accept);
    t.restart();
    window.CmdConvert_Click();
    std::printf("pass and save without a window: %.3f s\npass and save from the window:  %.3f s (%.2f x)\n", windowless,
                windowed, windowed / windowless);
    return 0;
}
