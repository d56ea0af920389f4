#pragma once

#include <QByteArray>
#include <QColor>
#include <QSize>

// A small JPEG file's bytes: a picture of one colour, so that tests have a real picture to open and send.
QByteArray JpegBytes(QSize size, QColor colour);
