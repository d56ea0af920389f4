#include "EditLinkTypes.h"

#include "controls/Buttons.h"
#include "controls/Check.h"
#include "links/LinkTypes.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

void setBoxColor(QLineEdit* box, const QColor& color)
{
    QPalette palette = box->palette();
    palette.setColor(QPalette::All, QPalette::Base, color);
    // A switched-off row keeps dark text on its grey, readable as in any other row.
    palette.setColor(QPalette::Disabled, QPalette::Text, palette.color(QPalette::Active, QPalette::Text));
    box->setPalette(palette);
}

} // namespace

EditLinkTypes::EditLinkTypes(QString programFolder, LinkTables& tables, QWidget* parent)
    : QDialog(parent)
    , m_programFolder(std::move(programFolder))
    , m_tables(tables)
{
    setObjectName(QStringLiteral("EditLinkTypes"));
    setWindowTitle(QStringLiteral("Редактирование шаблонов ссылок"));
    setModal(true);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("вкл"), this), 0, 0, Qt::AlignHCenter);
    grid->addWidget(new QLabel(QStringLiteral("Заголовок"), this), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Шаблон"), this), 0, 2);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(2, 3);

    for (int r = 0; r < LinkTables::SlotCount; ++r) {
        const LinkTables::Slot& slot = m_tables.slot(r + 1);
        Row row;
        row.enCheck = new Check(this);
        row.enCheck->setObjectName(QStringLiteral("EnCheck%1").arg(r));
        row.enCheck->setValue(slot.enabled);
        row.title = new QLineEdit(slot.title, this);
        row.title->setObjectName(QStringLiteral("Title%1").arg(r));
        row.title->setMinimumWidth(160);
        row.pattern = new QLineEdit(slot.pattern, this);
        row.pattern->setObjectName(QStringLiteral("LinksType%1").arg(r));
        row.pattern->setMinimumWidth(340);
        row.title->installEventFilter(this);
        row.pattern->installEventFilter(this);
        grid->addWidget(row.enCheck, r + 1, 0, Qt::AlignHCenter);
        grid->addWidget(row.title, r + 1, 1);
        grid->addWidget(row.pattern, r + 1, 2);
        m_rows.append(row);
        connect(row.enCheck, &Check::Click, this, [this, r] { applyRowState(r); });
        applyRowState(r);
    }

    auto* help = new QVBoxLayout;
    help->addWidget(new QLabel(QStringLiteral("IMGLINK = ссылка на изображение"), this));
    help->addWidget(new QLabel(QStringLiteral("THLINK = ссылка на превью"), this));

    auto* ok = Buttons::CreateButton(QStringLiteral("ОК"), QStringLiteral("XpB1"), this);
    ok->setDefault(true);
    auto* cancel = Buttons::CreateButton(QStringLiteral("Отмена"), QStringLiteral("Command3"), this);
    connect(ok, &QPushButton::clicked, this, &EditLinkTypes::SaveLinkTypes);
    connect(cancel, &QPushButton::clicked, this, &EditLinkTypes::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addLayout(help);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);
}

void EditLinkTypes::SaveLinkTypes()
{
    LinkTables edited;
    for (int r = 0; r < m_rows.size(); ++r) {
        const Row& row = m_rows[r];
        edited.slot(r + 1) = { row.enCheck->Value(), row.title->text(), row.pattern->text() };
    }
    LinkTypes::SaveLinkTypes(m_programFolder, m_tables, edited);
    accept();
}

bool EditLinkTypes::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        const int row = rowOf(watched);
        if (row >= 0) {
            auto* box = static_cast<QLineEdit*>(watched);
            if (event->type() == QEvent::FocusIn)
                setBoxColor(box, FocusColor());
            else
                setBoxColor(box, m_rows[row].enCheck->Value() ? EnabledColor() : DisabledColor());
        }
    }
    return QDialog::eventFilter(watched, event);
}

void EditLinkTypes::applyRowState(int row)
{
    const Row& r = m_rows[row];
    const bool on = r.enCheck->Value();
    for (QLineEdit* box : { r.title, r.pattern }) {
        box->setEnabled(on);
        setBoxColor(box, !on ? DisabledColor() : box->hasFocus() ? FocusColor() : EnabledColor());
    }
}

int EditLinkTypes::rowOf(const QObject* box) const
{
    for (int r = 0; r < m_rows.size(); ++r) {
        if (m_rows[r].title == box || m_rows[r].pattern == box)
            return r;
    }
    return -1;
}
