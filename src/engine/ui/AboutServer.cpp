#include "AboutServer.h"

#include "controls/Buttons.h"
#include "platform/Shell.h"

#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutServer::AboutServer(const ServerInfo& info, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutServer"));
    setWindowTitle(QStringLiteral("Информация о сервере"));
    setStyleSheet(QStringLiteral("#AboutServer { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
                                 "stop:0 #f7f9fc, stop:1 #dfe7f2); }"));

    auto* rows = new QFormLayout;
    rows->setLabelAlignment(Qt::AlignRight);
    rows->setHorizontalSpacing(12);
    rows->setVerticalSpacing(8);
    auto addRow = [rows](const QString& caption, QLabel* value) { rows->addRow(new QLabel(caption), value); };
    addRow(QStringLiteral("Адрес:"), addLinkValue(QStringLiteral("URL"), info.URL));
    addRow(QStringLiteral("Правила:"), addLinkValue(QStringLiteral("URLtoRules"), info.URLtoRules));

    auto* maxSize = new QLabel(ServerCatalogue::MaxSizeText(info));
    maxSize->setObjectName(QStringLiteral("MaxSize"));
    addRow(QStringLiteral("Максимальный размер файла:"), maxSize);
    auto* maxDimensions = new QLabel(ServerCatalogue::MaxDimensionsText(info));
    maxDimensions->setObjectName(QStringLiteral("MaxDimensions"));
    addRow(QStringLiteral("Максимальный размер изображения:"), maxDimensions);
    auto* hostTime = new QLabel(ServerCatalogue::HostTimeText(info));
    hostTime->setObjectName(QStringLiteral("HostTime"));
    addRow(QStringLiteral("Время хранения изображения:"), hostTime);

    auto* close = Buttons::CreateButton(QStringLiteral("Закрыть"), QStringLiteral("CloseButton"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 14);
    layout->addLayout(rows);
    layout->addSpacing(10);
    layout->addWidget(close, 0, Qt::AlignHCenter);
    setFixedSize(sizeHint());
}

QLabel* AboutServer::addLinkValue(const QString& objectName, const QString& address)
{
    auto* value = new QLabel(QStringLiteral("<a href=\"#\">%1</a>").arg(address.toHtmlEscaped()));
    value->setObjectName(objectName);
    value->setTextFormat(Qt::RichText);
    value->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    // The address is opened exactly as the service's file writes it, not as the label's link text.
    connect(value, &QLabel::linkActivated, this, [address] { Platform::OpenWithShell(address); });
    return value;
}
