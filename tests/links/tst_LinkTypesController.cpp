#include "controls/Check.h"
#include "links/LinkTypes.h"
#include "links/ui/EditLinkTypes.h"
#include "links/ui/LinkTypesController.h"
#include "platform/Shell.h"
#include "support/TempProgramFolder.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <memory>

namespace
{

const QString ImageA = QStringLiteral("http://h/a.jpg");
const QString PreviewB = QStringLiteral("http://h/b.jpg");

// The main window's link controls, with a controller bound to them.
struct Window {
    explicit Window(const QString& folder)
    {
        linksType = new QComboBox(&widget);
        linksType->setObjectName(QStringLiteral("LinksType"));
        text1 = new QLineEdit(&widget);
        text1->setObjectName(QStringLiteral("Text1"));
        text1->setGeometry(0, 40, 300, 24);
        copyTo = new QToolButton(&widget);
        copyTo->setObjectName(QStringLiteral("Copy_to"));
        openTB = new QToolButton(&widget);
        openTB->setObjectName(QStringLiteral("OpenTB"));
        controller = new LinkTypesController(folder, linksType, text1, copyTo, openTB, &widget);
    }

    QStringList entries() const
    {
        QStringList result;
        for (int i = 0; i < linksType->count(); ++i)
            result.append(linksType->itemText(i));
        return result;
    }

    QWidget widget;
    QComboBox* linksType;
    QLineEdit* text1;
    QToolButton* copyTo;
    QToolButton* openTB;
    LinkTypesController* controller;
};

QByteArray threeTypesSecondOff()
{
    return "[Type1]\r\nEnabled=True\r\nTitle=One\r\nLink=1:IMGLINK\r\n"
           "[Type2]\r\nEnabled=False\r\nTitle=Two\r\nLink=2:IMGLINK\r\n"
           "[Type3]\r\nEnabled=True\r\nTitle=Three\r\nLink=3:IMGLINK:THLINK\r\n";
}

} // namespace

class tst_LinkTypesController : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void startupSelectsStoredPosition_data();
    void startupSelectsStoredPosition();
    void entryStandsForEnabledSlot();
    void switchingReformatsWithoutUpload();
    void uploadEndWithoutLinkLeavesText();
    void editEntryClearsSelectionAndOpensEditor();
    void editorConfirmationRebuildsSelector();
    void wheelNeedsFocus();
    void buttonsFollowLinkText_data();
    void buttonsFollowLinkText();
    void sameLinkAfterNewImageShowsButtons();
    void clickSelectsWholeText();
    void copyAndOpenButtons();
    void commandLineFollowUp();
    void boundValuesReceiveThePreviewLink();

private:
    // Runs `action` on the editor window as soon as a modal exec shows it.
    void whenEditorShows(std::function<void(EditLinkTypes*)> action);

    std::unique_ptr<QTimer> m_poll;
};

void tst_LinkTypesController::cleanup()
{
    m_poll.reset();
    Platform::SetOpenHook({});
}

void tst_LinkTypesController::whenEditorShows(std::function<void(EditLinkTypes*)> action)
{
    m_poll = std::make_unique<QTimer>();
    m_poll->setInterval(10);
    connect(m_poll.get(), &QTimer::timeout, this, [this, action] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* editor = qobject_cast<EditLinkTypes*>(widget);
            if (editor && editor->isVisible()) {
                m_poll->stop();
                action(editor);
                return;
            }
        }
    });
    m_poll->start();
}

void tst_LinkTypesController::startupSelectsStoredPosition_data()
{
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<int>("expected");

    QTest::newRow("no options file") << QByteArray() << 0;
    QTest::newRow("stored position") << QByteArray("[Main]\r\nLinksType=4\r\n") << 4;
    QTest::newRow("stored none") << QByteArray("[Main]\r\nLinksType=-1\r\n") << 0;
    QTest::newRow("stored edit entry") << QByteArray("[Main]\r\nLinksType=6\r\n") << 0;
    QTest::newRow("stored past the end") << QByteArray("[Main]\r\nLinksType=12\r\n") << 0;
}

void tst_LinkTypesController::startupSelectsStoredPosition()
{
    QFETCH(QByteArray, options);
    QFETCH(int, expected);

    TempProgramFolder folder;
    if (!options.isEmpty())
        folder.writeFile(QStringLiteral("options.ini"), options);
    Window window(folder.path());
    bool editorOpened = false;
    whenEditorShows([&](EditLinkTypes* editor) {
        editorOpened = true;
        editor->reject();
    });

    window.controller->Startup();

    QCOMPARE(window.linksType->count(), 7);
    QCOMPARE(window.linksType->currentIndex(), expected);
    QCOMPARE(LinkTypes::ReadStoredPosition(folder.path()), expected);
    QVERIFY(window.text1->text().isEmpty());
    QVERIFY(QFileInfo::exists(folder.filePath(QStringLiteral("linkTypes.ini"))));
    QCoreApplication::processEvents();
    QVERIFY(!editorOpened);
}

