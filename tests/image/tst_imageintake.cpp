#include "image/PictureFiles.h"
#include "image/ui/CommonDialog.h"
#include "image/ui/IMGinfo.h"
#include "image/ui/ImageIntake.h"
#include "image/ui/ScrollingPic.h"
#include "support/MessageRecorder.h"
#include "support/TempProgramFolder.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>

// A button that, like the program's own push button, has an EnabledCtrl property of its own.
class PropertyButton final : public QPushButton
{
    Q_OBJECT
    Q_PROPERTY(bool EnabledCtrl READ EnabledCtrl WRITE SetEnabledCtrl)

public:
    using QPushButton::QPushButton;
    bool EnabledCtrl() const { return m_enabledCtrl; }
    void SetEnabledCtrl(bool enabled)
    {
        m_enabledCtrl = enabled;
        setEnabled(enabled);
    }

private:
    bool m_enabledCtrl = true;
};

namespace
{

// The main window's image area with its designer captions.
struct Window {
    QWidget window;
    ScrollingPic* RI = new ScrollingPic(&window);
    QLabel* st = new QLabel(QStringLiteral("Готов"), &window);
    QLabel* Ftype = new QLabel(QStringLiteral("---"), &window);
    QLabel* RiL = new QLabel(QStringLiteral("Размер:"), &window);
    QLabel* SiL = new QLabel(QStringLiteral("Вес:"), &window);
    QComboBox* Servers = new QComboBox(&window);
    QPushButton* Copy_to = new QPushButton(&window);
    QPushButton* OpenTB = new QPushButton(&window);
    QPushButton* Command1 = new QPushButton(QStringLiteral("Открыть файл"), &window);
    QPushButton* zoom1 = new QPushButton(&window);
    QPushButton* zoom2 = new QPushButton(&window);
    QPushButton* OKupl = new QPushButton(&window);
    QPushButton* NoUpl = new QPushButton(&window);
    PropertyButton* Command2 = new PropertyButton(QStringLiteral("Закачать"), &window);
    ImageIntake* intake = nullptr;

    explicit Window(const QString& programFolder)
    {
        Servers->setEnabled(false);
        intake = new ImageIntake(programFolder,
            { .RI = RI,
                .st = st,
                .Ftype = Ftype,
                .RiL = RiL,
                .SiL = SiL,
                .Servers = Servers,
                .Copy_to = Copy_to,
                .OpenTB = OpenTB,
                .Command1 = Command1,
                .zoom1 = zoom1,
                .zoom2 = zoom2,
                .OKupl = OKupl,
                .NoUpl = NoUpl,
                .Command2 = Command2 },
            &window);
    }

    // Everything the image area shows, to compare before and after.
    QStringList State() const
    {
        const auto values = intake->Values();
        return { st->text(), Ftype->text(), RiL->text(), SiL->text(), values.CurrentImagePath,
            QString::number(values.CurrentImageSize), QString::number(values.CurrentImageWidth),
            QString::number(values.CurrentImageHeight), QString::number(RI->PicXsize()),
            QString::number(RI->PicYsize()), QString::number(RI->FullsizeMode()), QString::number(Servers->isEnabled()),
            QString::number(Copy_to->isHidden()), QString::number(OpenTB->isHidden()),
            QString::number(zoom1->isHidden()), QString::number(zoom2->isHidden()) };
    }
};

// Answers the open dialog in place of the user, remembering what it was asked.
class DialogAnswers final
{
public:
    DialogAnswers()
    {
        CommonDialog::SetOpenFileHook([this](const CommonDialog::OpenFileRequest& request) {
            requests.append(request);
            return answers.isEmpty() ? QString() : answers.takeFirst();
        });
    }
    ~DialogAnswers() { CommonDialog::SetOpenFileHook({}); }
    DialogAnswers(const DialogAnswers&) = delete;
    DialogAnswers& operator=(const DialogAnswers&) = delete;

