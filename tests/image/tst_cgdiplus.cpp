#include "image/cGdiPlus.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include <gif_lib.h>

namespace
{

// More than 256 colours: a two-way gradient with a diagonal line, so JPEG quality and GIF
// quantization both have work to do.
QImage gradientPicture(int width = 160, int height = 120)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x * y) % 256));
    }
    for (int i = 0; i < qMin(width, height); ++i)
        image.setPixel(i, i, qRgb(255, 255, 255));
    return image;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestCGdiPlus : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void encoderByExtension_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("encoder");
        QTest::addColumn<bool>("carriesQuality");
        using E = cGdiPlus::Encoder;
        QTest::newRow("dot in a folder, none in the name") << "/x/a.b/pic" << int(E::None) << false;
        QTest::newRow("dot in a folder, backslash") << "C:\\a.b\\pic" << int(E::None) << false;
        QTest::newRow("no dot") << "/x/pic" << int(E::None) << false;
        QTest::newRow("unknown extension") << "/x/pic.txt" << int(E::None) << false;
        QTest::newRow(".JPG") << "/x/pic.JPG" << int(E::Jpeg) << true;
        QTest::newRow(".jpeg") << "/x/pic.jpeg" << int(E::Jpeg) << true;
        QTest::newRow(".Jpe") << "/x/pic.Jpe" << int(E::Jpeg) << true;
        QTest::newRow(".jfif") << "/x/pic.jfif" << int(E::Jpeg) << true;
        QTest::newRow(".gif") << "/x/pic.gif" << int(E::Gif) << false;
        QTest::newRow(".PNG") << "/x/pic.PNG" << int(E::Png) << false;
        QTest::newRow(".bmp") << "/x/pic.bmp" << int(E::Bmp) << false;
    }

    void encoderByExtension()
    {
        QFETCH(QString, name);
        QFETCH(int, encoder);
        QFETCH(bool, carriesQuality);
        QCOMPARE(int(cGdiPlus::EncoderFor(name)), encoder);
        QCOMPARE(cGdiPlus::CarriesQuality(name), carriesQuality);
    }

    // The quality reaches exactly the encoders of names that begin with "J": the same picture at
    // two qualities gives two different files there and the same file elsewhere.
    void qualityReachesOnlyJpeg_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<bool>("carriesQuality");
        QTest::newRow("JPG") << "JPG" << QByteArray("jpeg") << true;
        QTest::newRow("jpeg") << "jpeg" << QByteArray("jpeg") << true;
        QTest::newRow("Jpe") << "Jpe" << QByteArray("jpeg") << true;
        QTest::newRow("png") << "png" << QByteArray("png") << false;
        QTest::newRow("gif") << "gif" << QByteArray("gif") << false;
        QTest::newRow("BMP") << "BMP" << QByteArray("bmp") << false;
    }

    void qualityReachesOnlyJpeg()
    {
        QFETCH(QString, extension);
        QFETCH(QByteArray, format);
        QFETCH(bool, carriesQuality);
        const cGdiPlus gdip;
        const QString low = path(QStringLiteral("low.") + extension);
        const QString high = path(QStringLiteral("high.") + extension);
        QVERIFY(gdip.PictureBoxToFile(gradientPicture(), low, 5));
        QVERIFY(gdip.PictureBoxToFile(gradientPicture(), high, 100));
        QCOMPARE(readAll(low) != readAll(high), carriesQuality);
        QImageReader reader(high);
        QCOMPARE(reader.format(), format);
        QCOMPARE(reader.read().size(), QSize(160, 120));
    }

    void nameWithoutEncoderWritesNothing()
    {
        QDir().mkpath(path(QStringLiteral("a.b")));
        const QString name = path(QStringLiteral("a.b/pic"));
        QVERIFY(!cGdiPlus().PictureBoxToFile(gradientPicture(), name, 50));
        QVERIFY(!QFile::exists(name));
        QVERIFY(!cGdiPlus().PictureBoxToFile(gradientPicture(), path(QStringLiteral("pic.txt")), 50));
        QVERIFY(!QFile::exists(path(QStringLiteral("pic.txt"))));
    }

    void gifIsReadableByQtAndGiflibWithAtMost256Colours()
    {
        const QString name = path(QStringLiteral("pic.gif"));
        const QImage picture = gradientPicture(300, 200);
        QVERIFY(cGdiPlus().PictureBoxToFile(picture, name, 0));

        const QImage read(name);
        QCOMPARE(read.size(), picture.size());
        // The palette stands for the picture: the mean error per channel stays small.
        qint64 error = 0;
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb a = picture.pixel(x, y);
                const QRgb b = read.pixel(x, y);
                colours.insert(b);
                error += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
            }
        }
        QVERIFY(colours.size() > 16 && colours.size() <= 256);
        QVERIFY2(error / (3 * picture.width() * picture.height()) < 12, "GIF colours far from the picture");

        int status = 0;
        GifFileType* gif = DGifOpenFileName(QFile::encodeName(name).constData(), &status);
        QVERIFY(gif);
        QCOMPARE(DGifSlurp(gif), GIF_OK);
        QCOMPARE(gif->SWidth, 300);
        QCOMPARE(gif->SHeight, 200);
        QCOMPARE(gif->ImageCount, 1);
        QVERIFY(gif->SColorMap);
        const int paletteSize = gif->SColorMap->ColorCount;
        QVERIFY(paletteSize <= 256 && (paletteSize & (paletteSize - 1)) == 0);
        DGifCloseFile(gif, &status);
    }

    void gifKeepsTransparency()
    {
        QImage picture(40, 20, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x)
                picture.setPixelColor(x, y, QColor(200, 30, 30));
        }
        const QString name = path(QStringLiteral("clear.gif"));
        QVERIFY(cGdiPlus().PictureBoxToFile(picture, name, 0));
        QCOMPARE(readAll(name).left(6), QByteArray("GIF89a"));
        const QImage read(name);
        QCOMPARE(qAlpha(read.pixel(30, 10)), 0);
        QCOMPARE(qAlpha(read.pixel(5, 10)), 255);
        QCOMPARE(QColor(read.pixel(5, 10)), QColor(200, 30, 30));
    }

    // A write that cannot be done reports false and leaves what was there.
    void failedWriteIsReported()
    {
        QVERIFY(!cGdiPlus().PictureBoxToFile(gradientPicture(), path(QStringLiteral("missing/pic.png")), 0));
        QDir().mkpath(path(QStringLiteral("folder.jpg")));
        QVERIFY(!cGdiPlus().PictureBoxToFile(gradientPicture(), path(QStringLiteral("folder.jpg")), 50));
        QVERIFY(QFileInfo(path(QStringLiteral("folder.jpg"))).isDir());
        QVERIFY(!cGdiPlus().PictureBoxToFile(QImage(), path(QStringLiteral("empty.png")), 0));
    }

    void cancelledGifWritesNothing()
    {
        const std::atomic_bool cancel = true;
        const QString name = path(QStringLiteral("cancelled.gif"));
        QVERIFY(!cGdiPlus().PictureBoxToFile(gradientPicture(), name, 0, nullptr, &cancel));
        QVERIFY(!QFile::exists(name));
    }
};

QTEST_GUILESS_MAIN(TestCGdiPlus)
#include "tst_cgdiplus.moc"
