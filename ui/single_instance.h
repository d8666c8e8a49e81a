// Whether another copy of the program is running for this user.
#pragma once

#include <memory>

class QLockFile;

namespace tolvarin {

class SingleInstance {
public:
    SingleInstance();
    ~SingleInstance();
    // True when no other copy holds the lock; this copy then holds it until it ends.
    // A lock left by a copy that crashed is taken over.
    bool acquire();

private:
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace tolvarin
