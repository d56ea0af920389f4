#include "controls/Check.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QtTest>

class tst_Check : public QObject
{
    Q_OBJECT

private slots:
    void imagesAreThere();
    void valueChangesOnPressClickFollowsOnRelease();
    void valueFromCodeRaisesNothing();
    void otherButtonsDoNothing_data();
    void otherButtonsDoNothing();
    void disabledIgnoresClicksAndShowsItsValue();
    void spaceTogglesAndClicks();
    void boxGrowsWithALargeFont();
};

void tst_Check::imagesAreThere()
{
    Check box; // registers the pictures
    for (int i = 0; i <= static_cast<int>(Check::Image::DisabledNoValue); ++i) {
        const QImage image(Check::ImagePath(static_cast<Check::Image>(i)));
        QCOMPARE(image.size(), QSize(Check::BoxSize, Check::BoxSize));
    }
}

void tst_Check::valueChangesOnPressClickFollowsOnRelease()
{
    Check box;
    bool valueSeenByClick = false;
    QSignalSpy clicks(&box, &Check::Click);
    QSignalSpy downs(&box, &Check::MouseDown);
    connect(&box, &Check::Click, &box, [&] { valueSeenByClick = box.Value(); });

    QTest::mousePress(&box, Qt::LeftButton, Qt::NoModifier, QPoint(6, 6));
    QVERIFY(box.Value());
    QCOMPARE(box.shownImage(), Check::Image::PushedNoValue); // the press shows the value it started from
    QCOMPARE(downs.count(), 1);
    QCOMPARE(clicks.count(), 0);

    QTest::mouseRelease(&box, Qt::LeftButton, Qt::NoModifier, QPoint(6, 6));
    QCOMPARE(clicks.count(), 1);
    QVERIFY(valueSeenByClick);

    QTest::mouseClick(&box, Qt::LeftButton, Qt::NoModifier, QPoint(6, 6));
    QVERIFY(!box.Value());
    QCOMPARE(clicks.count(), 2);
}

void tst_Check::valueFromCodeRaisesNothing()
{
    Check box;
    QSignalSpy clicks(&box, &Check::Click);
    box.setValue(true);
    QCOMPARE(box.shownImage(), Check::Image::IdleChecked);
    box.setValue(false);
    QCOMPARE(box.shownImage(), Check::Image::IdleNoValue);
    QCOMPARE(clicks.count(), 0);
}

void tst_Check::otherButtonsDoNothing_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("right") << Qt::RightButton;
    QTest::newRow("middle") << Qt::MiddleButton;
}

void tst_Check::otherButtonsDoNothing()
{
    QFETCH(Qt::MouseButton, button);
    Check box;
    QSignalSpy clicks(&box, &Check::Click);
    QTest::mouseClick(&box, button, Qt::NoModifier, QPoint(6, 6));
    QVERIFY(!box.Value());
    QCOMPARE(clicks.count(), 0);
}

void tst_Check::disabledIgnoresClicksAndShowsItsValue()
{
    Check box;
    box.setValue(true);
    box.setEnabled(false);
    QCOMPARE(box.shownImage(), Check::Image::DisabledChecked);
    QSignalSpy clicks(&box, &Check::Click);
    QTest::mouseClick(&box, Qt::LeftButton, Qt::NoModifier, QPoint(6, 6));
    QTest::keyClick(&box, Qt::Key_Space);
    QVERIFY(box.Value());
    QCOMPARE(clicks.count(), 0);

    box.setEnabled(true);
    QCOMPARE(box.shownImage(), Check::Image::IdleChecked);

    // Disabled while the mouse or Space holds it down: the press is taken back and nothing follows.
    QTest::mousePress(&box, Qt::LeftButton, Qt::NoModifier, QPoint(6, 6));
    QVERIFY(!box.Value());
    box.setEnabled(false);
    QVERIFY(box.Value());
    QCOMPARE(box.shownImage(), Check::Image::DisabledChecked);
    QTest::mouseRelease(&box, Qt::LeftButton, Qt::NoModifier, QPoint(6, 6));
    box.setEnabled(true);
    QTest::keyPress(&box, Qt::Key_Space);
    box.setEnabled(false);
    QTest::keyRelease(&box, Qt::Key_Space);
    QVERIFY(box.Value());
    QCOMPARE(clicks.count(), 0);
}

void tst_Check::spaceTogglesAndClicks()
{
    Check box;
    QSignalSpy clicks(&box, &Check::Click);
    QTest::keyPress(&box, Qt::Key_Space);
    QVERIFY(box.Value());
    QCOMPARE(clicks.count(), 0);
    QTest::keyRelease(&box, Qt::Key_Space);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(box.shownImage(), Check::Image::IdleChecked);
}

void tst_Check::boxGrowsWithALargeFont()
{
    QWidget window;
    auto* box = new Check(&window);
    QFont font = window.font();
    font.setPixelSize(8);
    window.setFont(font);
    QCOMPARE(box->boxSide(), int(Check::BoxSize));
    font.setPixelSize(40);
    window.setFont(font);
    QVERIFY(box->boxSide() > Check::BoxSize);
    QCOMPARE(box->size(), QSize(box->boxSide() + 2 * Check::FocusMargin, box->boxSide() + 2 * Check::FocusMargin));
}

QTEST_MAIN(tst_Check)
#include "tst_check.moc"
