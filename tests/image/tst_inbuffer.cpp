#include "controls/Check.h"
#include "image/ClipboardPicture.h"
#include "image/ui/ScrollingPic.h"
#include "image/cGdiPlus.h"
#include "image/ui/GetImgSize.h"
#include "image/ui/InBuffer.h"
#include "support/FindControl.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace
{

constexpr int MeasureTimeoutMs = 60000;

// A screenshot-like picture: flat areas, a gradient and some text.
QImage screenshotPicture()
{
    QImage image(200, 120, QImage::Format_RGB32);
    image.fill(QColor(0xee, 0xf0, 0xf4));
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 200, 0);
    gradient.setColorAt(0, QColor(20, 60, 140));
    gradient.setColorAt(1, QColor(200, 220, 250));
    painter.fillRect(0, 0, 200, 24, gradient);
    painter.setPen(Qt::black);
    painter.drawText(10, 60, QStringLiteral("Вставка из буфера"));
    painter.end();
    return image;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<bool> ticks(const InBuffer& window)
{
    return { FindControl<Check>(window, "Check1_0")->Value(),
        FindControl<Check>(window, "Check1_1")->Value(),
        FindControl<Check>(window, "Check1_2")->Value() };
}

// A window over the picture, shown and measured once.
struct Rig {
    QTemporaryDir dir;
    QString temp = dir.filePath(QStringLiteral("tmp"));
    std::unique_ptr<InBuffer> window;
    GetImgSize* isz = nullptr;
    std::unique_ptr<QSignalSpy> measured;

    Rig() { QDir().mkpath(temp); }
    void open(const InBuffer::PictureSource& source = screenshotPicture)
    {
        window = std::make_unique<InBuffer>(temp, source);
        isz = FindControl<GetImgSize>(*window, "ISz");
        measured = std::make_unique<QSignalSpy>(isz, &GetImgSize::Measured);
        window->show();
    }
    bool waitMeasured(int count = 1)
    {
        return QTest::qWaitFor([&] { return measured->count() >= count && !isz->IsMeasuring(); }, MeasureTimeoutMs);
    }
    void chooseQuality(const QString& quality)
    {
        auto* qa = FindControl<QComboBox>(*window, "Qa");
        qa->setCurrentIndex(qa->findText(quality));
        emit qa->activated(qa->currentIndex());
    }
};

} // namespace

class TestInBuffer : public QObject
{
    Q_OBJECT

private slots:
    void windowHasItsControls()
    {
        Rig rig;
        rig.open();
        InBuffer& window = *rig.window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Вставка из буфера"));
        const QList<QPair<const char*, QString>> texts { { "Label1", "Размер при сохранении в разных форматах" },
            { "Label2", "Формат:" }, { "Label3", "JPG" }, { "Label4", "GIF" }, { "Label5", "PNG" },
            { "Label6", "качество JPEG" }, { "XpB1", "OK" }, { "Command3", "Отмена" } };
        for (const auto& [name, text] : texts)
            QCOMPARE(FindControl<QWidget>(window, name)->property("text").toString(), text);
        for (const char* name : { "BG", "Cont", "g_0", "g_1", "g_2", "s_0", "s_1", "s_2", "RI", "zoom1", "zoom2" })
            FindControl<QWidget>(window, name);
        QVERIFY(FindControl<QLabel>(window, "ContImg")->isHidden());
        QCOMPARE(FindControl<QTimer>(window, "Timer1")->interval(), 100);
        auto* qa = FindControl<QComboBox>(window, "Qa");
        QCOMPARE(qa->count(), 18);
        QCOMPARE(qa->currentText(), QStringLiteral("65"));
        QVERIFY(rig.waitMeasured());
    }

