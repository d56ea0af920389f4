#include "FontWarmup.h"

#include <QFontMetrics>
#include <QString>

#include <fontconfig/fontconfig.h>

FontWarmup::FontWarmup()
    : m_configuration([] { FcInit(); })
{
}

FontWarmup::~FontWarmup()
{
    wait();
}

void FontWarmup::prepare(const QFont& font)
{
    wait();
    // Latin and Cyrillic, the scripts of the window's captions: each has fallback fonts of its own.
    m_fontList.reset(
        QThread::create([font] { QFontMetrics(font).horizontalAdvance(QStringLiteral("Pictoferry: Закачать")); }));
    m_fontList->start();
}

void FontWarmup::wait()
{
    if (m_configuration.joinable())
        m_configuration.join();
    if (m_fontList)
        m_fontList->wait();
}
