#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

// The comparison of the clipboard picture saved as JPEG, GIF and PNG: the variant files, the JPEG
// quality choices, and what the size bars show once all three sizes are known.
namespace FormatComparison
{

constexpr int VariantCount = 3; // 0 JPG, 1 GIF, 2 PNG
// The size of a variant that could not be written or measured.
constexpr qint64 Failed = -1;

using Sizes = std::array<qint64, VariantCount>;

// The captured picture "tmp.bmp" and the variants "tmp.jpg", "tmp.gif", "tmp.png" in the scratch folder.
QString CapturePath(const QString& tempFolder);
QStringList CandidatePaths(const QString& tempFolder);

// The JPEG quality list: 15, 20, … 100; the one chosen when the window opens is 65.
QStringList QualityChoices();
constexpr int DefaultQualityIndex = 10;

// Bar colours: white while nothing is known, red for the largest, green for the smallest.
QColor BarColour(bool largest, bool smallest);

struct Bar {
    QString label; // "50 Кб", "800 б", or the failure text
    int percent = 0; // share of the largest size in whole per cent
    QColor colour;
    bool failed = false;
};

struct Result {
    std::array<Bar, VariantCount> bars;
    // The MinSize events in the order they are raised: 1 JPG, 2 GIF, 3 PNG. Each variant of the
    // smallest size raises one, so the last one is the variant that ends up chosen.
    QList<int> minSize;
};

// The bars for three sizes. Failed variants take no part: they are never largest or smallest, show
// the failure text and no bar. The unit is kilobytes (truncated) when every measured size is at
// least 1024 bytes, bytes otherwise.
Result Compare(const Sizes& sizes);

// numerator / denominator to the nearest integer, an exact half to the even neighbour; 0 for a
// denominator of 0.
int RoundHalfEven(qint64 numerator, qint64 denominator);

// The bar of the largest size takes 100/140 of the container's width.
int BarWidth(int containerWidth, int percent);

QString FailedLabel();

} // namespace FormatComparison
