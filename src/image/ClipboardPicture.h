#pragma once

#include <QImage>
#include <QString>

class QMimeData;

// A picture handed over by the clipboard or by a drop: image data in any form Qt reads (a bitmap, or
// bytes offered as image/png, image/jpeg, …), or a list of file URLs naming a picture file.
namespace ClipboardPicture
{

// Whether the data carries a picture; a file URL counts when its file is a picture Qt can read.
bool HasPicture(const QMimeData* data);

// The picture, flattened onto white (a BMP keeps no transparency); a null image when there is none.
QImage Read(const QMimeData* data);

// The first local picture file among the data's URLs, or empty text.
QString PictureFile(const QMimeData* data);

// The picture that the clipboard holds now (see Read).
QImage FromClipboard();
bool ClipboardHasPicture();

} // namespace ClipboardPicture
