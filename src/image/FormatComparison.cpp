#include "FormatComparison.h"

#include <QDir>

namespace FormatComparison
{

QString CapturePath(const QString& tempFolder)
{
    return QDir(tempFolder).filePath(QStringLiteral("tmp.bmp"));
}

QStringList CandidatePaths(const QString& tempFolder)
{
    const QDir folder(tempFolder);
    return { folder.filePath(QStringLiteral("tmp.jpg")), folder.filePath(QStringLiteral("tmp.gif")),
        folder.filePath(QStringLiteral("tmp.png")) };
}

QStringList QualityChoices()
{
    QStringList choices;
    for (int quality = 15; quality <= 100; quality += 5)
        choices.append(QString::number(quality));
    return choices;
}

QColor BarColour(bool largest, bool smallest)
{
    if (smallest)
        return QColor(0, 255, 0);
    if (largest)
        return QColor(255, 0, 0);
    return QColor(255, 255, 255);
}

QString FailedLabel()
{
    return QStringLiteral("ошибка записи");
}

int RoundHalfEven(qint64 numerator, qint64 denominator)
{
    if (denominator == 0)
        return 0;
    const qint64 quotient = numerator / denominator;
    const qint64 twiceRemainder = 2 * (numerator % denominator);
    if (twiceRemainder > denominator || (twiceRemainder == denominator && quotient % 2 != 0))
        return int(quotient + 1);
    return int(quotient);
}

int BarWidth(int containerWidth, int percent)
{
    return RoundHalfEven(qint64(containerWidth) * percent, 140);
}

Result Compare(const Sizes& sizes)
{
    qint64 largest = 0;
    qint64 smallest = -1;
    bool allKilobytes = true;
    for (const qint64 size : sizes) {
        if (size == Failed)
            continue;
        largest = qMax(largest, size);
        smallest = smallest < 0 ? size : qMin(smallest, size);
        allKilobytes = allKilobytes && size >= 1024;
    }

    Result result;
    for (int i = 0; i < VariantCount; ++i) {
        Bar& bar = result.bars[std::size_t(i)];
        const qint64 size = sizes[std::size_t(i)];
        if (size == Failed) {
            bar.failed = true;
            bar.label = FailedLabel();
            bar.colour = BarColour(false, false);
            continue;
        }
        const bool isSmallest = size == smallest;
        bar.colour = BarColour(size == largest, isSmallest);
        if (isSmallest)
            result.minSize.append(i + 1);
        bar.label = allKilobytes ? QString::number(size / 1024) + QStringLiteral(" Кб")
                                 : QString::number(size) + QStringLiteral(" б");
        bar.percent = RoundHalfEven(size * 100, largest);
    }
    return result;
}

} // namespace FormatComparison
