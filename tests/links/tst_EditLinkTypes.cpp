#include "controls/Check.h"
#include "links/LinkTypes.h"
#include "links/ui/EditLinkTypes.h"
#include "support/TempProgramFolder.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace
{

QLineEdit* titleBox(const EditLinkTypes& editor, int row)
{
    return editor.findChild<QLineEdit*>(QStringLiteral("Title%1").arg(row));
}

QLineEdit* patternBox(const EditLinkTypes& editor, int row)
{
    return editor.findChild<QLineEdit*>(QStringLiteral("LinksType%1").arg(row));
}

Check* enCheck(const EditLinkTypes& editor, int row)
{
    return editor.findChild<Check*>(QStringLiteral("EnCheck%1").arg(row));
}

QColor background(const QLineEdit* box)
{
    return box->palette().color(QPalette::Base);
}

} // namespace

class tst_EditLinkTypes : public QObject
{
    Q_OBJECT

private slots:
    void openingShowsTheTables();
    void rowStateFollowsCheckBox();
    void focusColours();
    void confirmingWithoutChangesKeepsTheFile();
    void savingRules_data();
    void savingRules();
    void cancelChangesNothing();
};

void tst_EditLinkTypes::openingShowsTheTables()
{
    TempProgramFolder folder;
    LinkTables tables;
    LinkTypes::AddLinkTypes(folder.path(), tables);
    EditLinkTypes editor(folder.path(), tables);

    QCOMPARE(editor.windowTitle(), QStringLiteral("Редактирование шаблонов ссылок"));
    for (int row = 0; row < LinkTables::SlotCount; ++row) {
        QVERIFY(enCheck(editor, row));
        QCOMPARE(enCheck(editor, row)->Value(), tables.LinkEnabled(row + 1));
        QCOMPARE(titleBox(editor, row)->text(), tables.LinkTitles(row + 1));
        QCOMPARE(patternBox(editor, row)->text(), tables.LinkPatterns(row + 1));
    }
    QCOMPARE(editor.findChild<QPushButton*>(QStringLiteral("XpB1"))->text(), QStringLiteral("ОК"));
    QCOMPARE(editor.findChild<QPushButton*>(QStringLiteral("Command3"))->text(), QStringLiteral("Отмена"));
    QStringList labels;
    for (const QLabel* label : editor.findChildren<QLabel*>())
        labels.append(label->text());
    for (const char* text :
        { "вкл", "Заголовок", "Шаблон", "IMGLINK = ссылка на изображение", "THLINK = ссылка на превью" })
        QVERIFY2(labels.contains(QString::fromUtf8(text)), text);

    // Slot 7 is off: its boxes refuse input and are grey; the others are light grey.
    QVERIFY(!titleBox(editor, 6)->isEnabled());
    QCOMPARE(background(patternBox(editor, 6)), EditLinkTypes::DisabledColor());
    QVERIFY(titleBox(editor, 0)->isEnabled());
    QCOMPARE(background(titleBox(editor, 0)), EditLinkTypes::EnabledColor());
}

void tst_EditLinkTypes::rowStateFollowsCheckBox()
{
    TempProgramFolder folder;
    LinkTables tables;
    LinkTypes::AddLinkTypes(folder.path(), tables);
    EditLinkTypes editor(folder.path(), tables);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));

    QTest::mouseClick(enCheck(editor, 2), Qt::LeftButton);
    QVERIFY(!enCheck(editor, 2)->Value());
    for (QLineEdit* box : { titleBox(editor, 2), patternBox(editor, 2) }) {
        QVERIFY(!box->isEnabled());
        QCOMPARE(background(box), EditLinkTypes::DisabledColor());
        // Its text stays as dark as in a row that is on: readable on the grey.
        QCOMPARE(box->palette().color(QPalette::Disabled, QPalette::Text),
            titleBox(editor, 0)->palette().color(QPalette::Active, QPalette::Text));
        QVERIFY(qGray(box->palette().color(QPalette::Disabled, QPalette::Text).rgb()) < 100);
    }
    const QString before = titleBox(editor, 2)->text();
    QTest::keyClicks(titleBox(editor, 2), QStringLiteral("xyz"));
    QCOMPARE(titleBox(editor, 2)->text(), before);

    QTest::mouseClick(enCheck(editor, 2), Qt::LeftButton);
    for (QLineEdit* box : { titleBox(editor, 2), patternBox(editor, 2) }) {
        QVERIFY(box->isEnabled());
        QCOMPARE(background(box), EditLinkTypes::EnabledColor());
    }
    titleBox(editor, 2)->setFocus();
    QTest::keyClicks(titleBox(editor, 2), QStringLiteral("!"));
    QCOMPARE(titleBox(editor, 2)->text(), before + u'!');
}

