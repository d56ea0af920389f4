#include "PostRequestSource.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

PostRequestSource::PostRequestSource(const QString& picturePath)
    : m_picture(picturePath)
{
}

bool PostRequestSource::openPicture()
{
    if (!m_picture.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    m_pictureSize = m_picture.size();
    return true;
}

void PostRequestSource::setParts(std::vector<Part> parts)
{
    m_parts = std::move(parts);
    m_part = 0;
    m_offset = 0;
    m_size = 0;
    for (const Part& part : m_parts)
        m_size += part.isPicture ? m_pictureSize : part.bytes.size();
}

QByteArray PostRequestSource::read(qint64 maxBytes)
{
    // Empty parts (a placeholder at the very start or end of the template) are passed over.
    while (m_failure.isEmpty() && m_part < m_parts.size()) {
        const Part& part = m_parts[m_part];
        const qint64 partSize = part.isPicture ? m_pictureSize : part.bytes.size();
        const qint64 length = std::min(maxBytes, partSize - m_offset);
        if (length <= 0) {
            ++m_part;
            m_offset = 0;
            continue;
        }
        QByteArray piece;
        if (part.isPicture)
            piece = readPicture(length);
        else
            piece = (m_offset == 0 && length == partSize) ? part.bytes : part.bytes.mid(m_offset, length);
        m_offset += piece.size();
        return piece;
    }
    return {};
}

QByteArray PostRequestSource::readPicture(qint64 maxBytes)
{
    QByteArray piece(static_cast<qsizetype>(maxBytes), Qt::Uninitialized);
    qint64 done = 0;
    while (done < maxBytes) {
        const qint64 got = m_picture.read(piece.data() + done, maxBytes - done);
        if (got <= 0)
            break;
        done += got;
    }
    // Checked before the piece is handed out, so that the last piece of a changed file never goes out.
    if (pictureChanged())
        return {};
    if (done < maxBytes) {
        m_failure = QStringLiteral("Ошибка чтения файла ") + QDir::toNativeSeparators(m_picture.fileName())
            + QStringLiteral(". Закачка прервана");
        return {};
    }
    return piece;
}

bool PostRequestSource::pictureChanged()
{
    const QString shownPath = QDir::toNativeSeparators(m_picture.fileName());
    if (!QFileInfo::exists(m_picture.fileName()))
        m_failure = QStringLiteral("Файл ") + shownPath + QStringLiteral(" пропал во время закачки. Закачка прервана");
    else if (m_picture.size() != m_pictureSize)
        m_failure = QStringLiteral("Файл ") + shownPath
            + QStringLiteral(" изменил размер во время закачки. Закачка прервана");
    return !m_failure.isEmpty();
}
