#pragma once

#include "settings/SystemProxy.h"

#include <QDialog>
#include <QList>

class Check;
class OptionsModule;
class QLabel;
class QLineEdit;
class QScrollBar;
class XpB;

// The settings window "Настройки": the proxy (UseP, AdrP, PortP, AuthP, Text1 user, Text2 password),
// the journal limit (LJ, with the spinner LJs and its label LJl), command-line handling (CL) and the
// file manager's context-menu entries (IM, which acts at once). "ОК" (XpB1) takes the controls into the
// in-memory settings and saves them; "Отмена" (Command3) closes without saving. XpB3 copies the
// desktop's proxy into the controls and, at once, into the in-memory settings.
class Options final : public QDialog
{
    Q_OBJECT

public:
    Options(OptionsModule& options, SystemProxy::Sources proxySources = SystemProxy::DesktopSources(),
        QWidget* parent = nullptr);

    static constexpr int SpinnerStep = 10;

    void SetProxyAsIE();
    void FillOptions();
    void EnableProxyControls(bool enabled);
    void ApplyOptions();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void turnSpinnerArrows(int action);
    QLabel* addCaption(const QString& text, QWidget* buddy);
    void UsePClick();
    void AuthPClick();
    void LJClick();
    void LJsChange(int value);
    void IMClick();
    void XpB3Click();
    void XpB1Click();

    OptionsModule& m_options;
    SystemProxy::Sources m_proxySources;

    Check* m_useP = nullptr;
    QLineEdit* m_adrP = nullptr;
    QLineEdit* m_portP = nullptr;
    Check* m_authP = nullptr;
    QLineEdit* m_text1 = nullptr;
    QLineEdit* m_text2 = nullptr;
    Check* m_lj = nullptr;
    QScrollBar* m_ljs = nullptr;
    QLabel* m_ljl = nullptr;
    Check* m_cl = nullptr;
    Check* m_im = nullptr;
    XpB* m_xpB3 = nullptr;
    XpB* m_xpB1 = nullptr;
    XpB* m_command3 = nullptr;
    // The captions of UseP, AdrP, PortP, AuthP, Text1 and Text2, in this order.
    QList<QLabel*> m_proxyCaptions;
    bool m_spinnerPressed = false;
};