void tst_EditLinkTypes::focusColours()
{
    TempProgramFolder folder;
    LinkTables tables;
    LinkTypes::AddLinkTypes(folder.path(), tables);
    EditLinkTypes editor(folder.path(), tables);
    editor.show();
    editor.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&editor));

    titleBox(editor, 1)->setFocus();
    QTRY_COMPARE(background(titleBox(editor, 1)), EditLinkTypes::FocusColor());
    patternBox(editor, 1)->setFocus();
    QTRY_COMPARE(background(patternBox(editor, 1)), EditLinkTypes::FocusColor());
    QCOMPARE(background(titleBox(editor, 1)), EditLinkTypes::EnabledColor());

    // Switching the focused row off leaves its boxes grey, not white or light grey.
    enCheck(editor, 1)->setFocus();
    QTRY_COMPARE(background(patternBox(editor, 1)), EditLinkTypes::EnabledColor());
    QTest::keyClick(enCheck(editor, 1), Qt::Key_Space);
    QVERIFY(!enCheck(editor, 1)->Value());
    QCOMPARE(background(patternBox(editor, 1)), EditLinkTypes::DisabledColor());
}

void tst_EditLinkTypes::confirmingWithoutChangesKeepsTheFile()
{
    TempProgramFolder folder;
    LinkTables tables;
    LinkTypes::AddLinkTypes(folder.path(), tables);
    const QByteArray before = folder.readFile(QStringLiteral("linkTypes.ini"));
    const LinkTables tablesBefore = tables;

    EditLinkTypes editor(folder.path(), tables);
    editor.findChild<QPushButton*>(QStringLiteral("XpB1"))->click();

    QCOMPARE(editor.result(), int(QDialog::Accepted));
    QCOMPARE(folder.readFile(QStringLiteral("linkTypes.ini")), before);
    QVERIFY(tables == tablesBefore);
}

void tst_EditLinkTypes::savingRules_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("savedEnabled");

    QTest::newRow("slot 7 switched on with title and pattern") << 6 << true << "Своя"
                                                               << "<IMGLINK>" << true;
    QTest::newRow("slot 7 on with an empty pattern stays off") << 6 << true << "Своя"
                                                               << "" << false;
    QTest::newRow("slot 3 on with an empty title is saved off") << 2 << true << ""
                                                                << "<IMGLINK>" << false;
    QTest::newRow("slot 1 switched off") << 0 << false << "Прямая ссылка"
                                         << "IMGLINK" << false;
    QTest::newRow("texts kept as typed, no placeholder needed") << 6 << true << "  a "
                                                                << " b  " << true;
}

void tst_EditLinkTypes::savingRules()
{
    QFETCH(int, row);
    QFETCH(bool, checked);
    QFETCH(QString, title);
    QFETCH(QString, pattern);
    QFETCH(bool, savedEnabled);

    TempProgramFolder folder;
    LinkTables tables;
    LinkTypes::AddLinkTypes(folder.path(), tables);
    EditLinkTypes editor(folder.path(), tables);
    enCheck(editor, row)->setValue(checked);
    titleBox(editor, row)->setText(title);
    patternBox(editor, row)->setText(pattern);
    editor.SaveLinkTypes();

    QCOMPARE(tables.LinkEnabled(row + 1), savedEnabled);
    QCOMPARE(tables.LinkTitles(row + 1), title);
    QCOMPARE(tables.LinkPatterns(row + 1), pattern);

    const QByteArray file = folder.readFile(QStringLiteral("linkTypes.ini"));
    const QByteArray expectedSection = "[Type" + QByteArray::number(row + 1) + "]\r\nEnabled="
        + (savedEnabled ? "True" : "False") + "\r\nTitle=" + title.toUtf8() + "\r\nLink=" + pattern.toUtf8();
    QVERIFY2(file.contains(expectedSection), file.constData());

    const QStringList entries = LinkTypes::SelectorEntries(tables);
    QCOMPARE(entries.contains(title), savedEnabled && !title.isEmpty());
    if (row == 6 && savedEnabled)
        QCOMPARE(entries.at(entries.size() - 2), title);
}

void tst_EditLinkTypes::cancelChangesNothing()
{
    TempProgramFolder folder;
    LinkTables tables;
    LinkTypes::AddLinkTypes(folder.path(), tables);
    const QByteArray before = folder.readFile(QStringLiteral("linkTypes.ini"));
    const LinkTables tablesBefore = tables;

    EditLinkTypes editor(folder.path(), tables);
    enCheck(editor, 0)->setValue(false);
    titleBox(editor, 1)->setText(QStringLiteral("changed"));
    enCheck(editor, 6)->setValue(true);
    patternBox(editor, 6)->setText(QStringLiteral("IMGLINK"));
    editor.findChild<QPushButton*>(QStringLiteral("Command3"))->click();

    QCOMPARE(editor.result(), int(QDialog::Rejected));
    QCOMPARE(folder.readFile(QStringLiteral("linkTypes.ini")), before);
    QVERIFY(tables == tablesBefore);

    // A new opening shows the tables, not the abandoned edits.
    EditLinkTypes again(folder.path(), tables);
    QVERIFY(enCheck(again, 0)->Value());
    QCOMPARE(titleBox(again, 1)->text(), tables.LinkTitles(2));
}

QTEST_MAIN(tst_EditLinkTypes)
#include "tst_EditLinkTypes.moc"
