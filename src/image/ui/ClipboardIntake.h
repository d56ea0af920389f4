#pragma once

#include "InBuffer.h"

#include <QObject>

class ImageIntake;
class QMimeData;
class QWidget;

// Pictures that come to the main window other than through the open dialog: the clipboard button and
// Ctrl+V open the "Вставка из буфера" window for the clipboard's picture, or say that there is none;
// a picture file dropped on the window is opened like a chosen file, and a dropped picture without a
// file (from a browser, say) goes through the same window as a clipboard picture. The chosen variant
// becomes the current image.
class ClipboardIntake final : public QObject
{
    Q_OBJECT

public:
    // window: the main window, which takes the drops, the shortcut and the message boxes.
    ClipboardIntake(const QString& tempFolder, ImageIntake* image, QWidget* button, QWidget* window);

    // The clipboard button.
    void FromClipboard();
    // Opens the window for a picture and makes the chosen variant the current image.
    void ShowInBuffer(const InBuffer::PictureSource& picture);

    static QString NoPictureText();
    static QString NoPictureTitle();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Dropped(const QMimeData* data);

    QString m_tempFolder;
    ImageIntake* m_image = nullptr;
    QWidget* m_window = nullptr;
};
