#include "About.h"

#include "controls/Buttons.h"
#include "platform/Shell.h"
#include "platform/ui/MessageBox.h"
#include "update/UpdateSite.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace
{

const QString CheckCaption = QStringLiteral("Проверить обновление");
const QString WaitCaption = QStringLiteral("Проверка обновления. Ждите...");
constexpr int BlinkIntervalMs = 800;
constexpr int MarkSize = 10;

} // namespace

About::About(const QString& programFolder, const Settings& settings, QWidget* parent, int checkLimitMs)
    : QDialog(parent)
    , m_check(new CheckUpgrade(programFolder, settings, checkLimitMs, this))
{
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("О программе"));
    setStyleSheet(QStringLiteral("#About { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
                                 "stop:0 #f7f9fc, stop:1 #dfe7f2); }"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(22, 18, 22, 16);
    layout->setSpacing(10);
    layout->addLayout(buildInformation());
    layout->addSpacing(8);
    layout->addLayout(buildButtons());

    m_aTimer = new QTimer(this);
    m_aTimer->setObjectName(QStringLiteral("ATimer"));
    m_aTimer->setInterval(BlinkIntervalMs);
    connect(m_aTimer, &QTimer::timeout, this, [this] { m_a->setVisible(m_a->isHidden()); });
    m_aTimer->start();

    connect(m_goUpgrade, &QPushButton::clicked, this, &About::GoUpgradeClicked);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_check, &CheckUpgrade::finished, this, &About::UpgradeChecked);
    setFixedSize(sizeHint());
}

QLayout* About::buildInformation()
{
    auto* title = new QLabel(QStringLiteral("Pictoferry"));
    title->setObjectName(QStringLiteral("Title"));
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    title->setFont(titleFont);

    auto* version = new QLabel(QStringLiteral("Версия ") + UpdateSite::ProgramVersion());
    version->setObjectName(QStringLiteral("Version"));

    auto* rows = new QFormLayout;
    rows->setLabelAlignment(Qt::AlignRight);
    rows->setHorizontalSpacing(12);
    rows->setVerticalSpacing(6);
    const QString site = QString::fromLatin1(UpdateSite::SiteAddress);
    rows->addRow(QStringLiteral("Официальный сайт:"), addLink(QStringLiteral("Label6"), site, site));
    rows->addRow(QStringLiteral("Обсуждение программы:"),
        addLink(QStringLiteral("Label4"), QStringLiteral("Форум"), QString::fromLatin1(UpdateSite::ForumAddress)));
    auto* author = new QLabel(QString::fromUtf8(UpdateSite::AuthorName));
    author->setObjectName(QStringLiteral("Author"));
    rows->addRow(QStringLiteral("Автор:"), author);

    auto* layout = new QVBoxLayout;
    layout->setSpacing(4);
    layout->addWidget(title);
    layout->addWidget(version);
    layout->addSpacing(10);
    layout->addLayout(rows);
    return layout;
}

QLayout* About::buildButtons()
{
    m_a = new QLabel;
    m_a->setObjectName(QStringLiteral("A"));
    m_a->setFixedSize(MarkSize, MarkSize);
    m_a->setStyleSheet(QStringLiteral("background: #e02020; border-radius: %1px;").arg(MarkSize / 2));
    // The mark blinks in place: hiding it must not move the buttons.
    QSizePolicy policy = m_a->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    m_a->setSizePolicy(policy);

    m_goUpgrade = Buttons::CreateButton(CheckCaption, QStringLiteral("GoUpgrade"));
    fitCheckButton();
    m_ok = Buttons::CreateButton(QStringLiteral("ОК"), QStringLiteral("ok"));
    m_ok->setDefault(true);

    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addWidget(m_a);
    row->addWidget(m_goUpgrade);
    row->addStretch(1);
    row->addWidget(m_ok);
    return row;
}

QLabel* About::addLink(const QString& objectName, const QString& text, const QString& address)
{
    auto* link = new QLabel(QStringLiteral("<a href=\"#\">%1</a>").arg(text.toHtmlEscaped()));
    link->setObjectName(objectName);
    link->setTextFormat(Qt::RichText);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(link, &QLabel::linkActivated, this, [address] { Platform::OpenWithShell(address); });
    return link;
}

// The check button is as wide as its widest caption, so the window keeps its size while it checks.
void About::fitCheckButton()
{
    const QString version = UpdateSite::ProgramVersion();
    int width = 0;
    for (const QString& caption : { WaitCaption, CheckUpgrade::ConnectionError().caption,
             CheckUpgrade::Compare(version.toLocal8Bit(), version).caption,
             CheckUpgrade::Compare("0.0", version).caption, CheckCaption }) {
        m_goUpgrade->setText(caption);
        width = std::max(width, m_goUpgrade->sizeHint().width());
    }
    m_goUpgrade->setMinimumWidth(width + 2 * m_goUpgrade->fontMetrics().averageCharWidth());
}

void About::GoUpgradeClicked()
{
    m_ok->setFocus();
    m_goUpgrade->setText(WaitCaption);
    // The button cannot start a second check while one runs.
    m_goUpgrade->setEnabled(false);
    m_check->Start();
}

void About::UpgradeChecked(const CheckUpgrade::Result& result)
{
    m_goUpgrade->setText(result.caption);
    m_goUpgrade->setEnabled(true);
    if (result.outcome == CheckUpgrade::Outcome::FoundVersion)
        Platform::ShowMessage(this, result.caption, QStringLiteral("Информация"), Platform::MessageIcon::Information);
}
