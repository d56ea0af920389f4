#include "image/ImageSelection.h"
#include "image/PictureFiles.h"
#include "image/ui/CommonDialog.h"
#include "support/TempProgramFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QTest>

class TestImageSelection final : public QObject
{
    Q_OBJECT

private slots:
    void weightText_data();
    void weightText();
    void typeText_data();
    void typeText();
    void sizeText();
    void viewerSourcePath_data();
    void viewerSourcePath();
    void readsBmpJpegGifAndPng_data();
    void readsBmpJpegGifAndPng();
    void describe();
    void describeFailures_data();
    void describeFailures();
    void largePhotoOpensWithBoundedPreview();
    void exifOrientationTurnsOnlyThePicture();
    void lastDirRoundTrip();
    void dialogFilter();
};

void TestImageSelection::weightText_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");

    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const QLocale c = QLocale::c();
    QTest::newRow("empty file") << qint64(0) << russian << QStringLiteral("Вес: 0 байт");
    QTest::newRow("1023 bytes") << qint64(1023) << russian << QStringLiteral("Вес: 1023 байт");
    QTest::newRow("1024 bytes is 1 KB") << qint64(1024) << russian << QStringLiteral("Вес: 1 Кбайт");
    QTest::newRow("2047 bytes truncates to 1 KB") << qint64(2047) << russian << QStringLiteral("Вес: 1 Кбайт");
    QTest::newRow("1048575 bytes is 1023 KB") << qint64(1048575) << russian << QStringLiteral("Вес: 1023 Кбайт");
    QTest::newRow("1048576 bytes is ~1 MB") << qint64(1048576) << russian << QStringLiteral("Вес: ~1 Мбайт");
    QTest::newRow("1.5 MB with a decimal comma") << qint64(1572864) << russian << QStringLiteral("Вес: ~1,5 Мбайт");
    QTest::newRow("1.5 MB with a decimal point") << qint64(1572864) << c << QStringLiteral("Вес: ~1.5 Мбайт");
    QTest::newRow("1.04 MB rounds to ~1") << qint64(1090519) << russian << QStringLiteral("Вес: ~1 Мбайт");
    QTest::newRow("1.05 MB rounds up to ~1,1") << qint64(1101005) << russian << QStringLiteral("Вес: ~1,1 Мбайт");
    QTest::newRow("just under 2 MB is ~2") << qint64(2097151) << russian << QStringLiteral("Вес: ~2 Мбайт");
    QTest::newRow("no digit grouping in large numbers")
        << qint64(1234567890) << russian << QStringLiteral("Вес: ~1177,4 Мбайт");
}

void TestImageSelection::weightText()
{
    QFETCH(qint64, bytes);
    QFETCH(QLocale, locale);
    QFETCH(QString, expected);
    QCOMPARE(ImageSelection::WeightText(bytes, locale), expected);
}

void TestImageSelection::typeText_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    QTest::newRow("lower-case bmp is shown as PNG") << QStringLiteral("/tmp/a/clip.bmp") << QStringLiteral("PNG");
    QTest::newRow("upper-case BMP is shown as PNG") << QStringLiteral("/tmp/a/CLIP.BMP") << QStringLiteral("PNG");
    QTest::newRow("mixed-case Bmp is shown as PNG") << QStringLiteral("/tmp/a/clip.Bmp") << QStringLiteral("PNG");
    QTest::newRow(".jpeg gives its last three letters") << QStringLiteral("/p/photo.jpeg") << QStringLiteral("PEG");
    QTest::newRow(".Jpg in upper case") << QStringLiteral("/p/photo.Jpg") << QStringLiteral("JPG");
    QTest::newRow(".gif") << QStringLiteral("/p/anim.gif") << QStringLiteral("GIF");
    QTest::newRow(".png") << QStringLiteral("/p/shot.png") << QStringLiteral("PNG");
    QTest::newRow("shorter than three characters") << QStringLiteral("ab") << QStringLiteral("AB");
}

