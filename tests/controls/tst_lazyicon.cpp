#include "controls/Icons.h"
#include "platform/LazyIcon.h"

#include <QPainter>
#include <QtTest>

class TestLazyIcon final : public QObject
{
    Q_OBJECT

private slots:
    // Nothing is drawn until a picture is asked for, then once; the pictures are those of the drawn icon,
    // and the disabled one is still greyed.
    void drawsOnceWhenFirstShown()
    {
        int draws = 0;
        QPixmap red(24, 24);
        red.fill(Qt::red);
        const QIcon icon = LazyIcon::Make(
            [&draws, red] {
                ++draws;
                return QIcon(red);
            },
            24);
        const QIcon copy = icon;
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.actualSize(QSize(16, 16)), QSize(16, 16));
        QCOMPARE(icon.actualSize(QSize(64, 32)), QSize(24, 24));
        QCOMPARE(draws, 0);

        const QImage shown = icon.pixmap(QSize(24, 24)).toImage();
        QCOMPARE(draws, 1);
        QCOMPARE(shown.pixelColor(12, 12), QColor(Qt::red));
        QImage painted(24, 24, QImage::Format_ARGB32_Premultiplied);
        painted.fill(Qt::transparent);
        QPainter painter(&painted);
        copy.paint(&painter, painted.rect());
        painter.end();
        QCOMPARE(painted.pixelColor(12, 12), QColor(Qt::red));
        QVERIFY(icon.pixmap(QSize(24, 24), QIcon::Disabled).toImage().pixelColor(12, 12) != QColor(Qt::red));
        QCOMPARE(draws, 1);
    }

    // The program's line pictures draw something, at the size asked for.
    void programIconsDraw()
    {
        for (const QIcon& icon : { Icons::Copy(), Icons::OpenLink(), Icons::Settings(), Icons::ServerInfo(),
                 Icons::Site(), Icons::ZoomFit(), Icons::ZoomFull() }) {
            const QImage image = icon.pixmap(QSize(20, 20)).toImage();
            QCOMPARE(image.size(), QSize(20, 20));
            bool inked = false;
            for (int y = 0; y < image.height() && !inked; ++y)
                for (int x = 0; x < image.width() && !inked; ++x)
                    inked = qAlpha(image.pixel(x, y)) > 0;
            QVERIFY(inked);
        }
    }
};

QTEST_MAIN(TestLazyIcon)
#include "tst_lazyicon.moc"