void tst_LinkTypesController::entryStandsForEnabledSlot()
{
    TempProgramFolder folder;
    folder.writeFile(QStringLiteral("linkTypes.ini"), threeTypesSecondOff());
    Window window(folder.path());
    window.controller->Startup();
    QCOMPARE(window.entries(), QStringList({ "One", "Three", LinkTypes::EditListEntry() }));

    window.controller->setLinkValues(ImageA, PreviewB);
    window.linksType->setCurrentIndex(1);
    QCOMPARE(window.text1->text(), QStringLiteral("3:http://h/a.jpg:http://h/b.jpg"));
    QCOMPARE(LinkTypes::ReadStoredPosition(folder.path()), 1);
}

void tst_LinkTypesController::switchingReformatsWithoutUpload()
{
    TempProgramFolder folder;
    Window window(folder.path());
    window.controller->Startup();
    window.controller->setLinkValues(ImageA, QString());
    window.controller->FormatLink(); // the end of an upload
    QCOMPARE(window.text1->text(), ImageA);

    window.linksType->setCurrentIndex(4);
    QCOMPARE(window.text1->text(), QStringLiteral("[img]http://h/a.jpg[/img]"));
    window.linksType->setCurrentIndex(3);
    QCOMPARE(window.text1->text(), QStringLiteral("<a href=\"http://h/a.jpg\"><img src=\"http://h/a.jpg\"></a>"));
    QCOMPARE(window.controller->previewLink(), ImageA);
}

void tst_LinkTypesController::uploadEndWithoutLinkLeavesText()
{
    TempProgramFolder folder;
    Window window(folder.path());
    window.controller->Startup();
    window.text1->setText(QStringLiteral("earlier"));
    window.controller->setLinkValues(QString(), QString());
    window.controller->FormatLink();
    QCOMPARE(window.text1->text(), QStringLiteral("earlier"));
}

void tst_LinkTypesController::editEntryClearsSelectionAndOpensEditor()
{
    TempProgramFolder folder;
    Window window(folder.path());
    window.controller->Startup();
    window.controller->setLinkValues(ImageA, PreviewB);
    window.controller->FormatLink();
    QCOMPARE(window.text1->text(), ImageA);
    const QByteArray linkTypesBefore = folder.readFile(QStringLiteral("linkTypes.ini"));
    const QStringList entriesBefore = window.entries();

    bool editorOpened = false;
    int storedWhileOpen = 0;
    QString textWhileOpen = QStringLiteral("unset");
    int selectionWhileOpen = 0;
    whenEditorShows([&](EditLinkTypes* editor) {
        editorOpened = true;
        storedWhileOpen = LinkTypes::ReadStoredPosition(folder.path());
        textWhileOpen = window.text1->text();
        selectionWhileOpen = window.linksType->currentIndex();
        editor->findChild<QPushButton*>(QStringLiteral("Command3"))->click();
    });
    window.linksType->setCurrentIndex(window.linksType->count() - 1);

    QVERIFY(editorOpened);
    QCOMPARE(storedWhileOpen, -1);
    QVERIFY(textWhileOpen.isEmpty());
    QCOMPARE(selectionWhileOpen, -1);
    // Cancelled: the type chosen before is chosen again, stored and formatted.
    QCOMPARE(window.linksType->currentIndex(), 0);
    QCOMPARE(LinkTypes::ReadStoredPosition(folder.path()), 0);
    QCOMPARE(window.text1->text(), ImageA);
    QCOMPARE(window.entries(), entriesBefore);
    QCOMPARE(folder.readFile(QStringLiteral("linkTypes.ini")), linkTypesBefore);
}

void tst_LinkTypesController::editorConfirmationRebuildsSelector()
{
    TempProgramFolder folder;
    Window window(folder.path());
    window.controller->Startup();
    window.controller->setLinkValues(ImageA, PreviewB);

    // The HTML type (slot 3, position 2) is chosen; the editor switches off slot 1 before it.
    window.linksType->setCurrentIndex(2);
    whenEditorShows([](EditLinkTypes* editor) {
        editor->findChild<Check*>(QStringLiteral("EnCheck0"))->setValue(false);
        editor->findChild<QPushButton*>(QStringLiteral("XpB1"))->click();
    });
    window.linksType->setCurrentIndex(window.linksType->count() - 1);

    QCOMPARE(window.linksType->count(), 6);
    QVERIFY(!window.controller->tables().LinkEnabled(1));
    // The same type is chosen again at its new position, stored, and the link formatted with it.
    QCOMPARE(window.linksType->currentIndex(), 1);
    QCOMPARE(LinkTypes::ReadStoredPosition(folder.path()), 1);
    QCOMPARE(window.text1->text(), QStringLiteral("<img src=\"") + ImageA + QStringLiteral("\">"));

    // The chosen type itself switched off: the first one offered is chosen.
    whenEditorShows([](EditLinkTypes* editor) {
        editor->findChild<Check*>(QStringLiteral("EnCheck2"))->setValue(false);
        editor->findChild<QPushButton*>(QStringLiteral("XpB1"))->click();
    });
    window.linksType->setCurrentIndex(window.linksType->count() - 1);
    QCOMPARE(window.linksType->currentIndex(), 0);
    QCOMPARE(window.text1->text(), PreviewB); // slot 2, the preview link
}

