// Tolvarin: starts the one window, unless another copy is already running.
#include <QApplication>

#include "frm_main.h"
#include "single_instance.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tolvarin"));
    QApplication::setOrganizationName(QStringLiteral("Tolvarin"));  // where settings are kept
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tolvarin.png")));

    tolvarin::SingleInstance instance;
    if (!instance.acquire()) return 0;  // another copy runs; end silently

    tolvarin::frmMain window;
    window.show();
    return app.exec();
}
