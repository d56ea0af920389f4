#include "ClipboardIntake.h"

#include "image/ClipboardPicture.h"
#include "image/ui/ImageIntake.h"
#include "platform/ui/MessageBox.h"

#include <QAbstractButton>
#include <QDropEvent>
#include <QMimeData>
#include <QShortcut>
#include <QTimer>

ClipboardIntake::ClipboardIntake(const QString& tempFolder, ImageIntake* image, QWidget* button, QWidget* window)
    : QObject(window)
    , m_tempFolder(tempFolder)
    , m_image(image)
    , m_window(window)
{
    if (auto* clickable = qobject_cast<QAbstractButton*>(button))
        connect(clickable, &QAbstractButton::clicked, this, &ClipboardIntake::FromClipboard);
    auto* paste = new QShortcut(QKeySequence::Paste, window);
    paste->setObjectName(QStringLiteral("PasteShortcut"));
    connect(paste, &QShortcut::activated, this, &ClipboardIntake::FromClipboard);
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

QString ClipboardIntake::NoPictureText()
{
    return QStringLiteral("В буфере обмена не содержится графических данных");
}

QString ClipboardIntake::NoPictureTitle()
{
    return QStringLiteral("Внимание!");
}

void ClipboardIntake::FromClipboard()
{
    if (!ClipboardPicture::ClipboardHasPicture()) {
        Platform::ShowMessage(m_window, NoPictureText(), NoPictureTitle(), Platform::MessageIcon::Information);
        return;
    }
    ShowInBuffer(&ClipboardPicture::FromClipboard);
}

void ClipboardIntake::ShowInBuffer(const InBuffer::PictureSource& picture)
{
    InBuffer window(m_tempFolder, picture, m_window);
    if (window.exec() != QDialog::Accepted)
        return;
    // With no variant ticked the image on show stays the current one and is shown again.
    const QString path = window.ChosenPath().isEmpty() ? m_image->CurrentImagePath() : window.ChosenPath();
    if (!path.isEmpty())
        m_image->OpenImgFile(path);
}

bool ClipboardIntake::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (ClipboardPicture::HasPicture(drag->mimeData()))
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (Dropped(drop->mimeData()))
            drop->acceptProposedAction();
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

bool ClipboardIntake::Dropped(const QMimeData* data)
{
    if (const QString file = ClipboardPicture::PictureFile(data); !file.isEmpty()) {
        m_image->OpenImgFile(file);
        return true;
    }
    const QImage picture = ClipboardPicture::Read(data);
    if (picture.isNull())
        return false;
    // The drag source waits for the drop to end; the window opens once it has.
    QTimer::singleShot(0, this, [this, picture] { ShowInBuffer([picture] { return picture; }); });
    return true;
}