    QStringList answers;
    QList<CommonDialog::OpenFileRequest> requests;
};

// Runs the action, which opens a modal window; the window's state is read and it is closed with "ОК".
struct SeenInfo {
    bool found = false;
    QString label;
    bool image1 = false;
    bool image2 = false;
};

SeenInfo runAndCloseInfo(const std::function<void()>& action)
{
    SeenInfo seen;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* info = qobject_cast<IMGinfo*>(QApplication::activeModalWidget());
        if (!info || !info->isVisible())
            return;
        poll.stop();
        seen.found = true;
        seen.label = info->findChild<QLabel*>(QStringLiteral("Label1"))->text();
        seen.image1 = info->findChild<QLabel*>(QStringLiteral("Image1"))->isVisible();
        seen.image2 = info->findChild<QLabel*>(QStringLiteral("Image2"))->isVisible();
        info->findChild<QPushButton*>(QStringLiteral("XpB1"))->click();
    });
    poll.start();
    action();
    return seen;
}

} // namespace

class TestImageIntake final : public QObject
{
    Q_OBJECT

private slots:
    void openShowsAndDescribes();
    void zoomButtons();
    void newImageAfterFullsizeIsFitted();
    void failedLoadKeepsEverything_data();
    void failedLoadKeepsEverything();
    void failedFirstLoadLeavesDesignerState();
    void chooseFileRemembersLastDir();
    void cancelledDialogChangesNothing();
    void chosenFileThatFailsStillBecomesLastDir();
    void limitsIndicators_data();
    void limitsIndicators();
    void newImageRechecksLimits();
    void largePhotoOpens();
    void strayBmpOutsideTmpIsIgnored();
    void indicatorOpensInfoForCurrentImage();

private:
    static QString bmp(const TempProgramFolder& folder, const QString& name, int width, int height)
    {
        return PictureFiles::Write(folder.path(), name, width, height, "BMP");
    }
};

void TestImageIntake::openShowsAndDescribes()
{
    TempProgramFolder folder;
    Window w(folder.path());
    const QString path = bmp(folder, QStringLiteral("tmp/clip.bmp"), 800, 600);
    QSignalSpy opened(w.intake, &ImageIntake::ImageOpened);

    QVERIFY(w.intake->OpenImgFile(path));
    const qint64 bytes = QFileInfo(path).size();
    QCOMPARE(w.st->text(), path);
    QCOMPARE(w.Ftype->text(), QStringLiteral("PNG"));
    QCOMPARE(w.RiL->text(), QStringLiteral("Размер: 800 x 600"));
    QCOMPARE(w.SiL->text(), ImageSelection::WeightText(bytes));
    QCOMPARE(w.intake->CurrentImagePath(), path);
    QCOMPARE(w.intake->Values().CurrentImageSize, qint32(bytes));
    QCOMPARE(w.intake->Values().CurrentImageWidth, 800);
    QCOMPARE(w.intake->Values().CurrentImageHeight, 600);
    QCOMPARE(w.RI->PicXsize(), 800);
    QCOMPARE(w.RI->PicYsize(), 600);
    QVERIFY(w.Servers->isEnabled());
    QVERIFY(w.Copy_to->isHidden());
    QVERIFY(w.OpenTB->isHidden());
    QVERIFY(!w.zoom1->isHidden());
    QVERIFY(w.zoom2->isHidden());
    QCOMPARE(opened.count(), 1);
    QCOMPARE(opened.at(0).at(0).toString(), path);
}

void TestImageIntake::zoomButtons()
{
    TempProgramFolder folder;
    Window w(folder.path());
    QVERIFY(!w.zoom1->isHidden());
    QVERIFY(w.zoom2->isHidden());
    QVERIFY(w.intake->OpenImgFile(bmp(folder, QStringLiteral("a.bmp"), 1000, 900)));

    w.zoom1->click();
    QVERIFY(w.RI->FullsizeMode());
    QVERIFY(w.zoom1->isHidden());
    QVERIFY(!w.zoom2->isHidden());

    w.zoom2->click();
    QVERIFY(!w.RI->FullsizeMode());
    QVERIFY(!w.zoom1->isHidden());
    QVERIFY(w.zoom2->isHidden());
}

void TestImageIntake::newImageAfterFullsizeIsFitted()
{
    TempProgramFolder folder;
    Window w(folder.path());
    QVERIFY(w.intake->OpenImgFile(bmp(folder, QStringLiteral("a.bmp"), 1000, 900)));
    w.zoom1->click();
    QVERIFY(w.RI->FullsizeMode());

    QVERIFY(w.intake->OpenImgFile(bmp(folder, QStringLiteral("b.bmp"), 1200, 700)));
    QVERIFY(!w.RI->FullsizeMode());
    QVERIFY(!w.zoom1->isHidden());
    QVERIFY(w.zoom2->isHidden());
}

