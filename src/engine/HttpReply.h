#pragma once

#include "engine/SxcuValue.h"

#include <QByteArray>

// The replies that a script's connection received, as the custom-uploader values read them.
namespace HttpReply
{

// The last HTTP/1.x reply in the bytes received since the connection was opened: its status, its headers
// and its body (a chunked body joined; cut to its Content-Length). Interim replies (1xx) are passed over, and
// a reply that follows another on the same connection replaces it. Bytes that do not start with a status
// line are all body, with status 0. The address stays empty: a script's request is not followed by address.
SxcuReply Parse(const QByteArray& received);

} // namespace HttpReply
