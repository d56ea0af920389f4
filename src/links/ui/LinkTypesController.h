#pragma once

#include "links/LinkTables.h"

#include <QObject>
#include <QString>

class QAbstractButton;
class QComboBox;
class QLineEdit;
class QWidget;

// Binds the main window's link controls to the link types: the selector LinksType, the link text
// Text1, and the buttons Copy_to and OpenTB. It fills the selector, formats the link on every change of
// the selection (the user's, start-up's, an upload end's, the command line's), stores the choice as
// [Main] LinksType in options.ini, opens the link-types editor for "Редактировать список...", keeps the
// two buttons following the link text and makes a click into the link text select all of it.
//
// The image link and the preview link are the upload's values; by default the controller keeps its own
// pair (setLinkValues), or it works directly on the caller's pair (bindLinkValues).
class LinkTypesController final : public QObject
{
    Q_OBJECT

public:
    // `window` is the QObject parent and the parent of the editor window.
    LinkTypesController(QString programFolder, QComboBox* linksType, QLineEdit* text1, QAbstractButton* copyTo,
        QAbstractButton* openTB, QWidget* window);

    // Start-up: loads linkTypes.ini (creating it with the built-in types when missing), fills the
    // selector, then selects the position stored in options.ini, or the first link type when that
    // position stands for none, which formats the link and stores the position.
    void Startup();

    // Makes the controller read and write the caller's values; both must outlive the controller.
    void bindLinkValues(QString* imageLink, QString* previewLink);
    void setLinkValues(const QString& imageLink, const QString& previewLink);
    QString imageLink() const { return *m_imageLink; }
    QString previewLink() const { return *m_previewLink; }

    const LinkTables& tables() const { return m_tables; }

    // Selects link type `position` (from 0) and formats the link, also when it is selected already.
    // A position that stands for no link type is ignored (the editor never opens from here).
    // The command line's follow-up calls SelectLinkType(CmdLinkType - 1), then CopyLink().
    void SelectLinkType(int position);

public slots:
    // Formats the link for the current selection (the end of an upload calls this).
    void FormatLink();
    // The Copy_to and OpenTB buttons.
    void CopyLink();
    void OpenLink();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onSelectionChanged(int position);
    void applyFormat(int position);
    void fillSelector(const QStringList& entries);
    void openEditor();
    void selectSlot(int slot);
    void followLinkText(const QString& text);

    QString m_programFolder;
    QComboBox* m_linksType;
    QLineEdit* m_text1;
    QAbstractButton* m_copyTo;
    QAbstractButton* m_openTB;
    QWidget* m_window;
    LinkTables m_tables;
    int m_previousPosition = -1;
    QString m_ownImageLink;
    QString m_ownPreviewLink;
    QString* m_imageLink = &m_ownImageLink;
    QString* m_previewLink = &m_ownPreviewLink;
};
