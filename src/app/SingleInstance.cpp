#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

SingleInstance::SingleInstance(const QString& programFolder)
    : m_path(LockPath(programFolder))
{
}

SingleInstance::~SingleInstance()
{
    if (m_handle < 0)
        return;
    // Removed while still locked, so that whoever opens the name from now on gets a new file.
    ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_handle);
}

bool SingleInstance::tryAcquire()
{
    if (m_handle >= 0)
        return true;
    const QByteArray path = QFile::encodeName(m_path);
    // The lock counts only while the name still leads to the locked file: an instance that has just ended
    // may have removed it between our open and our lock.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int handle = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (handle < 0)
            return false;
        if (::flock(handle, LOCK_EX | LOCK_NB) != 0) {
            ::close(handle);
            return false;
        }
        struct stat opened {
        };
        struct stat named {
        };
        if (::fstat(handle, &opened) == 0 && ::stat(path.constData(), &named) == 0 && opened.st_dev == named.st_dev
            && opened.st_ino == named.st_ino) {
            m_handle = handle;
            return true;
        }
        ::close(handle);
    }
    return false;
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