void TestImageIntake::failedLoadKeepsEverything_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing file") << QStringLiteral("missing");
    QTest::newRow("not a picture") << QStringLiteral("text");
    QTest::newRow("empty path") << QStringLiteral("empty");
}

void TestImageIntake::failedLoadKeepsEverything()
{
    QFETCH(QString, kind);

    TempProgramFolder folder;
    Window w(folder.path());
    QVERIFY(w.intake->OpenImgFile(bmp(folder, QStringLiteral("good.bmp"), 1000, 900)));
    w.zoom1->click();
    // The link buttons came back after an upload; a failed choice must not hide them.
    w.Copy_to->show();
    w.OpenTB->show();
    const QStringList before = w.State();

    QString bad;
    if (kind == QLatin1String("missing"))
        bad = folder.filePath(QStringLiteral("nowhere.jpg"));
    else if (kind == QLatin1String("text"))
        bad = PictureFiles::WriteBytes(folder.path(), QStringLiteral("text.gif"), "GIF? no");

    MessageRecorder messages;
    QSignalSpy opened(w.intake, &ImageIntake::ImageOpened);
    const bool result = w.intake->OpenImgFile(bad);

    QVERIFY(!result);
    QCOMPARE(w.State(), before);
    QCOMPARE(opened.count(), 0);
    QCOMPARE(messages.messages().size(), 1);
    const Platform::MessageRecord message = messages.messages().first();
    QCOMPARE(message.icon, Platform::MessageIcon::Error);
    QCOMPARE(message.title, QStringLiteral("Ошибка"));
    QVERIFY(message.text.contains(bad));
}

void TestImageIntake::failedFirstLoadLeavesDesignerState()
{
    TempProgramFolder folder;
    Window w(folder.path());
    const QStringList before = w.State();
    MessageRecorder messages;
    QVERIFY(!w.intake->OpenImgFile(folder.filePath(QStringLiteral("missing.jpg"))));
    QCOMPARE(w.State(), before);
    QVERIFY(!w.Servers->isEnabled());
    QCOMPARE(w.st->text(), QStringLiteral("Готов"));
    QCOMPARE(messages.messages().size(), 1);
}

void TestImageIntake::chooseFileRemembersLastDir()
{
    TempProgramFolder folder;
    Window w(folder.path());
    const QString first = bmp(folder, QStringLiteral("pics/first.bmp"), 100, 80);
    const QString second = bmp(folder, QStringLiteral("other/second.bmp"), 90, 70);
    DialogAnswers dialog;
    // The system dialog's answer may carry the NUL that ended its buffer.
    dialog.answers = { first + QChar(u'\0'), second };

    w.Command1->click();
    QCOMPARE(dialog.requests.size(), 1);
    const auto& request = dialog.requests.first();
    QCOMPARE(request.title, QStringLiteral("Выберите файл изображения для закачки"));
    QCOMPARE(request.filter, QStringLiteral("*.jpg, *.gif") + QChar(u'\0') + QStringLiteral("*.jpg;*.gif"));
    QCOMPARE(request.owner, &w.window);
    QCOMPARE(request.initialDir, QString());
    QCOMPARE(w.intake->CurrentImagePath(), first);
    QCOMPARE(w.st->text(), first);
    QCOMPARE(ImageSelection::ReadLastDir(folder.path()), first);

    // The second time the dialog starts at the full path of the file chosen the first time.
    w.Command1->click();
    QCOMPARE(dialog.requests.size(), 2);
    QCOMPARE(dialog.requests.at(1).initialDir, first);
    QCOMPARE(w.intake->CurrentImagePath(), second);
    QCOMPARE(ImageSelection::ReadLastDir(folder.path()), second);
    QVERIFY(folder.readFile(QStringLiteral("options.ini")).contains("\r\n"));
}