void TestImageSelection::typeText()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(ImageSelection::TypeText(path), expected);
}

void TestImageSelection::sizeText()
{
    QCOMPARE(ImageSelection::SizeText(800, 600), QStringLiteral("Размер: 800 x 600"));
    QCOMPARE(ImageSelection::SizeText(40000, 1), QStringLiteral("Размер: 40000 x 1"));
}

void TestImageSelection::viewerSourcePath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("expected");

    QTest::newRow("png with its bmp twin")
        << QStringLiteral("tmp/shot.png")
        << QStringList { QStringLiteral("tmp/shot.png"), QStringLiteral("tmp/shot.bmp") }
        << QStringLiteral("tmp/shot.bmp");
    QTest::newRow("png without a twin is read itself")
        << QStringLiteral("pics/shot.png") << QStringList { QStringLiteral("pics/shot.png") }
        << QStringLiteral("pics/shot.png");
    QTest::newRow("a stray bmp outside tmp is no twin")
        << QStringLiteral("pics/shot.png")
        << QStringList { QStringLiteral("pics/shot.png"), QStringLiteral("pics/shot.bmp") }
        << QStringLiteral("pics/shot.png");
    QTest::newRow("every .png of the name is replaced")
        << QStringLiteral("tmp/shot.png.png") << QStringList { QStringLiteral("tmp/shot.bmp.bmp") }
        << QStringLiteral("tmp/shot.bmp.bmp");
    QTest::newRow("upper-case PNG is read unchanged")
        << QStringLiteral("tmp/SHOT.PNG")
        << QStringList { QStringLiteral("tmp/SHOT.PNG"), QStringLiteral("tmp/SHOT.bmp") }
        << QStringLiteral("tmp/SHOT.PNG");
    QTest::newRow("jpg is read unchanged")
        << QStringLiteral("pics/a.jpg") << QStringList { QStringLiteral("pics/a.bmp") } << QStringLiteral("pics/a.jpg");
}

void TestImageSelection::viewerSourcePath()
{
    QFETCH(QString, path);
    QFETCH(QStringList, existing);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    for (const QString& file : existing)
        QVERIFY(!PictureFiles::WriteBytes(dir.path(), file, "x").isEmpty());
    QCOMPARE(ImageSelection::ViewerSourcePath(dir.filePath(path), dir.filePath(QStringLiteral("tmp"))),
        dir.filePath(expected));
}

void TestImageSelection::readsBmpJpegGifAndPng_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");

    QTest::newRow("bmp") << QStringLiteral("a.bmp") << QSize(30, 20);
    QTest::newRow("jpeg") << QStringLiteral("a.jpg") << QSize(31, 21);
    QTest::newRow("png") << QStringLiteral("a.png") << QSize(32, 22);
    QTest::newRow("gif") << QStringLiteral("a.gif") << QSize(1, 1);
    QTest::newRow("jpeg content under a .gif name") << QStringLiteral("b.gif") << QSize(33, 23);
}

void TestImageSelection::readsBmpJpegGifAndPng()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);

    QTemporaryDir dir;
    QString path;
    if (name == QLatin1String("a.gif"))
        path = PictureFiles::WriteGif(dir.path(), name);
    else if (name == QLatin1String("b.gif"))
        path = PictureFiles::Write(dir.path(), name, size.width(), size.height(), "JPG");
    else
        path = PictureFiles::Write(dir.path(), name, size.width(), size.height());
    QVERIFY(!path.isEmpty());
    QCOMPARE(ImageSelection::LoadPicture(path).size(), size);
}

