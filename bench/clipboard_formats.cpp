// Measures the three-format comparison of a 1920 x 1080 screenshot-like picture against ImageMagick
// writing the same three files, and prints the time ratio and each format's size ratio.
//
//     clipboard_formats <ImageMagick convert command> [runs]

#include "image/ImgSizeMeasurement.h"
#include "image/cGdiPlus.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

// Window frames, title bars with gradients, lines of text, a toolbar and a photo-like region.
QImage screenshot()
{
    QImage image(1920, 1080, QImage::Format_RGB32);
    image.fill(QColor(0x2b, 0x4a, 0x6f));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QRandomGenerator random(42);
    for (int w = 0; w < 4; ++w) {
        const QRect frame(60 + w * 420, 60 + w * 90, 900, 620);
        painter.fillRect(frame, QColor(0xf6, 0xf6, 0xf6));
        QLinearGradient title(frame.topLeft(), frame.topRight());
        title.setColorAt(0, QColor(0x1c, 0x5a, 0xb0));
        title.setColorAt(1, QColor(0x8c, 0xb8, 0xf0));
        painter.fillRect(frame.x(), frame.y(), frame.width(), 32, title);
        painter.setPen(Qt::white);
        painter.drawText(frame.x() + 12, frame.y() + 22, QStringLiteral("Документ %1 — редактор").arg(w + 1));
        painter.setPen(QColor(0x20, 0x20, 0x20));
        for (int line = 0; line < 24; ++line)
            painter.drawText(frame.x() + 20, frame.y() + 64 + line * 22,
                QStringLiteral("Строка %1: съешь же ещё этих мягких французских булок, да выпей чаю. %2")
                    .arg(line + 1)
                    .arg(random.bounded(100000)));
    }
    // A photo inside the screenshot: smooth shapes with fine noise.
    const QRect photo(1300, 620, 520, 380);
    for (int y = photo.top(); y <= photo.bottom(); ++y) {
        for (int x = photo.left(); x <= photo.right(); ++x) {
            const double u = double(x - photo.left()) / photo.width();
            const double v = double(y - photo.top()) / photo.height();
            const int noise = int(random.bounded(12)) - 6;
            image.setPixel(x, y,
                qRgb(qBound(0, int(120 + 100 * std::sin(u * 6.0) + noise), 255),
                    qBound(0, int(140 + 90 * std::cos(v * 5.0) + noise), 255),
                    qBound(0, int(90 + 120 * u * v + noise), 255)));
        }
    }
    return image;
}

double psnr(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            const double dr = qRed(p) - qRed(q), dg = qGreen(p) - qGreen(q), db = qBlue(p) - qBlue(q);
            sum += dr * dr + dg * dg + db * db;
        }
    }
    const double mse = sum / (3.0 * x.width() * x.height());
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

qint64 fileSize(const QString& path)
{
    return QFileInfo(path).size();
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <ImageMagick convert command> [runs]\n", argv[0]);
        return 2;
    }
    const QString convert = QString::fromLocal8Bit(argv[1]);
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;

    QTemporaryDir dir;
    const QString ours = dir.filePath(QStringLiteral("tmp"));
    const QString theirs = dir.filePath(QStringLiteral("im"));
    QDir().mkpath(ours);
    QDir().mkpath(theirs);
    const QImage picture = screenshot();
    const QString bmp = dir.filePath(QStringLiteral("capture.bmp"));
    if (!picture.save(bmp, "BMP"))
        return 1;

    std::vector<double> ourTimes;
    std::vector<double> theirTimes;
    FormatComparison::Sizes sizes {};
    for (int run = 0; run < runs; ++run) {
        ImgSizeMeasurement measurement(ours);
        QEventLoop loop;
        QObject::connect(&measurement, &ImgSizeMeasurement::Finished, &loop, &QEventLoop::quit);
        QElapsedTimer timer;
        timer.start();
        measurement.GetSize(bmp, 65);
        loop.exec();
        ourTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
        sizes = measurement.Sizes();

        // One ImageMagick run writes all three files from one decoded picture.
        const QStringList arguments { bmp, QStringLiteral("("), QStringLiteral("+clone"), QStringLiteral("-quality"),
            QStringLiteral("65"), QStringLiteral("-write"), theirs + QStringLiteral("/tmp.jpg"),
            QStringLiteral("+delete"), QStringLiteral(")"), QStringLiteral("("), QStringLiteral("+clone"),
            QStringLiteral("-write"), theirs + QStringLiteral("/tmp.png"), QStringLiteral("+delete"),
            QStringLiteral(")"), theirs + QStringLiteral("/tmp.gif") };
        timer.restart();
        if (QProcess::execute(convert, arguments) != 0) {
            std::fprintf(stderr, "ImageMagick failed: %s\n", qPrintable(convert));
            return 1;
        }
        theirTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
    }

    const double ourTime = median(ourTimes);
    const double theirTime = median(theirTimes);
    std::printf("three formats of a 1920x1080 screenshot, median of %d runs\n", runs);
    std::printf("time: pictoferry %.0f ms, ImageMagick %.0f ms, ratio %.2f (target <= 0.50)\n", ourTime, theirTime,
        ourTime / theirTime);
    const char* const names[] = { "jpg", "gif", "png" };
    for (int i = 0; i < 3; ++i) {
        const QString name = QStringLiteral("/tmp.") + QLatin1String(names[i]);
        const qint64 mine = sizes[std::size_t(i)];
        const qint64 other = fileSize(theirs + name);
        std::printf("%s: pictoferry %lld bytes, ImageMagick %lld bytes, ratio %.2f, PSNR %.1f dB vs %.1f dB\n",
            names[i], static_cast<long long>(mine), static_cast<long long>(other), double(mine) / double(other),
            psnr(picture, QImage(ours + name)), psnr(picture, QImage(theirs + name)));
    }
    // Each encoder alone, one after the other, to see where the time goes.
    for (const char* name : names) {
        QElapsedTimer timer;
        timer.start();
        cGdiPlus().PictureBoxToFile(picture, dir.filePath(QStringLiteral("alone.") + QLatin1String(name)), 65);
        std::printf("%s alone: %.0f ms\n", name, double(timer.nsecsElapsed()) / 1e6);
    }
    return 0;
}