void TestImageIntake::cancelledDialogChangesNothing()
{
    TempProgramFolder folder;
    Window w(folder.path());
    const QString first = bmp(folder, QStringLiteral("first.bmp"), 100, 80);
    DialogAnswers dialog;
    dialog.answers = { first };
    w.Command1->click();
    const QStringList before = w.State();
    const QByteArray options = folder.readFile(QStringLiteral("options.ini"));

    dialog.answers = { QString() };
    MessageRecorder messages;
    w.Command1->click();
    QCOMPARE(dialog.requests.size(), 2);
    QCOMPARE(w.State(), before);
    QCOMPARE(folder.readFile(QStringLiteral("options.ini")), options);
    QVERIFY(messages.messages().isEmpty());

    // A cancelled first dialog does not even create the settings entry.
    TempProgramFolder fresh;
    Window other(fresh.path());
    dialog.answers = { QString() };
    other.Command1->click();
    QCOMPARE(ImageSelection::ReadLastDir(fresh.path()), QString());
    QVERIFY(other.intake->CurrentImagePath().isEmpty());
}

void TestImageIntake::chosenFileThatFailsStillBecomesLastDir()
{
    TempProgramFolder folder;
    Window w(folder.path());
    const QString good = bmp(folder, QStringLiteral("good.bmp"), 100, 80);
    QVERIFY(w.intake->OpenImgFile(good));
    const QString typed = folder.filePath(QStringLiteral("typed/nothing.jpg"));
    DialogAnswers dialog;
    dialog.answers = { typed };
    MessageRecorder messages;

    w.Command1->click();
    QCOMPARE(messages.messages().size(), 1);
    QCOMPARE(w.intake->CurrentImagePath(), good);
    QCOMPARE(ImageSelection::ReadLastDir(folder.path()), typed);
}

void TestImageIntake::limitsIndicators_data()
{
    QTest::addColumn<qint16>("maxWidth");
    QTest::addColumn<qint16>("maxHeight");
    QTest::addColumn<int>("sizeMargin"); // the size limit is the file's size plus this; -1: no limit
    QTest::addColumn<bool>("fits");

    QTest::newRow("exactly the limits") << qint16(800) << qint16(600) << 0 << true;
    QTest::newRow("only the size exceeded") << qint16(800) << qint16(600) << -1 << false;
    QTest::newRow("only the width exceeded") << qint16(799) << qint16(600) << 100 << false;
    QTest::newRow("no limits at all") << qint16(0) << qint16(0) << -2 << true;
    QTest::newRow("negative limit") << qint16(-1) << qint16(0) << -2 << false;
}

void TestImageIntake::limitsIndicators()
{
    QFETCH(qint16, maxWidth);
    QFETCH(qint16, maxHeight);
    QFETCH(int, sizeMargin);
    QFETCH(bool, fits);

    TempProgramFolder folder;
    Window w(folder.path());
    const QString path = bmp(folder, QStringLiteral("a.bmp"), 800, 600);
    QVERIFY(w.intake->OpenImgFile(path));
    const qint32 bytes = qint32(QFileInfo(path).size());
    const qint32 maxSize = sizeMargin == -2 ? 0 : bytes + sizeMargin;

    const QString verdict = w.intake->CheckServerLimits({ maxWidth, maxHeight, maxSize });
    QCOMPARE(ImageLimits::IsAcceptable(verdict), fits);
    QCOMPARE(!w.OKupl->isHidden(), fits);
    QCOMPARE(!w.NoUpl->isHidden(), !fits);
    QCOMPARE(w.Command2->EnabledCtrl(), fits);
    QCOMPARE(w.Command2->isEnabled(), fits);
    if (sizeMargin == -1)
        QCOMPARE(verdict, QStringLiteral("Размер файла изображения превышает ") + QString::number(maxSize) + "\r\n");

    // Selecting a service that fits afterwards turns everything back.
    w.intake->CheckServerLimits({});
    QVERIFY(!w.OKupl->isHidden());
    QVERIFY(w.NoUpl->isHidden());
    QVERIFY(w.Command2->EnabledCtrl());
}

