// Tolvarin: starts the one window, or, when a copy is already running, brings that one
// forward with the file this start was given.
#include <QApplication>
#include <QDir>

#include "frm_main.h"
#include "single_instance.h"
#include "window_rules.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tolvarin"));
    QApplication::setOrganizationName(QStringLiteral("Tolvarin"));  // where settings are kept
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tolvarin.png")));

    // A file on the command line, as a file manager's "Open with" passes it.
    const QStringList arguments = QApplication::arguments();
    const QString argument = arguments.size() > 1 ? arguments.at(1) : QString();
    const std::optional<std::filesystem::path> file =
        argument.isEmpty() ? std::nullopt
                           : tolvarin::fileToHandOver(std::filesystem::path(argument.toStdU16String()),
                                                      std::filesystem::path(QDir::currentPath().toStdU16String()));

    tolvarin::SingleInstance instance;
    if (!instance.acquire()) {
        tolvarin::SingleInstance::handOver(file);
        return 0;
    }

    tolvarin::frmMain window;
    QObject::connect(&instance, &tolvarin::SingleInstance::startedAgain, &window, [&window](const QString& path) {
        window.bringForward();
        if (!path.isEmpty() && !window.busy()) window.openInput(path);
    });
    window.show();
    if (!argument.isEmpty())
        window.openInput(QString::fromStdU16String(
            tolvarin::fileToOpenAtStart(std::filesystem::path(argument.toStdU16String()),
                                        std::filesystem::path(QDir::currentPath().toStdU16String()))
                .u16string()));
    return app.exec();
}
