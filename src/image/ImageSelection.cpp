#include "ImageSelection.h"

#include "settings/Ini.h"

#include <QDir>
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

// A file beyond the 32-bit range is counted as the largest 32-bit size, which exceeds every limit.
qint32 countedSize(qint64 bytes)
{
    return qint32(qMin<qint64>(bytes, std::numeric_limits<qint32>::max()));
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

QString ViewerSourcePath(const QString& path, const QString& scratchFolder)
{
    if (scratchFolder.isEmpty() || !path.endsWith(QLatin1String("png"), Qt::CaseSensitive))
        return path;
    const QFileInfo file(path);
    const QFileInfo scratch(scratchFolder);
    const bool inScratch = file.absolutePath() == scratch.absoluteFilePath()
        || (scratch.exists() && file.dir().canonicalPath() == scratch.canonicalFilePath());
    if (!inScratch)
        return path;
    // Every ".png" of the file name becomes ".bmp"; the folder stays the scratch folder.
    QString twinName = file.fileName();
    twinName.replace(QLatin1String(".png"), QLatin1String(".bmp"), Qt::CaseSensitive);
    const QString twin = file.dir().filePath(twinName);
    return QFileInfo(twin).isFile() ? twin : path;
}

QSize StoredSize(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(false);
    if (!reader.canRead())
        return {};
    return reader.size();
}

QImage LoadPicture(const QString& path, QSize scaledTo)
{
    // The default allocation limit refuses any picture above about 33 megapixels, a common phone
    // photo. Previews are decoded scaled, and the full size only when the user asks for it.
    const int previousLimit = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(0);
    QImageReader reader(path);
    reader.setAutoTransform(true);
    if (scaledTo.isValid()) {
        // The reader scales the stored picture before it turns it.
        if (reader.transformation() & QImageIOHandler::TransformationRotate90)
            scaledTo.transpose();
        reader.setScaledSize(scaledTo);
    }
    const QImage picture = reader.read();
    QImageReader::setAllocationLimit(previousLimit);
    return picture;
}

ImageDescription Describe(const QString& path, const QString& scratchFolder, const QLocale& locale)
{
    ImageDescription description;
    const QFileInfo file(path);
    if (path.isEmpty() || !file.isFile()) {
        description.errorText = QStringLiteral("Файл изображения не найден:\r\n") + path;
        return description;
    }
    const QString source = ViewerSourcePath(path, scratchFolder);
    const QSize size = StoredSize(source);
    if (!size.isValid() || size.isEmpty()) {
        description.errorText = QStringLiteral("Не удалось открыть изображение:\r\n") + path
            + QStringLiteral("\r\nФайл недоступен, повреждён или не является изображением.");
        return description;
    }

    const qint64 bytes = file.size();
    description.ok = true;
    description.viewerSource = source;
    description.values.CurrentImagePath = path;
    description.values.CurrentImageSize = countedSize(bytes);
    description.values.CurrentImageWidth = size.width();
    description.values.CurrentImageHeight = size.height();
    description.typeText = TypeText(path);
    description.sizeText = SizeText(description.values.CurrentImageWidth, description.values.CurrentImageHeight);
    description.weightText = WeightText(bytes, locale);
    return description;
}

ImageValues Measure(const QString& path)
{
    ImageValues values;
    values.CurrentImagePath = path;
    values.CurrentImageSize = countedSize(QFileInfo(path).size());
    const QSize size = StoredSize(path);
    if (size.isValid()) {
        values.CurrentImageWidth = size.width();
        values.CurrentImageHeight = size.height();
    }
    return values;
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
