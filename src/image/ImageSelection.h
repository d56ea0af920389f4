#pragma once

#include <QImage>
#include <QLocale>
#include <QString>

// Choosing the image to upload and describing it: the picture as the viewer shows it, its type, its
// size in pixels and its weight, and the values the limits check and the upload read.
namespace ImageSelection
{

// The current image. The path is empty and the numbers 0 until an image is chosen.
struct ImageValues {
    QString CurrentImagePath;
    qint32 CurrentImageSize = 0; // bytes
    qint32 CurrentImageWidth = 0; // pixels
    qint32 CurrentImageHeight = 0; // pixels
};

// An image file opened for the main window: either everything it shows or why it cannot be shown.
struct ImageDescription {
    bool ok = false;
    QString errorText; // the message box text when !ok
    QString viewerSource; // the file the viewer reads (the BMP twin of a clipboard PNG)
    ImageValues values;
    QString typeText; // Ftype
    QString sizeText; // RiL
    QString weightText; // SiL
};

// The open dialog's title and its one filter entry: the description and the patterns joined by NUL.
QString OpenDialogTitle();
QString OpenDialogFilter();

// The title of the message box shown for a file that cannot be opened.
QString OpenErrorTitle();

// The three upper-case letters that end the path; a BMP is reported as "PNG" (the clipboard picture's
// twin that the viewer shows).
QString TypeText(const QString& path);

// "Размер: 800 x 600".
QString SizeText(qint32 width, qint32 height);

// "Вес: 1023 байт", "Вес: 1 Кбайт", "Вес: ~1,5 Мбайт": bytes below 1024, whole kilobytes below a
// megabyte, megabytes with at most one decimal in the locale's notation from there on.
QString WeightText(qint64 bytes, const QLocale& locale = QLocale::system());

// The file the viewer reads for a path: a clipboard picture, a path in the scratch folder ending in
// lower-case "png", is shown from its BMP twin (every ".png" of the file name replaced by ".bmp") when
// that twin exists; every other file is shown from itself.
QString ViewerSourcePath(const QString& path, const QString& scratchFolder);

// The picture's width and height as its file stores them, read from the header alone; an invalid
// size when the file is no picture Qt can read.
QSize StoredSize(const QString& path);

// Reads a picture for the screen, turned as its EXIF orientation says. With a valid `scaledTo` it is
// decoded straight to that size (as shown, after the turn), which keeps the memory of a preview small
// whatever the picture's pixel count. A file that is missing, unreadable or not a picture gives a null
// image. There is no limit on the pixel count beyond the memory that decoding needs.
QImage LoadPicture(const QString& path, QSize scaledTo = QSize());

// Opens the image file at the path and describes it from its header, without decoding the pixels.
// scratchFolder: the program's tmp folder, the only place where a PNG has a BMP twin. Nothing is shown
// and nothing is kept; a failure carries the message for the user.
ImageDescription Describe(
    const QString& path, const QString& scratchFolder = QString(), const QLocale& locale = QLocale::system());

// The values of the limits check for a picture file, read without a window: its byte count and its width
// and height as the file stores them, 0 when the file is no picture Qt can read.
ImageValues Measure(const QString& path);

// The [Main] LastDir value of options.ini in the program folder: the full path of the file last chosen
// in the open dialog, which the dialog is given as its starting point.
QString ReadLastDir(const QString& programFolder);
void WriteLastDir(const QString& programFolder, const QString& path);

} // namespace ImageSelection
