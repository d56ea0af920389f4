#pragma once

#include <QByteArray>
#include <QtGlobal>

// The state of one upload engine between its steps and socket events.
struct UploadSession {
    QByteArray ScriptLine; // the line read by the current step
    QByteArray ReplyBuffer; // everything received since the last connection was established
    QByteArray FoundText; // the result of the last SEARCHLINK, LINK or THLINK extraction
    qint16 TimeoutLeft = 0; // seconds left in the reply countdown
    qint64 BytesSent = 0; // bytes reported sent since the last SEND step
    qint64 RequestLength = 0; // the length of the request of the last SEND step
    bool CookieFetch = false; // true while the reply to a GETCOOKIES request is awaited
};
