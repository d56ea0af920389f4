#include "FontWarmup.h"

#include <fontconfig/fontconfig.h>

FontWarmup::FontWarmup()
    : m_thread([] { FcInit(); })
{
}

FontWarmup::~FontWarmup()
{
    wait();
}

void FontWarmup::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}
