#include "Options.h"

#include "controls/Buttons.h"
#include "controls/Check.h"
#include "settings/ContextMenu.h"
#include "settings/GetProxyModule.h"
#include "settings/Ini.h"
#include "settings/OptionsModule.h"
#include "settings/Signature_module.h"

#include "platform/ui/MessageBox.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

#include <limits>

namespace
{

QLineEdit* createBox(const QString& objectName, int characters, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(objectName);
    box->setMinimumWidth(box->fontMetrics().averageCharWidth() * characters + 12);
    return box;
}

Check* createCheck(const QString& objectName, QWidget* parent)
{
    auto* check = new Check(parent);
    check->setObjectName(objectName);
    return check;
}

} // namespace

Options::Options(OptionsModule& options, SystemProxy::Sources proxySources, QWidget* parent)
    : QDialog(parent)
    , m_options(options)
    , m_proxySources(std::move(proxySources))
{
    setObjectName(QStringLiteral("Options"));
    setWindowTitle(QStringLiteral("Настройки"));
    setModal(true);
    // The window's background picture: a soft gradient over the whole window.
    setStyleSheet(QStringLiteral("#Options { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
                                 "stop:0 #f7f9fc, stop:1 #dfe7f2); }"));
    buildControls();

    connect(m_useP, &Check::Click, this, &Options::UsePClick);
    connect(m_authP, &Check::Click, this, &Options::AuthPClick);
    connect(m_lj, &Check::Click, this, &Options::LJClick);
    connect(m_im, &Check::Click, this, &Options::IMClick);
    connect(m_ljs, &QScrollBar::valueChanged, this, &Options::LJsChange);
    connect(m_ljs, &QScrollBar::actionTriggered, this, &Options::turnSpinnerArrows);
    connect(m_xpB3, &QPushButton::clicked, this, &Options::XpB3Click);
    connect(m_xpB1, &QPushButton::clicked, this, &Options::XpB1Click);
    connect(m_command3, &QPushButton::clicked, this, &QDialog::reject);

    FillOptions();
}

QLabel* Options::addCaption(const QString& text, QWidget* control)
{
    auto* caption = new QLabel(text, this);
    caption->setObjectName(control->objectName() + QStringLiteral("Caption"));
    return caption;
}