void tst_LinkTypesController::wheelNeedsFocus()
{
    TempProgramFolder folder;
    Window window(folder.path());
    window.controller->Startup();
    window.widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window.widget));
    const auto turn = [&window] {
        const QPointF at(5, 5);
        QWheelEvent event(at, window.linksType->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(window.linksType, &event);
    };
    window.linksType->setCurrentIndex(window.linksType->count() - 2);
    window.text1->setFocus();
    bool editorOpened = false;
    whenEditorShows([&editorOpened](EditLinkTypes* editor) {
        editorOpened = true;
        editor->reject();
    });
    turn();
    QCOMPARE(window.linksType->currentIndex(), window.linksType->count() - 2);
    QVERIFY(!editorOpened);
}

void tst_LinkTypesController::buttonsFollowLinkText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("shown");
    QTest::newRow("empty text hides") << QString() << false;
    QTest::newRow("text shows") << QStringLiteral("http://h/a.jpg") << true;
}

void tst_LinkTypesController::buttonsFollowLinkText()
{
    QFETCH(QString, text);
    QFETCH(bool, shown);
    TempProgramFolder folder;
    Window window(folder.path());
    window.text1->setText(QStringLiteral("something else"));
    window.copyTo->setVisible(!shown);
    window.openTB->setVisible(!shown);
    window.text1->setText(text);
    QCOMPARE(!window.copyTo->isHidden(), shown);
    QCOMPARE(!window.openTB->isHidden(), shown);
}

void tst_LinkTypesController::sameLinkAfterNewImageShowsButtons()
{
    // A new image hides the buttons but keeps the text; an upload that brings the very same link back
    // (the same file again, a service that recognises the picture) still ends with both buttons shown.
    TempProgramFolder folder;
    Window window(folder.path());
    window.controller->Startup();
    window.controller->setLinkValues(ImageA, QString());
    window.controller->FormatLink();
    window.copyTo->hide();
    window.openTB->hide();

    window.controller->setLinkValues(ImageA, QString());
    window.controller->FormatLink();
    QCOMPARE(window.text1->text(), ImageA);
    QVERIFY(!window.copyTo->isHidden());
    QVERIFY(!window.openTB->isHidden());
}

void tst_LinkTypesController::clickSelectsWholeText()
{
    TempProgramFolder folder;
    Window window(folder.path());
    window.widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window.widget));
    window.text1->setText(QStringLiteral("[img]http://h/a.jpg[/img]"));
    window.text1->deselect();
    QTest::mouseClick(window.text1, Qt::LeftButton, {}, QPoint(20, 10));
    QCOMPARE(window.text1->selectedText(), window.text1->text());
    QCOMPARE(window.text1->selectionStart(), 0);
}

void tst_LinkTypesController::copyAndOpenButtons()
{
    TempProgramFolder folder;
    Window window(folder.path());
    window.text1->setText(QStringLiteral("http://h/a.jpg"));
    QStringList opened;
    Platform::SetOpenHook([&](const QString& target) { opened.append(target); });

    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    window.copyTo->click();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("http://h/a.jpg"));
    window.openTB->click();
    QCOMPARE(opened, QStringList { QStringLiteral("http://h/a.jpg") });
}

void tst_LinkTypesController::commandLineFollowUp()
{
    TempProgramFolder folder;
    Window window(folder.path());
    window.controller->Startup();
    window.controller->setLinkValues(ImageA, PreviewB);
    window.controller->FormatLink();

    const int cmdLinkType = 5;
    window.controller->SelectLinkType(cmdLinkType - 1);
    window.controller->CopyLink();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("[img]http://h/a.jpg[/img]"));
    QCOMPARE(LinkTypes::ReadStoredPosition(folder.path()), 4);

    // The same type once more after a new upload formats the new link.
    window.controller->setLinkValues(QStringLiteral("http://h/c.jpg"), QString());
    window.controller->SelectLinkType(cmdLinkType - 1);
    QCOMPARE(window.text1->text(), QStringLiteral("[img]http://h/c.jpg[/img]"));

    // A position that stands for no type changes nothing and never opens the editor.
    bool editorOpened = false;
    whenEditorShows([&](EditLinkTypes* editor) {
        editorOpened = true;
        editor->reject();
    });
    window.controller->SelectLinkType(6);
    window.controller->SelectLinkType(-2);
    QCoreApplication::processEvents();
    QVERIFY(!editorOpened);
    QCOMPARE(window.linksType->currentIndex(), 4);
}

void tst_LinkTypesController::boundValuesReceiveThePreviewLink()
{
    TempProgramFolder folder;
    Window window(folder.path());
    QString imageLink = ImageA;
    QString previewLink;
    window.controller->bindLinkValues(&imageLink, &previewLink);
    window.controller->Startup();
    QCOMPARE(previewLink, ImageA);
    QCOMPARE(window.text1->text(), ImageA);
}

QTEST_MAIN(tst_LinkTypesController)
#include "tst_LinkTypesController.moc"
