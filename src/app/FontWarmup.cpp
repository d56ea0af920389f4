#include "FontWarmup.h"

#include <QFontMetrics>
#include <QString>

#include <fontconfig/fontconfig.h>

FontWarmup::FontWarmup()
    : m_thread([] { FcInit(); })
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
    m_thread = std::thread([font] { QFontMetrics(font).horizontalAdvance(QStringLiteral("Pictoferry: Закачать")); });
}

void FontWarmup::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}
