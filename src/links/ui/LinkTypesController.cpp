#include "LinkTypesController.h"

#include "controls/WheelNeedsFocus.h"
#include "links/LinkTypes.h"
#include "links/ui/EditLinkTypes.h"
#include "settings/Ini.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalBlocker>

LinkTypesController::LinkTypesController(QString programFolder, QComboBox* linksType, QLineEdit* text1,
    QAbstractButton* copyTo, QAbstractButton* openTB, QWidget* window)
    : QObject(window)
    , m_programFolder(std::move(programFolder))
    , m_linksType(linksType)
    , m_text1(text1)
    , m_copyTo(copyTo)
    , m_openTB(openTB)
    , m_window(window)
{
    connect(m_linksType, &QComboBox::currentIndexChanged, this, &LinkTypesController::onSelectionChanged);
    connect(m_text1, &QLineEdit::textChanged, this, &LinkTypesController::followLinkText);
    connect(m_copyTo, &QAbstractButton::clicked, this, &LinkTypesController::CopyLink);
    connect(m_openTB, &QAbstractButton::clicked, this, &LinkTypesController::OpenLink);
    m_text1->installEventFilter(this);
    WheelNeedsFocus::Install(m_linksType);
}

void LinkTypesController::Startup()
{
    fillSelector(LinkTypes::AddLinkTypes(m_programFolder, m_tables));
    const int position = LinkTypes::StartupPosition(LinkTypes::ReadStoredPosition(m_programFolder), m_tables);
    if (m_linksType->currentIndex() == position)
        applyFormat(position);
    else
        m_linksType->setCurrentIndex(position);
    Ini::SetFileName(LinkTypes::OptionsPath(m_programFolder));
}

void LinkTypesController::bindLinkValues(QString* imageLink, QString* previewLink)
{
    m_imageLink = imageLink ? imageLink : &m_ownImageLink;
    m_previewLink = previewLink ? previewLink : &m_ownPreviewLink;
}

void LinkTypesController::setLinkValues(const QString& imageLink, const QString& previewLink)
{
    *m_imageLink = imageLink;
    *m_previewLink = previewLink;
}

void LinkTypesController::SelectLinkType(int position)
{
    if (position < 0 || position >= m_tables.enabledCount())
        return;
    if (m_linksType->currentIndex() == position)
        applyFormat(position);
    else
        m_linksType->setCurrentIndex(position);
}

void LinkTypesController::FormatLink()
{
    applyFormat(m_linksType->currentIndex());
}

void LinkTypesController::CopyLink()
{
    LinkTypes::CopyLink(m_text1->text());
}

void LinkTypesController::OpenLink()
{
    LinkTypes::OpenLink(m_text1->text());
}

bool LinkTypesController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_text1 && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        m_text1->setSelection(0, static_cast<int>(m_text1->text().size()));
    }
    return QObject::eventFilter(watched, event);
}

void LinkTypesController::onSelectionChanged(int position)
{
    if (position >= 0 && position == m_linksType->count() - 1) {
        // "Редактировать список...": clearing the selection is a change of its own and formats for no
        // type (stores -1, empties an existing link) before the editor opens. Whether the editor is
        // confirmed or cancelled, the type chosen before is chosen again afterwards (the first one when
        // it is gone), so the selector never stays empty.
        const int slot = m_tables.slotForPosition(m_previousPosition);
        m_linksType->setCurrentIndex(-1);
        openEditor();
        selectSlot(slot);
        return;
    }
    applyFormat(position);
}

void LinkTypesController::applyFormat(int position)
{
    if (position >= 0)
        m_previousPosition = position;
    const std::optional<QString> text
        = LinkTypes::FormatLink(m_programFolder, m_tables, position, *m_imageLink, *m_previewLink);
    if (!text)
        return;
    m_text1->setText(*text);
    // Setting the text it already holds emits no textChanged, yet the buttons must follow it all the
    // same (a new image hid them; an upload may bring the same link back).
    followLinkText(*text);
    m_text1->setFocus();
}

void LinkTypesController::selectSlot(int slot)
{
    int position = slot > 0 && m_tables.LinkEnabled(slot) ? m_tables.positionOfSlot(slot) : -1;
    if (position < 0)
        position = LinkTypes::StartupPosition(0, m_tables);
    if (position >= 0)
        m_linksType->setCurrentIndex(position);
}

void LinkTypesController::fillSelector(const QStringList& entries)
{
    const QSignalBlocker blocker(m_linksType);
    m_linksType->clear();
    m_linksType->addItems(entries);
    m_linksType->setCurrentIndex(-1);
}

void LinkTypesController::openEditor()
{
    EditLinkTypes editor(m_programFolder, m_tables, m_window);
    if (editor.exec() == QDialog::Accepted)
        fillSelector(LinkTypes::SelectorEntries(m_tables));
}

void LinkTypesController::followLinkText(const QString& text)
{
    m_copyTo->setVisible(!text.isEmpty());
    m_openTB->setVisible(!text.isEmpty());
}
