#include "ImageLimits.h"

namespace ImageLimits
{

QString AcceptanceMessage()
{
    return QStringLiteral("Изображение имеет допустимые параметры для выбранного сервера");
}

QString CheckImageLimits(const Limits& limits, qint32 imageWidth, qint32 imageHeight, qint32 imageSize)
{
    const qint32 maxWidth = limits.MaxWidth == 0 ? NoWidthLimit : limits.MaxWidth;
    const qint32 maxHeight = limits.MaxHeight == 0 ? NoHeightLimit : limits.MaxHeight;
    const qint32 maxSize = limits.MaxSize == 0 ? NoSizeLimit : limits.MaxSize;
    const QString lineEnd = QStringLiteral("\r\n");

    QString verdict;
    if (imageWidth > maxWidth)
        verdict += QStringLiteral("Ширина изображения превышает ") + QString::number(maxWidth) + lineEnd;
    if (imageHeight > maxHeight)
        verdict += QStringLiteral("Высота изображения превышает ") + QString::number(maxHeight) + lineEnd;
    if (imageSize > maxSize)
        verdict += QStringLiteral("Размер файла изображения превышает ") + QString::number(maxSize) + lineEnd;
    if (verdict.isEmpty())
        verdict = AcceptanceMessage();
    return verdict;
}

bool IsAcceptable(const QString& verdict)
{
    return verdict.left(11) == QStringLiteral("Изображение");
}

} // namespace ImageLimits