    // The capture writes tmp.bmp and the three variants; the bars show their real sizes and the
    // smallest one is chosen and previewed.
    void measuresTheThreeVariantsAndChoosesTheSmallest()
    {
        Rig rig;
        rig.open();
        QVERIFY(rig.waitMeasured());
        InBuffer& window = *rig.window;
        const QStringList paths = window.CandidatePaths();
        const FormatComparison::Sizes sizes = rig.isz->Sizes();
        for (int i = 0; i < 3; ++i)
            QCOMPARE(sizes[std::size_t(i)], QFileInfo(paths.at(i)).size());
        QVERIFY(QFileInfo::exists(rig.temp + QStringLiteral("/tmp.bmp")));
        QCOMPARE(QImage(rig.temp + QStringLiteral("/tmp.bmp")).size(), QSize(200, 120));

        const FormatComparison::Result expected = FormatComparison::Compare(sizes);
        const int chosen = expected.minSize.last() - 1;
        QList<bool> expectedTicks { false, false, false };
        expectedTicks[chosen] = true;
        QCOMPARE(ticks(window), expectedTicks);
        QCOMPARE(FindControl<QComboBox>(window, "Qa")->isEnabled(), chosen == 0);
        for (int i = 0; i < 3; ++i) {
            const QString index = QString::number(i);
            QCOMPARE(window.findChild<QLabel*>(QStringLiteral("s_") + index)->text(), expected.bars[std::size_t(i)].label);
            QCOMPARE(window.findChild<QWidget*>(QStringLiteral("g_") + index)->palette().color(QPalette::Window),
                expected.bars[std::size_t(i)].colour);
        }
        QCOMPARE(FindControl<ScrollingPic>(window, "RI")->PicXsize(), 200);
        QVERIFY(FindControl<QPushButton>(window, "XpB1")->isEnabled());
        // OK is off while the first measuring runs; the focus is on it, the default button, once it is on.
        QCOMPARE(window.focusWidget(), FindControl<QPushButton>(window, "XpB1"));
        FindControl<QPushButton>(window, "XpB1")->click();
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(window.ChosenPath(), paths.at(chosen));
    }

    void quality100After65ChangesOnlyTheJpeg()
    {
        Rig rig;
        rig.open();
        QVERIFY(rig.waitMeasured());
        const QStringList paths = rig.window->CandidatePaths();
        const FormatComparison::Sizes before = rig.isz->Sizes();
        const QByteArray gif = readAll(paths.at(1));
        const QByteArray png = readAll(paths.at(2));
        rig.chooseQuality(QStringLiteral("100"));
        QVERIFY(rig.waitMeasured(2));
        const FormatComparison::Sizes after = rig.isz->Sizes();
        QVERIFY(after[0] > before[0]);
        QCOMPARE(after[1], before[1]);
        QCOMPARE(after[2], before[2]);
        QCOMPARE(readAll(paths.at(1)), gif);
        QCOMPARE(readAll(paths.at(2)), png);
        QCOMPARE(FindControl<QLabel>(*rig.window, "s_0")->text(), FormatComparison::Compare(after).bars[0].label);
    }

    // Choices made while a measurement runs cancel it: only the last one is shown, and the JPEG on
    // disk is the one of that quality.
    void newQualityWhileMeasuringReplacesTheRun()
    {
        Rig rig;
        rig.open();
        QVERIFY(rig.waitMeasured());
        rig.chooseQuality(QStringLiteral("20"));
        rig.chooseQuality(QStringLiteral("90"));
        rig.chooseQuality(QStringLiteral("35"));
        QVERIFY(rig.waitMeasured(2));
        QCOMPARE(rig.measured->count(), 2);
        const QString expected = rig.dir.filePath(QStringLiteral("expected.jpg"));
        QVERIFY(cGdiPlus().PictureBoxToFile(QImage(rig.temp + QStringLiteral("/tmp.bmp")), expected, 35));
        QCOMPARE(readAll(rig.window->CandidatePaths().at(0)), readAll(expected));
        QCOMPARE(rig.isz->Sizes()[0], QFileInfo(expected).size());
    }

    void checkBoxesChooseOneOrNone()
    {
        Rig rig;
        rig.open();
        QVERIFY(rig.waitMeasured());
        InBuffer& window = *rig.window;
        auto* qa = FindControl<QComboBox>(window, "Qa");
        auto* gif = FindControl<Check>(window, "Check1_1");
        auto* zoom1 = FindControl<QPushButton>(window, "zoom1");
        zoom1->click();
        QVERIFY(FindControl<ScrollingPic>(window, "RI")->FullsizeMode());

        QTest::mouseClick(gif, Qt::LeftButton);
        QCOMPARE(ticks(window), QList<bool>({ false, true, false }));
        QVERIFY(!qa->isEnabled());
        QVERIFY(!FindControl<ScrollingPic>(window, "RI")->FullsizeMode());
        QVERIFY(!zoom1->isHidden());

        QTest::mouseClick(gif, Qt::LeftButton);
        QCOMPARE(ticks(window), QList<bool>({ false, false, false }));
        QTest::mouseClick(FindControl<Check>(window, "Check1_0"), Qt::LeftButton);
        QCOMPARE(ticks(window), QList<bool>({ true, false, false }));
        QVERIFY(qa->isEnabled());
        QTest::mouseClick(FindControl<Check>(window, "Check1_0"), Qt::LeftButton);
        QCOMPARE(ticks(window), QList<bool>({ false, false, false }));

        // Space on a focused box chooses it as a click does.
        auto* png = FindControl<Check>(window, "Check1_2");
        png->setFocus();
        QTest::keyClick(png, Qt::Key_Space);
        QCOMPARE(ticks(window), QList<bool>({ false, false, true }));
        QVERIFY(!qa->isEnabled());
        QTest::keyClick(png, Qt::Key_Space);
        FindControl<QPushButton>(window, "XpB1")->click();
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QVERIFY(window.ChosenPath().isEmpty());
    }