void TestImageSelection::describe()
{
    QTemporaryDir dir;
    const QString path = PictureFiles::Write(dir.path(), QStringLiteral("photo.Jpg"), 640, 480, "JPG");
    QVERIFY(!path.isEmpty());
    const qint64 bytes = QFileInfo(path).size();

    const auto description = ImageSelection::Describe(path, QString(), QLocale::c());
    QVERIFY(description.ok);
    QVERIFY(description.errorText.isEmpty());
    QCOMPARE(description.values.CurrentImagePath, path);
    QCOMPARE(description.values.CurrentImageSize, qint32(bytes));
    QCOMPARE(description.values.CurrentImageWidth, 640);
    QCOMPARE(description.values.CurrentImageHeight, 480);
    QCOMPARE(description.viewerSource, path);
    QCOMPARE(description.typeText, QStringLiteral("JPG"));
    QCOMPARE(description.sizeText, QStringLiteral("Размер: 640 x 480"));
    QCOMPARE(description.weightText, ImageSelection::WeightText(bytes, QLocale::c()));

    // The clipboard's PNG in tmp is shown from its BMP twin but weighed as the PNG that is uploaded.
    const QString scratch = dir.filePath(QStringLiteral("tmp"));
    const QString png = PictureFiles::Write(dir.path(), QStringLiteral("tmp/clip.png"), 50, 40);
    QVERIFY(!PictureFiles::Write(dir.path(), QStringLiteral("tmp/clip.bmp"), 50, 40).isEmpty());
    const auto clip = ImageSelection::Describe(png, scratch);
    QVERIFY(clip.ok);
    QCOMPARE(clip.viewerSource, dir.filePath(QStringLiteral("tmp/clip.bmp")));
    QCOMPARE(clip.values.CurrentImageSize, qint32(QFileInfo(png).size()));
    QCOMPARE(clip.typeText, QStringLiteral("PNG"));

    // Anywhere else a PNG is described from itself, whatever lies beside it.
    const QString photo = PictureFiles::Write(dir.path(), QStringLiteral("pics/photo.png"), 50, 40);
    QVERIFY(!PictureFiles::Write(dir.path(), QStringLiteral("pics/photo.bmp"), 7, 5).isEmpty());
    const auto own = ImageSelection::Describe(photo, scratch);
    QVERIFY(own.ok);
    QCOMPARE(own.viewerSource, photo);
    QCOMPARE(own.sizeText, QStringLiteral("Размер: 50 x 40"));
}

void TestImageSelection::describeFailures_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<QString>("expectedStart");

    QTest::newRow("missing file") << QStringLiteral("nothing.jpg") << QStringLiteral("Файл изображения не найден:\r\n");
    QTest::newRow("a folder") << QStringLiteral("folder.jpg") << QStringLiteral("Файл изображения не найден:\r\n");
    QTest::newRow("text under a picture name")
        << QStringLiteral("text.jpg") << QStringLiteral("Не удалось открыть изображение:\r\n");
    QTest::newRow("empty file") << QStringLiteral("empty.gif") << QStringLiteral("Не удалось открыть изображение:\r\n");
    QTest::newRow("clipboard png whose twin is broken")
        << QStringLiteral("tmp/twin.png") << QStringLiteral("Не удалось открыть изображение:\r\n");
}

void TestImageSelection::describeFailures()
{
    QFETCH(QString, relative);
    QFETCH(QString, expectedStart);

    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("folder.jpg"));
    PictureFiles::WriteBytes(dir.path(), QStringLiteral("text.jpg"), "not a picture at all");
    PictureFiles::WriteBytes(dir.path(), QStringLiteral("empty.gif"), QByteArray());
    PictureFiles::Write(dir.path(), QStringLiteral("tmp/twin.png"), 10, 10);
    PictureFiles::WriteBytes(dir.path(), QStringLiteral("tmp/twin.bmp"), "BM broken");

    const QString path = dir.filePath(relative);
    const auto description = ImageSelection::Describe(path, dir.filePath(QStringLiteral("tmp")));
    QVERIFY(!description.ok);
    QVERIFY2(description.errorText.startsWith(expectedStart), qPrintable(description.errorText));
    QVERIFY(description.errorText.contains(path));
    QVERIFY(description.values.CurrentImagePath.isEmpty());
    QCOMPARE(description.values.CurrentImageSize, 0);
}

