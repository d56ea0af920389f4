#include "ByteArrayRequestSource.h"

#include <algorithm>

ByteArrayRequestSource::ByteArrayRequestSource(QByteArray bytes)
    : m_bytes(std::move(bytes))
{
}

QByteArray ByteArrayRequestSource::read(qint64 maxBytes)
{
    const qsizetype length = static_cast<qsizetype>(std::min<qint64>(maxBytes, m_bytes.size() - m_position));
    if (length <= 0)
        return {};
    // The whole request in one piece shares the bytes instead of copying them.
    const QByteArray piece = (m_position == 0 && length == m_bytes.size()) ? m_bytes : m_bytes.mid(m_position, length);
    m_position += length;
    return piece;
}
