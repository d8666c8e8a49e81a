// One copy of the window for this user. A later start brings the running copy forward
// and hands it the file it was given (checked by the shared rules on both sides), then
// ends.
#pragma once

#include <QObject>
#include <QString>
#include <filesystem>
#include <memory>
#include <optional>

class QLocalServer;
class QLockFile;

namespace tolvarin {

class SingleInstance : public QObject {
    Q_OBJECT

public:
    SingleInstance();
    ~SingleInstance() override;
    // True when no other copy holds the lock; this copy then holds it until it ends and
    // hears of later starts. A lock left by a copy that crashed is taken over.
    bool acquire();
    // Tells the running copy of this start, and of `file`; false when it could not be
    // reached before the deadline.
    static bool handOver(const std::optional<std::filesystem::path>& file, int deadlineMs = 3000);

signals:
    // A later start; `file` is empty when it was given none, or none that exists.
    void startedAgain(const QString& file);

private:
    void readStart();
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};

}  // namespace tolvarin
