#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

SingleInstance::SingleInstance(const QString& programFolder)
    : m_lock(std::make_unique<QLockFile>(LockPath(programFolder)))
{
    // A live instance must never count as stale, however long it runs.
    m_lock->setStaleLockTime(0);
}

bool SingleInstance::tryAcquire()
{
    return m_lock->tryLock(0);
}

QString SingleInstance::LockPath(const QString& programFolder)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const QByteArray key
        = QCryptographicHash::hash(QDir(programFolder).canonicalPath().toUtf8(), QCryptographicHash::Sha1)
              .toHex()
              .left(16);
    return QDir(folder).filePath(QStringLiteral("pictoferry-%1.lock").arg(QString::fromLatin1(key)));
}
