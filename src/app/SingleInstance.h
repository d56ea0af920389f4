#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// Holds the lock that marks a program folder's instance as running, for the current user. A lock left
// behind by a crashed instance is taken over.
class SingleInstance final
{
public:
    explicit SingleInstance(const QString& programFolder);

    // True when this process now holds the lock; false when another instance runs.
    bool tryAcquire();

    static QString LockPath(const QString& programFolder);

private:
    std::unique_ptr<QLockFile> m_lock;
};