    void lastMinSizeWins()
    {
        Rig rig;
        rig.open();
        QVERIFY(rig.waitMeasured());
        emit rig.isz->MinSize(2);
        emit rig.isz->MinSize(3);
        QCOMPARE(ticks(*rig.window), QList<bool>({ false, false, true }));
        QVERIFY(!FindControl<QComboBox>(*rig.window, "Qa")->isEnabled());
    }

    // A variant that cannot be written is shown as failed and cannot be chosen; the others work.
    void unwritableVariantIsShownAndNeverChosen()
    {
        Rig rig;
        QDir().mkpath(rig.temp + QStringLiteral("/tmp.gif"));
        rig.open();
        QVERIFY(rig.waitMeasured());
        InBuffer& window = *rig.window;
        QCOMPARE(rig.isz->Sizes()[1], FormatComparison::Failed);
        QCOMPARE(FindControl<QLabel>(window, "s_1")->text(), FormatComparison::FailedLabel());
        QVERIFY(FindControl<QWidget>(window, "g_1")->isHidden());
        auto* gif = FindControl<Check>(window, "Check1_1");
        QVERIFY(!gif->isEnabled());
        QVERIFY(!gif->Value());
        const QList<bool> before = ticks(window);
        QTest::mouseClick(gif, Qt::LeftButton);
        QCOMPARE(ticks(window), before);
        QVERIFY(rig.isz->Sizes()[0] > 0 && rig.isz->Sizes()[2] > 0);
        QVERIFY(ticks(window).contains(true));
    }

    void noPictureMeasuresNothing()
    {
        Rig rig;
        rig.open([] { return QImage(); });
        QVERIFY(QTest::qWaitFor([&] { return FindControl<QPushButton>(*rig.window, "XpB1")->isEnabled(); }));
        QCOMPARE(rig.measured->count(), 0);
        QVERIFY(!QFile::exists(rig.temp + QStringLiteral("/tmp.bmp")));
        QCOMPARE(ticks(*rig.window), QList<bool>({ false, false, false }));
    }

    // The clipboard may offer a bitmap, only PNG bytes, or file URLs; transparency is laid on white.
    void clipboardForms_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<bool>("hasPicture");
        QTest::newRow("bitmap") << "bitmap" << true;
        QTest::newRow("only image/png") << "png" << true;
        QTest::newRow("file URL of a picture") << "url" << true;
        QTest::newRow("file URL of a text") << "text url" << false;
        QTest::newRow("plain text") << "text" << false;
    }

    void clipboardForms()
    {
        QFETCH(QString, form);
        QFETCH(bool, hasPicture);
        QTemporaryDir dir;
        QImage picture(30, 20, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        picture.setPixelColor(1, 1, QColor(10, 20, 30));
        auto* data = new QMimeData;
        if (form == QLatin1String("bitmap")) {
            data->setImageData(picture);
        } else if (form == QLatin1String("png")) {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            picture.save(&buffer, "PNG");
            data->setData(QStringLiteral("image/png"), png);
        } else if (form == QLatin1String("url")) {
            picture.save(dir.filePath(QStringLiteral("p.png")));
            data->setUrls({ QUrl::fromLocalFile(dir.filePath(QStringLiteral("p.png"))) });
        } else if (form == QLatin1String("text url")) {
            QFile text(dir.filePath(QStringLiteral("t.txt")));
            QVERIFY(text.open(QIODevice::WriteOnly) && text.write("not a picture") > 0);
            text.close();
            data->setUrls({ QUrl::fromLocalFile(text.fileName()) });
        } else {
            data->setText(QStringLiteral("hello"));
        }
        QGuiApplication::clipboard()->setMimeData(data);
        QCOMPARE(ClipboardPicture::ClipboardHasPicture(), hasPicture);
        const QImage read = ClipboardPicture::FromClipboard();
        QCOMPARE(read.isNull(), !hasPicture);
        if (hasPicture) {
            QCOMPARE(read.size(), QSize(30, 20));
            QCOMPARE(QColor(read.pixel(1, 1)), QColor(10, 20, 30));
            QCOMPARE(QColor(read.pixel(10, 10)), QColor(Qt::white));
        }
    }
};

QTEST_MAIN(TestInBuffer)
#include "tst_inbuffer.moc"