void TestImageIntake::newImageRechecksLimits()
{
    TempProgramFolder folder;
    Window w(folder.path());
    QVERIFY(w.intake->OpenImgFile(bmp(folder, QStringLiteral("small.bmp"), 100, 100)));
    w.intake->CheckServerLimits({ 200, 200, 0 });
    QVERIFY(!w.OKupl->isHidden());

    // The service stays selected; the new picture is checked against it at once.
    QVERIFY(w.intake->OpenImgFile(bmp(folder, QStringLiteral("large.bmp"), 300, 100)));
    QVERIFY(w.OKupl->isHidden());
    QVERIFY(!w.NoUpl->isHidden());
    QVERIFY(!w.Command2->EnabledCtrl());

    QVERIFY(w.intake->OpenImgFile(bmp(folder, QStringLiteral("small2.bmp"), 50, 50)));
    QVERIFY(!w.OKupl->isHidden());
    QVERIFY(w.Command2->EnabledCtrl());
}

void TestImageIntake::largePhotoOpens()
{
    TempProgramFolder folder;
    Window w(folder.path());
    w.window.show();
    const QString path = PictureFiles::WriteJpeg(folder.path(), QStringLiteral("48mp.jpg"), 8000, 6000);
    QVERIFY(!path.isEmpty());
    MessageRecorder messages;
    QVERIFY(w.intake->OpenImgFile(path));
    QVERIFY(messages.messages().isEmpty());
    QCOMPARE(w.RiL->text(), QStringLiteral("Размер: 8000 x 6000"));
    // Shown fitted from a preview decoded at the viewer's size; the full size only on request.
    w.window.grab();
    QVERIFY(w.RI->FullPicture().isNull());
    w.zoom1->click();
    QCOMPARE(w.RI->FullPicture().size(), QSize(8000, 6000));
    w.zoom2->click();
    QVERIFY(w.RI->FullPicture().isNull());
}

void TestImageIntake::strayBmpOutsideTmpIsIgnored()
{
    TempProgramFolder folder;
    Window w(folder.path());
    const QString png = PictureFiles::Write(folder.path(), QStringLiteral("pics/photo.png"), 400, 300, "PNG");
    QVERIFY(!PictureFiles::Write(folder.path(), QStringLiteral("pics/photo.bmp"), 4000, 3000, "BMP").isEmpty());
    QVERIFY(w.intake->OpenImgFile(png));
    QCOMPARE(w.RiL->text(), QStringLiteral("Размер: 400 x 300"));
    QCOMPARE(w.intake->Values().CurrentImageWidth, 400);
    QCOMPARE(w.RI->PicXsize(), 400);
    QCOMPARE(w.intake->CheckServerLimits({ 800, 600, 0 }), ImageLimits::AcceptanceMessage());

    // The clipboard's picture in tmp is still shown from its twin.
    const QString clip = PictureFiles::Write(folder.path(), QStringLiteral("tmp/clip.png"), 40, 30, "PNG");
    QVERIFY(!PictureFiles::Write(folder.path(), QStringLiteral("tmp/clip.bmp"), 40, 30, "BMP").isEmpty());
    QVERIFY(w.intake->OpenImgFile(clip));
    QCOMPARE(w.RI->PicXsize(), 40);
}

void TestImageIntake::indicatorOpensInfoForCurrentImage()
{
    TempProgramFolder folder;
    Window w(folder.path());
    w.window.show();
    QVERIFY(w.intake->OpenImgFile(bmp(folder, QStringLiteral("small.bmp"), 100, 100)));
    w.intake->CheckServerLimits({ 200, 200, 0 });

    const SeenInfo fits = runAndCloseInfo([&] { w.OKupl->click(); });
    QVERIFY(fits.found);
    QCOMPARE(fits.label, ImageLimits::AcceptanceMessage());
    QVERIFY(fits.image1);
    QVERIFY(!fits.image2);

    // The window judges the image on show now, while the indicator keeps the last selection's state.
    QVERIFY(w.intake->OpenImgFile(bmp(folder, QStringLiteral("large.bmp"), 300, 100)));
    const SeenInfo exceeds = runAndCloseInfo([&] { w.OKupl->click(); });
    QVERIFY(exceeds.found);
    QCOMPARE(exceeds.label, QStringLiteral("Ширина изображения превышает 200"));
    QVERIFY(!exceeds.image1);
    QVERIFY(exceeds.image2);

    w.intake->CheckServerLimits({ 200, 200, 0 });
    const SeenInfo fromNoUpl = runAndCloseInfo([&] { w.NoUpl->click(); });
    QVERIFY(fromNoUpl.found);
    QVERIFY(fromNoUpl.image2);
}

QTEST_MAIN(TestImageIntake)
#include "tst_imageintake.moc"
