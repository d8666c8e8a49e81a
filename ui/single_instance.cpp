#include "single_instance.h"

#include <QDir>
#include <QLockFile>

namespace tolvarin {

SingleInstance::SingleInstance() {
    const QString dir = QDir::tempPath();
    QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME", QStringLiteral("user")));
    lock_ = std::make_unique<QLockFile>(dir + QStringLiteral("/tolvarin-") + user + QStringLiteral(".lock"));
    // Never stale by age: a running copy keeps its lock however long it runs. A lock
    // whose process has died is still recognised as stale and taken over.
    lock_->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::acquire() {
    // tryLock takes over a lock whose process is no longer running.
    return lock_->tryLock(0);
}

}  // namespace tolvarin
