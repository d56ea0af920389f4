#include "ImageSelection.h"

#include "settings/Ini.h"

#include <QFileInfo>
#include <QImageReader>

#include <limits>

namespace ImageSelection
{

namespace
{

QString optionsFile(const QString& programFolder)
{
    return programFolder + QStringLiteral("/options.ini");
}

} // namespace

QString OpenDialogTitle()
{
    return QStringLiteral("Выберите файл изображения для закачки");
}

QString OpenDialogFilter()
{
    return QStringLiteral("*.jpg, *.gif") + QChar(u'\0') + QStringLiteral("*.jpg;*.gif");
}

QString OpenErrorTitle()
{
    return QStringLiteral("Ошибка");
}

QString TypeText(const QString& path)
{
    const QString type = path.right(3).toUpper();
    return type == QLatin1String("BMP") ? QStringLiteral("PNG") : type;
}

QString SizeText(qint32 width, qint32 height)
{
    return QStringLiteral("Размер: ") + QString::number(width) + QStringLiteral(" x ") + QString::number(height);
}

QString WeightText(qint64 bytes, const QLocale& locale)
{
    constexpr qint64 kilobyte = 1024;
    constexpr qint64 megabyte = kilobyte * kilobyte;
    if (bytes < kilobyte)
        return QStringLiteral("Вес: ") + QString::number(bytes) + QStringLiteral(" байт");
    if (bytes < megabyte)
        return QStringLiteral("Вес: ") + QString::number(bytes / kilobyte) + QStringLiteral(" Кбайт");

    // Tenths of a megabyte, rounded half up in whole numbers so that no binary fraction tips the result.
    const qint64 tenths = (bytes * 10 + megabyte / 2) / megabyte;
    QLocale notation = locale;
    notation.setNumberOptions(QLocale::OmitGroupSeparator);
    const QString number
        = tenths % 10 == 0 ? notation.toString(tenths / 10) : notation.toString(double(tenths) / 10.0, 'f', 1);
    return QStringLiteral("Вес: ~") + number + QStringLiteral(" Мбайт");
}

QString ViewerSourcePath(const QString& path)
{
    if (!path.endsWith(QLatin1String("png"), Qt::CaseSensitive))
        return path;
    QString twin = path;
    twin.replace(QLatin1String(".png"), QLatin1String(".bmp"), Qt::CaseSensitive);
    return QFileInfo(twin).isFile() ? twin : path;
}

QImage LoadPicture(const QString& path)
{
    // The reader keeps Qt's image allocation limit, so a picture too large for memory is refused
    // instead of being allocated.
    QImageReader reader(ViewerSourcePath(path));
    reader.setAutoTransform(false);
    return reader.read();
}

ImageDescription Describe(const QString& path, const QLocale& locale)
{
    ImageDescription description;
    const QFileInfo file(path);
    if (path.isEmpty() || !file.isFile()) {
        description.errorText = QStringLiteral("Файл изображения не найден:\r\n") + path;
        return description;
    }
    description.picture = LoadPicture(path);
    if (description.picture.isNull()) {
        description.errorText = QStringLiteral("Не удалось открыть изображение:\r\n") + path
            + QStringLiteral("\r\nФайл недоступен, повреждён, слишком велик или не является изображением.");
        return description;
    }

    const qint64 bytes = file.size();
    description.ok = true;
    description.values.CurrentImagePath = path;
    // A file beyond the 32-bit range is counted as the largest 32-bit size, which exceeds every limit.
    description.values.CurrentImageSize = qint32(qMin<qint64>(bytes, std::numeric_limits<qint32>::max()));
    description.values.CurrentImageWidth = description.picture.width();
    description.values.CurrentImageHeight = description.picture.height();
    description.typeText = TypeText(path);
    description.sizeText = SizeText(description.values.CurrentImageWidth, description.values.CurrentImageHeight);
    description.weightText = WeightText(bytes, locale);
    return description;
}

QString ReadLastDir(const QString& programFolder)
{
    Ini::SetFileName(optionsFile(programFolder));
    return Ini().RINI(QStringLiteral("Main"), QStringLiteral("LastDir"));
}

void WriteLastDir(const QString& programFolder, const QString& path)
{
    Ini::SetFileName(optionsFile(programFolder));
    Ini().WInI(QStringLiteral("Main"), QStringLiteral("LastDir"), path);
}

} // namespace ImageSelection
