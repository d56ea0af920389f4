#pragma once

#include "update/CheckUpgrade.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

// "О программе": the version, the maker's site and forum, the author, a blinking red mark and the
// update check, whose result the check button shows as its caption.
class About final : public QDialog
{
    Q_OBJECT
public:
    // checkLimitMs: how long an update check may take.
    About(const QString& programFolder, const Settings& settings, QWidget* parent = nullptr,
        int checkLimitMs = CheckUpgrade::DefaultLimitMs);

private:
    QLayout* buildInformation();
    QLayout* buildButtons();
    QLabel* addLink(const QString& objectName, const QString& text, const QString& address);
    void fitCheckButton();
    void GoUpgradeClicked();
    void UpgradeChecked(const CheckUpgrade::Result& result);

    CheckUpgrade* m_check = nullptr;
    QPushButton* m_goUpgrade = nullptr;
    QPushButton* m_ok = nullptr;
    QLabel* m_a = nullptr;
    QTimer* m_aTimer = nullptr;
};
