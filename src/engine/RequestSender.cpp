#include "RequestSender.h"

#include <QAbstractSocket>
#include <QVariant>

#include <algorithm>

void RequestSender::BoundSendBuffer(QAbstractSocket* socket)
{
    socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, QVariant(SendBufferBytes));
}

void RequestSender::start(QAbstractSocket* socket, std::unique_ptr<RequestSource> source)
{
    m_socket = socket;
    m_source = std::move(source);
    m_total = m_source->size();
    m_handedOver = 0;
    m_sent = 0;
    handOver();
}

void RequestSender::bytesWritten(qint64 bytes)
{
    if (!isSending())
        return;
    m_sent = std::min(m_total, m_sent + bytes);
    handOver();
}

void RequestSender::reset()
{
    m_socket = nullptr;
    m_source.reset();
    m_total = m_handedOver = m_sent = 0;
}

void RequestSender::handOver()
{
    while (m_handedOver < m_total && m_socket->bytesToWrite() < QueuedBytesLimit) {
        const QByteArray piece = m_source->read(std::min(PieceBytes, m_total - m_handedOver));
        if (piece.isEmpty())
            return;
        const qint64 written = m_socket->write(piece);
        if (written <= 0)
            return;
        m_handedOver += written;
    }
}
