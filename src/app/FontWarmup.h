#pragma once

#include <QFont>
#include <QThread>

#include <memory>
#include <thread>

// Prepares fonts on a second thread while the main thread is busy with other start-up work, in two
// steps:
// - while the application object is made, it loads the system's font configuration, the longest
//   single step of a start;
// - once the application object exists, it fills the toolkit's font list and finds the fallback fonts
//   of the window's font. Both are shared by all threads, so the main window finds them ready when it
//   first lays out a caption.
class FontWarmup final
{
public:
    FontWarmup();
    ~FontWarmup();
    FontWarmup(const FontWarmup&) = delete;
    FontWarmup& operator=(const FontWarmup&) = delete;

    // The second step, for the given font; to be called once the application object exists.
    void prepare(const QFont& font);
    // Waits until the current step is done; to be called before the application object goes.
    void wait();

private:
    std::thread m_configuration;
    // A thread of the toolkit's own: the font list keeps per-thread data, which the toolkit cleans up
    // properly only for its own threads.
    std::unique_ptr<QThread> m_fontList;
};
