#pragma once

#include "engine/ServerCatalogue.h"

#include <QDialog>

class QLabel;

// "Информация о сервере": the selected service's addresses, limits and storage time.
class AboutServer final : public QDialog
{
    Q_OBJECT
public:
    AboutServer(const ServerInfo& info, QWidget* parent = nullptr);

private:
    QLabel* addLinkValue(const QString& objectName, const QString& address);
};