void Options::buildControls()
{
    m_useP = createCheck(QStringLiteral("UseP"), this);
    m_adrP = createBox(QStringLiteral("AdrP"), 24, this);
    m_portP = createBox(QStringLiteral("PortP"), 6, this);
    m_authP = createCheck(QStringLiteral("AuthP"), this);
    m_text1 = createBox(QStringLiteral("Text1"), 16, this);
    m_text2 = createBox(QStringLiteral("Text2"), 16, this); // shown in clear on purpose
    m_xpB3 = Buttons::CreateButton(QStringLiteral("Получить из настроек системы"), QStringLiteral("XpB3"), this);
    m_lj = createCheck(QStringLiteral("LJ"), this);
    m_ljl = new QLabel(QStringLiteral("100"), this);
    m_ljl->setObjectName(QStringLiteral("LJl"));
    m_ljl->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_ljl->setMinimumWidth(m_ljl->fontMetrics().horizontalAdvance(QStringLiteral("0000")));
    m_ljs = new QScrollBar(Qt::Vertical, this);
    m_ljs->setObjectName(QStringLiteral("LJs"));
    m_ljs->setRange(OptionsModule::MinJournalRows, OptionsModule::MaxJournalRows);
    m_ljs->setSingleStep(SpinnerStep);
    m_ljs->setPageStep(5 * SpinnerStep);
    // A spinner counts up with its upper arrow, the Up key and the wheel turned up (turnSpinnerArrows).
    m_ljs->setInvertedAppearance(true);
    m_ljs->setInvertedControls(false);
    m_ljs->installEventFilter(this);
    const int extent
        = qMax(style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_ljs), m_ljs->fontMetrics().height() * 3 / 4);
    m_ljs->setFixedSize(extent, 2 * extent);
    m_ljs->setFocusPolicy(Qt::StrongFocus);
    m_cl = createCheck(QStringLiteral("CL"), this);
    m_im = createCheck(QStringLiteral("IM"), this);
    m_xpB1 = Buttons::CreateButton(QStringLiteral("ОК"), QStringLiteral("XpB1"), this);
    m_xpB1->setDefault(true);
    m_command3 = Buttons::CreateButton(QStringLiteral("Отмена"), QStringLiteral("Command3"), this);

    m_proxyCaptions = {
        addCaption(QStringLiteral("Использовать прокси-сервер"), m_useP),
        addCaption(QStringLiteral("Адрес"), m_adrP),
        addCaption(QStringLiteral("Порт"), m_portP),
        addCaption(QStringLiteral("Авторизация на прокси-сервере"), m_authP),
        addCaption(QStringLiteral("Имя"), m_text1),
        addCaption(QStringLiteral("Пароль"), m_text2),
    };

    // Columns: check box, caption, box, caption, box.
    auto* proxy = new QGridLayout;
    proxy->setHorizontalSpacing(8);
    proxy->setVerticalSpacing(8);
    proxy->addWidget(m_useP, 0, 0);
    proxy->addWidget(m_proxyCaptions[0], 0, 1, 1, 4);
    proxy->addWidget(m_proxyCaptions[1], 1, 1);
    proxy->addWidget(m_adrP, 1, 2);
    proxy->addWidget(m_proxyCaptions[2], 1, 3);
    proxy->addWidget(m_portP, 1, 4);
    proxy->addWidget(m_authP, 2, 0);
    proxy->addWidget(m_proxyCaptions[3], 2, 1, 1, 4);
    proxy->addWidget(m_proxyCaptions[4], 3, 1);
    proxy->addWidget(m_text1, 3, 2);
    proxy->addWidget(m_proxyCaptions[5], 3, 3);
    proxy->addWidget(m_text2, 3, 4);
    proxy->addWidget(m_xpB3, 4, 1, 1, 4, Qt::AlignLeft);
    proxy->setColumnStretch(2, 1);
    proxy->setColumnStretch(4, 1);

    auto* journalRow = new QHBoxLayout;
    journalRow->addWidget(addCaption(QStringLiteral("Ограничить размер журнала"), m_lj));
    journalRow->addStretch();
    journalRow->addWidget(m_ljl);
    journalRow->addWidget(m_ljs);

    auto* other = new QGridLayout;
    other->setHorizontalSpacing(8);
    other->setVerticalSpacing(8);
    other->addWidget(m_lj, 0, 0);
    other->addLayout(journalRow, 0, 1);
    other->addWidget(m_cl, 1, 0);
    other->addWidget(addCaption(QStringLiteral("Обработка командной строки"), m_cl), 1, 1);
    other->addWidget(m_im, 2, 0);
    other->addWidget(addCaption(QStringLiteral("Интеграция в контекстное меню"), m_im), 2, 1);
    other->setColumnStretch(1, 1);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_xpB1);
    buttons->addWidget(m_command3);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(10);
    layout->addLayout(proxy);
    layout->addWidget(line);
    layout->addLayout(other);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The keyboard walks the window from top to bottom.
    const QList<QWidget*> order
        = { m_useP, m_adrP, m_portP, m_authP, m_text1, m_text2, m_xpB3, m_lj, m_ljs, m_cl, m_im, m_xpB1, m_command3 };
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void Options::FillOptions()
{
    const Settings& settings = m_options.settings();
    m_useP->setValue(settings.UseProxy);
    m_adrP->setText(settings.ProxyHost);
    m_portP->setText(settings.ProxyPort);
    m_authP->setValue(settings.ProxyAuth);
    m_lj->setValue(settings.LimitJournal);
    // A row count outside the spinner's range is shown at the nearest end of it.
    const int rows
        = qBound(int(OptionsModule::MinJournalRows), int(settings.JournalRows), int(OptionsModule::MaxJournalRows));
    m_ljl->setText(QString::number(rows));
    m_ljs->setValue(rows);
    m_cl->setValue(settings.CommandLine);
    m_text1->setText(settings.ProxyUser);
    m_text2->setText(settings.ProxyPassword);
    m_im->setValue(ContextMenu::IsContextMenuRegistered());
    UsePClick();
    LJClick();
}

