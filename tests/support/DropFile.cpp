#include "DropFile.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

DropOutcome DropFile(QWidget& target, const QString& path)
{
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(path) });
    const QPoint where = target.rect().center();
    QDragEnterEvent enter(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    QDropEvent drop(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &drop);
    return { enter.isAccepted(), drop.isAccepted() };
}
