#pragma once

#include <QString>

// Holds the lock that marks a program folder's instance as running, for the current user. The lock is the
// system's lock on an open file, which ends with the process however it ends: a crashed or killed
// instance never leaves a lock behind that would keep the program from starting again.
class SingleInstance final
{
public:
    explicit SingleInstance(const QString& programFolder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process now holds the lock; false when another instance runs.
    bool tryAcquire();

    static QString LockPath(const QString& programFolder);

private:
    QString m_path;
    int m_handle = -1;
};
