#include "image/PictureFiles.h"
#include "image/ui/ScrollingPic.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace
{

QImage picture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

struct Parts {
    QWidget* imgShow;
    QWidget* picShow;
    QScrollBar* xScroll;
    QScrollBar* yScroll;
};

Parts parts(const ScrollingPic& viewer)
{
    return { viewer.findChild<QWidget*>(QStringLiteral("ImgShow")),
        viewer.findChild<QWidget*>(QStringLiteral("picShow")), viewer.findChild<QScrollBar*>(QStringLiteral("xScroll")),
        viewer.findChild<QScrollBar*>(QStringLiteral("yScroll")) };
}

void send(QWidget* target, QEvent::Type type, QPoint position, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(position), QPointF(target->mapToGlobal(position)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

void drag(QWidget* target, QPoint position)
{
    send(target, QEvent::MouseMove, position, Qt::NoButton, Qt::LeftButton);
}

} // namespace

class TestScrollingPic final : public QObject
{
    Q_OBJECT

private slots:
    void naturalSizeKeepsAspect();
    void placement_data();
    void placement();
    void scrollValueRunsAgainstOffset();
    void dragStep();
    void dragOfFittingPictureDoesNothing();
    void handCursors();
    void fullsizeSwitchesViews();
    void newPictureStartsFittedAtTopLeft();
    void filePictureKeepsOnlyItsPreview();
    void exifOrientationTurnsThePicture();
    void scrollsLikeAnyViewer_data();
    void scrollsLikeAnyViewer();
    void failedLoadKeepsPicture();
    void insideLayoutFollowsLayout();
};

void TestScrollingPic::naturalSizeKeepsAspect()
{
    ScrollingPic viewer;
    QCOMPARE(viewer.size(), QSize(600, 451));
    QCOMPARE(viewer.PicXsize(), 0);
    QCOMPARE(viewer.PicYsize(), 0);
    QVERIFY(!viewer.FullsizeMode());

    // Placed freely in a window, the viewer sets its own height from its width.
    QWidget window;
    auto* placed = new ScrollingPic(&window);
    window.show();
    placed->resize(400, 100);
    QCOMPARE(placed->size(), QSize(400, 301));
}

void TestScrollingPic::placement_data()
{
    QTest::addColumn<QSize>("pictureSize");
    QTest::addColumn<QRect>("fitRect");
    QTest::addColumn<bool>("scrollsAcross");
    QTest::addColumn<bool>("scrollsDown");

    // The viewer is 600 x 451 pixels.
    QTest::newRow("400x300 fits: natural size, centred")
        << QSize(400, 300) << QRect(100, 75, 400, 300) << false << false;
    QTest::newRow("600x451 exactly fills the viewer") << QSize(600, 451) << QRect(0, 0, 600, 451) << false << false;
    QTest::newRow("1600x600 wide: full width, centred vertically")
        << QSize(1600, 600) << QRect(0, 113, 600, 225) << true << true;
    QTest::newRow("900x1200 tall: full height, centred horizontally")
        << QSize(900, 1200) << QRect(131, 0, 338, 451) << true << true;
    QTest::newRow("1600x300 only wider: natural size, centred, cut at both sides")
        << QSize(1600, 300) << QRect(-500, 75, 1600, 300) << true << false;
    QTest::newRow("500x1000 only higher: natural size, centred, cut at top and bottom")
        << QSize(500, 1000) << QRect(50, -274, 500, 1000) << false << true;
}

void TestScrollingPic::placement()
{
    QFETCH(QSize, pictureSize);
    QFETCH(QRect, fitRect);
    QFETCH(bool, scrollsAcross);
    QFETCH(bool, scrollsDown);

    ScrollingPic viewer;
    viewer.show();
    viewer.SetImage(picture(pictureSize.width(), pictureSize.height()));
    const Parts p = parts(viewer);

    QCOMPARE(viewer.PicXsize(), pictureSize.width());
    QCOMPARE(viewer.PicYsize(), pictureSize.height());
    QCOMPARE(p.imgShow->geometry(), fitRect);
    QVERIFY(p.imgShow->isVisible());
    QVERIFY(!p.picShow->isVisible());
    QVERIFY(!p.xScroll->isVisible());
    QVERIFY(!p.yScroll->isVisible());

    viewer.Fullsize(true);
    QCOMPARE(p.xScroll->isVisible(), scrollsAcross);
    QCOMPARE(p.yScroll->isVisible(), scrollsDown);
    // The visible area is the viewer without the scroll bars; the scroll range is what lies beyond it.
    const int viewWidth = 600 - (scrollsDown ? p.yScroll->width() : 0);
    const int viewHeight = 451 - (scrollsAcross ? p.xScroll->height() : 0);
    QCOMPARE(p.xScroll->maximum(), scrollsAcross ? pictureSize.width() - viewWidth : 0);
    QCOMPARE(p.yScroll->maximum(), scrollsDown ? pictureSize.height() - viewHeight : 0);
    QCOMPARE(p.xScroll->value(), p.xScroll->maximum());
    QCOMPARE(p.yScroll->value(), p.yScroll->maximum());
    QCOMPARE(viewer.Offset(), QPoint(0, 0));

    // The full-size view spans the visible area where the picture overflows, and is centred where not.
    const QRect full = p.picShow->geometry();
    QCOMPARE(full.width(), scrollsAcross ? viewWidth : pictureSize.width());
    QCOMPARE(full.height(), scrollsDown ? viewHeight : pictureSize.height());
    QCOMPARE(full.left(), scrollsAcross ? 0 : (viewWidth - pictureSize.width()) / 2);
    QCOMPARE(full.top(), scrollsDown ? 0 : (viewHeight - pictureSize.height()) / 2);
    // Every pixel of the picture can be brought into view.
    QVERIFY(full.width() + p.xScroll->maximum() >= pictureSize.width());
    QVERIFY(full.height() + p.yScroll->maximum() >= pictureSize.height());
}

void TestScrollingPic::scrollValueRunsAgainstOffset()
{
    ScrollingPic viewer;
    viewer.SetImage(picture(2000, 1500));
    viewer.Fullsize(true);
    const Parts p = parts(viewer);

    p.xScroll->setValue(p.xScroll->maximum() - 250);
    p.yScroll->setValue(p.yScroll->maximum() - 40);
    QCOMPARE(viewer.Offset(), QPoint(250, 40));
    p.xScroll->setValue(0);
    QCOMPARE(viewer.Offset().x(), p.xScroll->maximum());
}

void TestScrollingPic::dragStep()
{
    ScrollingPic viewer;
    viewer.show();
    viewer.SetImage(picture(1600, 1200));
    viewer.Fullsize(true);
    const Parts p = parts(viewer);
    const int xMax = p.xScroll->maximum();
    const int yMax = p.yScroll->maximum();
    p.xScroll->setValue(xMax - 100);
    p.yScroll->setValue(yMax - 100);

    send(p.picShow, QEvent::MouseButtonPress, { 50, 50 }, Qt::LeftButton, Qt::LeftButton);
    // Dragging right and down by 30 and 20 moves the values up and the offsets down by as much.
    drag(p.picShow, { 80, 70 });
    QCOMPARE(p.xScroll->value(), xMax - 70);
    QCOMPARE(p.yScroll->value(), yMax - 80);
    QCOMPARE(viewer.Offset(), QPoint(70, 80));

    // A step that would reach the maximum exactly is ignored in that direction only.
    drag(p.picShow, { 150, 75 });
    QCOMPARE(viewer.Offset(), QPoint(70, 75));

    // The position was still taken: the next step counts from it.
    drag(p.picShow, { 100, 75 });
    QCOMPARE(viewer.Offset(), QPoint(120, 75));

    // Moves without the button pressed only follow the mouse.
    send(p.picShow, QEvent::MouseButtonRelease, { 100, 75 }, Qt::LeftButton, Qt::NoButton);
    send(p.picShow, QEvent::MouseMove, { 10, 10 }, Qt::NoButton, Qt::NoButton);
    QCOMPARE(viewer.Offset(), QPoint(120, 75));

    // A move outside the view is not a step.
    drag(p.picShow, { -5, 10 });
    drag(p.picShow, { 20, 10 });
    QCOMPARE(viewer.Offset(), QPoint(110, 75));

    // Dragging to the minimum exactly is ignored as well.
    p.xScroll->setValue(10);
    drag(p.picShow, { 10, 10 });
    QCOMPARE(p.xScroll->value(), 10);
    drag(p.picShow, { 15, 10 });
    QCOMPARE(p.xScroll->value(), 15);
}

void TestScrollingPic::dragOfFittingPictureDoesNothing()
{
    ScrollingPic viewer;
    viewer.show();
    viewer.SetImage(picture(400, 300));
    viewer.Fullsize(true);
    const Parts p = parts(viewer);

    send(p.picShow, QEvent::MouseButtonPress, { 10, 10 }, Qt::LeftButton, Qt::LeftButton);
    drag(p.picShow, { 200, 150 });
    send(p.picShow, QEvent::MouseButtonRelease, { 200, 150 }, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(viewer.Offset(), QPoint(0, 0));
    QCOMPARE(p.xScroll->value(), 0);
    QCOMPARE(p.yScroll->value(), 0);
    QVERIFY(!p.picShow->testAttribute(Qt::WA_SetCursor));
}

void TestScrollingPic::handCursors()
{
    ScrollingPic viewer;
    viewer.show();
    viewer.SetImage(picture(1600, 300));
    viewer.Fullsize(true);
    const Parts p = parts(viewer);

    QCOMPARE(p.picShow->cursor().shape(), Qt::OpenHandCursor);
    send(p.picShow, QEvent::MouseButtonPress, { 10, 10 }, Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(p.picShow->cursor().shape(), Qt::ClosedHandCursor);
    send(p.picShow, QEvent::MouseButtonRelease, { 10, 10 }, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(p.picShow->cursor().shape(), Qt::OpenHandCursor);

    // A picture that fits leaves the ordinary cursor, even after a larger one.
    viewer.SetImage(picture(100, 100));
    viewer.Fullsize(true);
    QVERIFY(!p.picShow->testAttribute(Qt::WA_SetCursor));
    send(p.picShow, QEvent::MouseButtonPress, { 10, 10 }, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(!p.picShow->testAttribute(Qt::WA_SetCursor));
}

void TestScrollingPic::fullsizeSwitchesViews()
{
    ScrollingPic viewer;
    viewer.show();
    viewer.SetImage(picture(1600, 1200));
    const Parts p = parts(viewer);

    viewer.Fullsize(true);
    QVERIFY(viewer.FullsizeMode());
    QVERIFY(p.picShow->isVisible());
    QVERIFY(!p.imgShow->isVisible());
    QVERIFY(p.xScroll->isVisible());
    QVERIFY(p.yScroll->isVisible());

    // The scroll position survives a trip through the fit view.
    p.xScroll->setValue(p.xScroll->maximum() - 300);
    viewer.Fullsize(false);
    QVERIFY(!viewer.FullsizeMode());
    QVERIFY(!p.picShow->isVisible());
    QVERIFY(p.imgShow->isVisible());
    QVERIFY(!p.xScroll->isVisible());
    viewer.Fullsize(true);
    QCOMPARE(viewer.Offset().x(), 300);
}

void TestScrollingPic::newPictureStartsFittedAtTopLeft()
{
    ScrollingPic viewer;
    viewer.SetImage(picture(1600, 1200));
    viewer.Fullsize(true);
    const Parts p = parts(viewer);
    p.xScroll->setValue(5);
    p.yScroll->setValue(5);

    viewer.SetImage(picture(1800, 1300));
    QVERIFY(!viewer.FullsizeMode());
    QCOMPARE(viewer.Offset(), QPoint(0, 0));
    QCOMPARE(p.xScroll->value(), p.xScroll->maximum());
    QCOMPARE(p.yScroll->value(), p.yScroll->maximum());
    QCOMPARE(viewer.PicXsize(), 1800);
}

void TestScrollingPic::filePictureKeepsOnlyItsPreview()
{
    QTemporaryDir dir;
    // A PNG is shown from itself: which file stands for a picture is the caller's choice.
    const QString path = PictureFiles::Write(dir.path(), QStringLiteral("shot.png"), 1600, 1200, "PNG");
    QVERIFY(!PictureFiles::Write(dir.path(), QStringLiteral("shot.bmp"), 20, 20, "BMP").isEmpty());
    ScrollingPic viewer;
    viewer.show();
    QVERIFY(viewer.SetPicture(path));
    QCOMPARE(QSize(viewer.PicXsize(), viewer.PicYsize()), QSize(1600, 1200));
    const QImage shown = viewer.grab().toImage();
    QVERIFY(viewer.FullPicture().isNull());
    // The preview is the picture: its blue frame runs along the fitted view's edge.
    const QRect fit = parts(viewer).imgShow->geometry();
    QVERIFY(qBlue(shown.pixel(fit.center().x(), fit.top())) > 120);

    viewer.Fullsize(true);
    QCOMPARE(viewer.FullPicture().size(), QSize(1600, 1200));
    viewer.Fullsize(false);
    QVERIFY(viewer.FullPicture().isNull());
}

void TestScrollingPic::exifOrientationTurnsThePicture()
{
    QTemporaryDir dir;
    const QString path = PictureFiles::WriteJpeg(dir.path(), QStringLiteral("portrait.jpg"), 64, 48, 6);
    ScrollingPic viewer;
    QVERIFY(viewer.SetPicture(path));
    QCOMPARE(QSize(viewer.PicXsize(), viewer.PicYsize()), QSize(48, 64));
    viewer.Fullsize(true);
    QCOMPARE(viewer.FullPicture().size(), QSize(48, 64));
}

void TestScrollingPic::scrollsLikeAnyViewer_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("down arrow") << "down arrow";
    QTest::newRow("trough below the thumb") << "trough";
    QTest::newRow("Down key") << "key";
    QTest::newRow("wheel over the picture") << "wheel";
    QTest::newRow("wheel over the scroll bar") << "bar wheel";
}

void TestScrollingPic::scrollsLikeAnyViewer()
{
    QFETCH(QString, how);

    ScrollingPic viewer;
    viewer.show();
    viewer.SetImage(picture(2000, 1500));
    viewer.Fullsize(true);
    const Parts p = parts(viewer);
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    const auto wheel = [](QWidget* target, QPoint angle) {
        const QPointF at(target->width() / 2.0, target->height() / 2.0);
        QWheelEvent event(
            at, target->mapToGlobal(at), QPoint(), angle, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(target, &event);
    };
    // Each way of asking for "further down" (and, for the other bar, "further right") moves the view
    // that way.
    const auto forward = [&](QScrollBar* bar, bool across) {
        const int end = across ? bar->width() : bar->height();
        const QPoint nearEnd = across ? QPoint(end - 3, bar->height() / 2) : QPoint(bar->width() / 2, end - 3);
        const QPoint inTrough = across ? QPoint(end * 3 / 4, bar->height() / 2) : QPoint(bar->width() / 2, end * 3 / 4);
        if (how == QLatin1String("down arrow"))
            QTest::mouseClick(bar, Qt::LeftButton, {}, nearEnd);
        else if (how == QLatin1String("trough"))
            QTest::mouseClick(bar, Qt::LeftButton, {}, inTrough);
        else if (how == QLatin1String("key"))
            QTest::keyClick(bar, across ? Qt::Key_Right : Qt::Key_Down);
        else if (how == QLatin1String("wheel"))
            wheel(p.picShow, across ? QPoint(-120, 0) : QPoint(0, -120));
        else
            wheel(bar, QPoint(0, -120));
    };
    forward(p.yScroll, false);
    QVERIFY2(viewer.Offset().y() > 0, qPrintable(how));
    QCOMPARE(viewer.Offset().x(), 0);
    forward(p.xScroll, true);
    QVERIFY2(viewer.Offset().x() > 0, qPrintable(how));

    // Home and End on the keyboard go to the top and the bottom.
    QTest::keyClick(p.yScroll, Qt::Key_End);
    QCOMPARE(viewer.Offset().y(), p.yScroll->maximum());
    QTest::keyClick(p.yScroll, Qt::Key_Home);
    QCOMPARE(viewer.Offset().y(), 0);
}

void TestScrollingPic::failedLoadKeepsPicture()
{
    QTemporaryDir dir;
    const QString good = PictureFiles::Write(dir.path(), QStringLiteral("good.jpg"), 1600, 1200, "JPG");
    const QString bad = PictureFiles::WriteBytes(dir.path(), QStringLiteral("bad.jpg"), "no picture");

    ScrollingPic viewer;
    QVERIFY(viewer.SetPicture(good));
    viewer.Fullsize(true);
    const Parts p = parts(viewer);
    p.xScroll->setValue(p.xScroll->maximum() - 7);

    QVERIFY(!viewer.SetPicture(bad));
    QVERIFY(!viewer.SetPicture(dir.filePath(QStringLiteral("missing.gif"))));
    QCOMPARE(viewer.PicXsize(), 1600);
    QCOMPARE(viewer.PicYsize(), 1200);
    QVERIFY(viewer.FullsizeMode());
    QCOMPARE(viewer.Offset(), QPoint(7, 0));
}

void TestScrollingPic::insideLayoutFollowsLayout()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* viewer = new ScrollingPic;
    layout->addWidget(viewer);
    window.resize(300, 500);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The layout gives the size; the viewer does not fight it.
    const QSize given = viewer->size();
    QCoreApplication::processEvents();
    QCOMPARE(viewer->size(), given);
    QCOMPARE(viewer->heightForWidth(600), 451);
}

QTEST_MAIN(TestScrollingPic)
#include "tst_scrollingpic.moc"
