#pragma once

#include "engine/RequestSource.h"

// A request that is already in memory.
class ByteArrayRequestSource final : public RequestSource
{
public:
    explicit ByteArrayRequestSource(QByteArray bytes);

    qint64 size() const override { return m_bytes.size(); }
    QByteArray read(qint64 maxBytes) override;

private:
    QByteArray m_bytes;
    qsizetype m_position = 0;
};
