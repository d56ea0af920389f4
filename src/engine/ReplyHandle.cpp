#include "ReplyHandle.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

ReplyHandle::~ReplyHandle()
{
    close();
}

void ReplyHandle::take(qintptr socketDescriptor)
{
    close();
    if (socketDescriptor >= 0)
        m_fd = ::fcntl(static_cast<int>(socketDescriptor), F_DUPFD_CLOEXEC, 0);
}

void ReplyHandle::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

QByteArray ReplyHandle::readWaiting(qint64 maxBytes)
{
    QByteArray bytes;
    char buffer[16384];
    while (m_fd >= 0 && bytes.size() < maxBytes) {
        const qint64 want = std::min<qint64>(sizeof buffer, maxBytes - bytes.size());
        const ssize_t got = ::recv(m_fd, buffer, static_cast<size_t>(want), MSG_DONTWAIT);
        if (got > 0) {
            bytes.append(buffer, got);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        break;
    }
    return bytes;
}
