#include "controls/XpB.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

namespace
{

void sendMouse(XpB& button, QEvent::Type type, QPoint pos, Qt::MouseButton changed, Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(pos), QPointF(button.mapToGlobal(pos)), changed, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&button, &event);
}

QImage render(XpB& button)
{
    QImage image(button.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    button.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace

class tst_XpB : public QObject
{
    Q_OBJECT

private slots:
    void mouseClickRules_data();
    void mouseClickRules();
    void spaceClicksWhereverThePointerIs();
    void accessKey_data();
    void accessKey();
    void arrange_data();
    void arrange();
    void transparentColour();
    void xpFaceRunsLightToDarkAndBackWhenPressed();
    void flatStylesLookAlike();
    void sizeFollowsTheFont();
};

// Steps of a left-button gesture: where the pointer goes while the button is held, then where it is let go.
void tst_XpB::mouseClickRules_data()
{
    QTest::addColumn<QList<QPoint>>("moves");
    QTest::addColumn<QPoint>("release");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("clicks");

    QTest::newRow("press and release on the button") << QList<QPoint> {} << QPoint(40, 15) << true << 1;
    QTest::newRow("leave and release outside") << QList<QPoint> { QPoint(300, 15) } << QPoint(300, 15) << true << 0;
    QTest::newRow("leave, come back, release on it")
        << QList<QPoint> { QPoint(300, 15), QPoint(50, 10) } << QPoint(50, 10) << true << 1;
    QTest::newRow("disabled") << QList<QPoint> {} << QPoint(40, 15) << false << 0;
}

void tst_XpB::mouseClickRules()
{
    QFETCH(QList<QPoint>, moves);
    QFETCH(QPoint, release);
    QFETCH(bool, enabled);
    QFETCH(int, clicks);

    XpB button(QStringLiteral("Закачать"));
    button.resize(100, 30);
    button.setEnabled(enabled);
    QSignalSpy clicked(&button, &QAbstractButton::clicked);

    if (enabled) {
        sendMouse(button, QEvent::MouseButtonPress, QPoint(40, 15), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(button.isDown());
        for (const QPoint& pos : moves) {
            sendMouse(button, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
            // Off the button it looks raised again; back on it with the button held it looks pressed.
            QCOMPARE(button.isDown(), button.rect().contains(pos));
        }
        sendMouse(button, QEvent::MouseButtonRelease, release, Qt::LeftButton, Qt::NoButton);
    } else {
        QTest::mouseClick(&button, Qt::LeftButton, Qt::NoModifier, release);
    }
    QCOMPARE(clicked.count(), clicks);
    QVERIFY(!button.isDown());
}

void tst_XpB::spaceClicksWhereverThePointerIs()
{
    QWidget window;
    auto* button = new XpB(QStringLiteral("ОК"), &window);
    window.show();
    button->setFocus();
    QSignalSpy clicked(button, &QAbstractButton::clicked);

    QTest::keyPress(button, Qt::Key_Space);
    QVERIFY(button->isDown());
    QCOMPARE(clicked.count(), 0);
    QTest::keyRelease(button, Qt::Key_Space);
    QCOMPARE(clicked.count(), 1);

    button->setEnabled(false);
    QTest::keyClick(button, Qt::Key_Space);
    QCOMPARE(clicked.count(), 1);
}

void tst_XpB::accessKey_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("clicks");

    QTest::newRow("first letter marked") << QStringLiteral("&Open") << int(Qt::Key_O) << true << true;
    QTest::newRow("letter after a literal ampersand")
        << QStringLiteral("Tom && &Jerry") << int(Qt::Key_J) << true << true;
    QTest::newRow("doubled ampersand marks nothing") << QStringLiteral("A&&B") << int(Qt::Key_B) << true << false;
    QTest::newRow("disabled button") << QStringLiteral("&Open") << int(Qt::Key_O) << false << false;
}

void tst_XpB::accessKey()
{
    QFETCH(QString, caption);
    QFETCH(int, key);
    QFETCH(bool, enabled);
    QFETCH(bool, clicks);

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* button = new XpB(caption, &window);
    layout->addWidget(button);
    button->setEnabled(enabled);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QSignalSpy clicked(button, &QAbstractButton::clicked);

    QTest::keyClick(&window, Qt::Key(key), Qt::AltModifier);
    // The access key presses the button at once and releases it with the click a moment later.
    QCOMPARE(button->isDown(), clicks);
    if (clicks)
        QVERIFY(clicked.wait(5000));
    QCOMPARE(clicked.count(), clicks ? 1 : 0);
}

void tst_XpB::arrange_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QRect>("caption");
    QTest::addColumn<QRect>("picture");

    // A 100 x 50 button: content from (4, 4) to (95, 45); a 40 x 10 caption and a 20 x 20 picture.
    QTest::newRow("picture left") << int(XpB::Left) << QRect(42, 20, 40, 10) << QRect(18, 15, 20, 20);
    QTest::newRow("picture right") << int(XpB::Right) << QRect(18, 20, 40, 10) << QRect(62, 15, 20, 20);
    QTest::newRow("picture above") << int(XpB::Above) << QRect(30, 32, 40, 10) << QRect(40, 8, 20, 20);
    QTest::newRow("picture below") << int(XpB::Below) << QRect(30, 8, 40, 10) << QRect(40, 22, 20, 20);
}

void tst_XpB::arrange()
{
    QFETCH(int, position);
    QFETCH(QRect, caption);
    QFETCH(QRect, picture);

    const XpB::Layout layout = XpB::Arrange(QSize(100, 50), QSize(40, 10), QSize(20, 20), position);
    QCOMPARE(layout.caption, caption);
    QCOMPARE(layout.picture, picture);

    const XpB::Layout alone = XpB::Arrange(QSize(100, 50), QSize(40, 10), QSize(), position);
    QCOMPARE(alone.caption, QRect(30, 20, 40, 10));
    QVERIFY(alone.picture.isNull());
}

void tst_XpB::transparentColour()
{
    QImage bitmap(3, 1, QImage::Format_RGB32);
    bitmap.setPixel(0, 0, qRgb(255, 0, 255));
    bitmap.setPixel(1, 0, qRgb(0, 0, 0));
    bitmap.setPixel(2, 0, qRgb(255, 0, 255));

    const QImage byCorner = XpB::TransparentBitmap(bitmap, std::nullopt);
    QCOMPARE(qAlpha(byCorner.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(byCorner.pixel(2, 0)), 0);
    QCOMPARE(byCorner.pixel(1, 0), qRgb(0, 0, 0));

    const QImage byMask = XpB::TransparentBitmap(bitmap, QColor(Qt::black));
    QCOMPARE(qAlpha(byMask.pixel(1, 0)), 0);
    QCOMPARE(byMask.pixel(0, 0), qRgb(255, 0, 255));
}

void tst_XpB::xpFaceRunsLightToDarkAndBackWhenPressed()
{
    XpB button;
    button.setButtonStyle(XpB::XP);
    button.resize(100, 40);

    const QImage idle = render(button);
    QVERIFY(qGray(idle.pixel(50, 3)) > qGray(idle.pixel(50, 36)));
    QCOMPARE(qAlpha(idle.pixel(0, 0)), 0); // rounded corner

    button.setDown(true);
    const QImage pressed = render(button);
    QVERIFY(qGray(pressed.pixel(50, 3)) < qGray(pressed.pixel(50, 36)));
}

void tst_XpB::flatStylesLookAlike()
{
    XpB one(QStringLiteral("Выход"));
    XpB two(QStringLiteral("Выход"));
    one.setButtonStyle(XpB::Flat);
    two.setButtonStyle(XpB::FlatHover);
    for (XpB* button : { &one, &two })
        button->resize(100, 30);
    QCOMPARE(render(one), render(two));

    for (XpB* button : { &one, &two }) {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QCoreApplication::sendEvent(button, &enter);
        QVERIFY(button->isHovered());
    }
    QCOMPARE(render(one), render(two));
}

void tst_XpB::sizeFollowsTheFont()
{
    XpB button(QStringLiteral("Получить из настроек системы"));
    for (int points : { 8, 14, 28 }) {
        QFont font = button.font();
        font.setPointSize(points);
        button.setFont(font);
        const QFontMetrics metrics(font);
        const QSize hint = button.sizeHint();
        QVERIFY(hint.width() >= metrics.horizontalAdvance(button.text()) + 2 * XpB::ContentInset);
        QVERIFY(hint.height() >= metrics.height() + 2 * XpB::ContentInset);
    }
}

QTEST_MAIN(tst_XpB)
#include "tst_xpb.moc"