void Options::EnableProxyControls(bool enabled)
{
    for (QWidget* control : { static_cast<QWidget*>(m_adrP), static_cast<QWidget*>(m_portP),
             static_cast<QWidget*>(m_text1), static_cast<QWidget*>(m_text2), static_cast<QWidget*>(m_authP) })
        control->setEnabled(enabled);
    for (QLabel* caption : m_proxyCaptions)
        caption->setEnabled(enabled);
}

void Options::ApplyOptions()
{
    Settings& settings = m_options.settings();
    settings.UseProxy = m_useP->Value();
    settings.ProxyHost = m_adrP->text();
    settings.ProxyPort = m_portP->text();
    settings.ProxyAuth = m_authP->Value();
    settings.LimitJournal = m_lj->Value();
    settings.JournalRows = static_cast<qint16>(
        IniText::ToInteger(m_ljl->text(), std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()));
    settings.CommandLine = m_cl->Value();
    settings.ProxyUser = m_text1->text();
    settings.ProxyPassword = m_text2->text();
    m_options.SaveOptions();
}

void Options::SetProxyAsIE()
{
    Settings& settings = m_options.settings();
    GetProxyModule::SetProxyAsIE(settings, SystemProxy(m_proxySources).ProxyText());
    m_useP->setValue(settings.UseProxy);
    m_adrP->setText(settings.ProxyHost);
    m_portP->setText(settings.ProxyPort);
}

void Options::UsePClick()
{
    EnableProxyControls(m_useP->Value());
    AuthPClick();
}

void Options::AuthPClick()
{
    if (!m_useP->Value())
        return;
    const bool on = m_authP->Value();
    for (QWidget* control : { static_cast<QWidget*>(m_proxyCaptions[4]), static_cast<QWidget*>(m_proxyCaptions[5]),
             static_cast<QWidget*>(m_text1), static_cast<QWidget*>(m_text2) })
        control->setEnabled(on);
}

void Options::LJClick()
{
    m_ljl->setEnabled(m_lj->Value());
    m_ljs->setEnabled(m_lj->Value());
}

void Options::LJsChange(int value)
{
    m_ljl->setText(QString::number(value));
}

bool Options::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ljs) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
            m_spinnerPressed = true;
        else if (event->type() == QEvent::MouseButtonRelease)
            m_spinnerPressed = false;
    }
    return QDialog::eventFilter(watched, event);
}

// A scroll bar's upper arrow and the track above the handle count down; a spinner's count up. Steps that
// the mouse starts are therefore turned round before the value moves (keys and the wheel already go the
// spinner's way).
void Options::turnSpinnerArrows(int action)
{
    if (!m_spinnerPressed)
        return;
    int step = 0;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        step = -m_ljs->singleStep();
        break;
    case QAbstractSlider::SliderSingleStepSub:
        step = m_ljs->singleStep();
        break;
    case QAbstractSlider::SliderPageStepAdd:
        step = -m_ljs->pageStep();
        break;
    case QAbstractSlider::SliderPageStepSub:
        step = m_ljs->pageStep();
        break;
    default:
        return;
    }
    m_ljs->setSliderPosition(qBound(m_ljs->minimum(), m_ljs->value() + step, m_ljs->maximum()));
}

void Options::IMClick()
{
    if (m_im->Value())
        ContextMenu::RegisterContextMenu(m_options.programPath());
    else
        ContextMenu::UnregisterContextMenu();
}

void Options::XpB3Click()
{
    SetProxyAsIE();
    UsePClick();
}

void Options::XpB1Click()
{
    // proxy.dat keeps at most 31 bytes of each; a longer name or password is refused here rather than
    // silently left unsaved.
    const QString problem = Signature_module::CredentialsProblem(m_text1->text(), m_text2->text());
    if (!problem.isEmpty()) {
        Platform::ShowMessage(this, problem + QStringLiteral("Сократите их и нажмите \"ОК\" снова."),
            QStringLiteral("Настройки не сохранены"), Platform::MessageIcon::Warning);
        return;
    }
    ApplyOptions();
    accept();
}