void TestImageSelection::largePhotoOpensWithBoundedPreview()
{
    QTemporaryDir dir;
    // 48 megapixels: 192 MB decoded in colour, beyond the image reader's default allocation limit.
    const QString path = PictureFiles::WriteJpeg(dir.path(), QStringLiteral("48mp.jpg"), 8000, 6000);
    QVERIFY(!path.isEmpty());
    const int limit = QImageReader::allocationLimit();

    const auto description = ImageSelection::Describe(path);
    QVERIFY2(description.ok, qPrintable(description.errorText));
    QCOMPARE(description.sizeText, QStringLiteral("Размер: 8000 x 6000"));
    const QImage preview = ImageSelection::LoadPicture(path, QSize(600, 450));
    QCOMPARE(preview.size(), QSize(600, 450));
    QCOMPARE(QImageReader::allocationLimit(), limit);
}

void TestImageSelection::exifOrientationTurnsOnlyThePicture()
{
    QTemporaryDir dir;
    const QString path = PictureFiles::WriteJpeg(dir.path(), QStringLiteral("portrait.jpg"), 64, 48, 6);
    QVERIFY(!path.isEmpty());
    // Stored 64 x 48, shown standing: 48 x 64; description and limits keep the stored size.
    QCOMPARE(ImageSelection::StoredSize(path), QSize(64, 48));
    QCOMPARE(ImageSelection::LoadPicture(path).size(), QSize(48, 64));
    QCOMPARE(ImageSelection::LoadPicture(path, QSize(24, 32)).size(), QSize(24, 32));
    QCOMPARE(ImageSelection::Describe(path).values.CurrentImageWidth, 64);
}

void TestImageSelection::lastDirRoundTrip()
{
    TempProgramFolder folder;
    QCOMPARE(ImageSelection::ReadLastDir(folder.path()), QString());
    const QString chosen = folder.filePath(QStringLiteral("Фото/снимок 1.jpg"));
    ImageSelection::WriteLastDir(folder.path(), chosen);
    QCOMPARE(ImageSelection::ReadLastDir(folder.path()), chosen);
    const QByteArray ini = folder.readFile(QStringLiteral("options.ini"));
    QVERIFY(ini.contains("[Main]"));
    QVERIFY(ini.contains("LastDir=" + chosen.toUtf8()));
}

void TestImageSelection::dialogFilter()
{
    QCOMPARE(ImageSelection::OpenDialogTitle(), QStringLiteral("Выберите файл изображения для закачки"));
    QCOMPARE(ImageSelection::OpenDialogFilter(), QStringLiteral("*.jpg, *.gif") + QChar(u'\0') + "*.jpg;*.gif");

    // The dialog shows the one entry and lists JPEG and GIF files whatever the case of their names.
    const QString qtFilter = CommonDialog::QtFilter(ImageSelection::OpenDialogFilter());
    QVERIFY(qtFilter.startsWith(QStringLiteral("*.jpg, *.gif (")));
    QVERIFY(!qtFilter.contains(QStringLiteral(";;")));

    QTemporaryDir dir;
    for (const char* name : { "a.jpg", "B.JPG", "c.Gif", "d.png", "e.jpeg", "f.gif" })
        PictureFiles::WriteBytes(dir.path(), QString::fromLatin1(name), "x");
    const QString patterns = qtFilter.mid(qtFilter.indexOf(u'(') + 1).chopped(1);
    QStringList listed = QDir(dir.path()).entryList(patterns.split(u' '), QDir::Files | QDir::CaseSensitive);
    listed.sort();
    QCOMPARE(listed, (QStringList { "B.JPG", "a.jpg", "c.Gif", "f.gif" }));
}

QTEST_MAIN(TestImageSelection)
#include "tst_imageselection.moc"
