#pragma once

#include <thread>

// Loads the system's font configuration on a second thread while the application object is made. Reading
// that configuration is the longest single step of a start, and the main window cannot be laid out
// without it; the toolkit finds it loaded when it first needs a font.
class FontWarmup final
{
public:
    FontWarmup();
    ~FontWarmup();
    FontWarmup(const FontWarmup&) = delete;
    FontWarmup& operator=(const FontWarmup&) = delete;

    // Waits until the configuration is loaded; to be called before the first font is used.
    void wait();

private:
    std::thread m_thread;
};
