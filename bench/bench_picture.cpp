// bench_picture <file.jpg> <size in bytes>
//
// Writes a small JPEG picture and pads the file with random bytes up to the size (a JPEG reader stops at
// the picture's end marker): a picture file of any size that opens fast, for timing the upload itself.
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QRandomGenerator>

#include <algorithm>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_picture <file.jpg> <size in bytes>\n");
        return 2;
    }
    QImage picture(640, 480, QImage::Format_RGB32);
    picture.fill(QColor(40, 90, 160));
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (!picture.save(path, "JPEG", 90))
        return 1;
    QFile file(path);
    if (!file.open(QIODevice::Append))
        return 1;
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (qint64 left = std::atoll(argv[2]) - file.size(); left > 0; left -= chunk.size()) {
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(chunk.data()), chunk.size() / 4);
        if (file.write(chunk.constData(), std::min<qint64>(left, chunk.size())) < 0)
            return 1;
    }
    return 0;
}
