#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Where the bytes of one request come from: handed out piece by piece as the connection takes them, so
// that a request need not be held in memory whole.
class RequestSource
{
public:
    virtual ~RequestSource() = default;

    // The length of the whole request in bytes.
    virtual qint64 size() const = 0;
    // The next at most maxBytes bytes; empty when nothing more can be had.
    virtual QByteArray read(qint64 maxBytes) = 0;
    // Why the source stopped delivering before its end, in words for the user; empty while all is well.
    virtual QString failure() const { return {}; }
};
