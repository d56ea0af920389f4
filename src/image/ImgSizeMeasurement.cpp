#include "ImgSizeMeasurement.h"

#include "cGdiPlus.h"

#include <QFileInfo>
#include <QImageReader>
#include <QThread>

#include <atomic>

struct ImgSizeMeasurement::Run {
    QImage picture;
    int quality = 0;
    QStringList paths;
    QString twinPath;
    FormatComparison::Sizes sizes { FormatComparison::Failed, FormatComparison::Failed, FormatComparison::Failed };
    std::atomic_bool cancel = false;
    std::atomic_int remaining = FormatComparison::VariantCount;
};

namespace
{

constexpr int GifVariant = 1;
constexpr int PngVariant = 2;

// Writes one variant and gives its size in bytes, or Failed.
qint64 writeVariant(const QImage& picture, const QString& path, int quality, const std::atomic_bool& cancel)
{
    const cGdiPlus gdip;
    if (cancel || !gdip.PictureBoxToFile(picture, path, quality, nullptr, &cancel))
        return FormatComparison::Failed;
    const QFileInfo file(path);
    return file.isFile() ? file.size() : FormatComparison::Failed;
}

} // namespace

ImgSizeMeasurement::ImgSizeMeasurement(QString tempFolder, QObject* parent)
    : QObject(parent)
    , m_tempFolder(std::move(tempFolder))
{
    m_sizes.fill(FormatComparison::Failed);
    m_pool.setMaxThreadCount(qBound(1, QThread::idealThreadCount(), FormatComparison::VariantCount));
}

ImgSizeMeasurement::~ImgSizeMeasurement()
{
    if (m_current)
        m_current->cancel = true;
    m_pool.waitForDone();
}

void ImgSizeMeasurement::GetSize(const QString& path, int quality)
{
    emit Started();
    if (m_current) {
        m_current->cancel = true;
        m_pending = Request { path, quality };
        return;
    }
    StartRun({ path, quality });
}

void ImgSizeMeasurement::StartRun(const Request& request)
{
    QImageReader reader(request.path);
    reader.setAutoTransform(false);
    auto run = std::make_shared<Run>();
    run->picture = reader.read();
    if (run->picture.isNull()) {
        m_sizes = run->sizes;
        emit Finished(m_sizes);
        return;
    }
    run->quality = request.quality;
    run->paths = FormatComparison::CandidatePaths(m_tempFolder);
    run->twinPath = FormatComparison::CapturePath(m_tempFolder);
    m_current = run;

    // The GIF takes longest, so it starts first.
    for (const int variant : { GifVariant, 0, PngVariant }) {
        m_pool.start([this, run, variant] {
            const std::size_t i = std::size_t(variant);
            run->sizes[i] = writeVariant(run->picture, run->paths[variant], run->quality, run->cancel);
            // The viewer shows a PNG variant from its BMP twin.
            if (variant == PngVariant && run->sizes[i] != FormatComparison::Failed)
                cGdiPlus().PictureBoxToFile(run->picture, run->twinPath, 0, nullptr, &run->cancel);
            if (run->remaining.fetch_sub(1) == 1)
                QMetaObject::invokeMethod(this, [this, run] { RunDone(run); }, Qt::QueuedConnection);
        });
    }
}

void ImgSizeMeasurement::RunDone(const std::shared_ptr<Run>& run)
{
    if (run != m_current)
        return;
    m_current.reset();
    if (m_pending) {
        const Request next = *m_pending;
        m_pending.reset();
        StartRun(next);
        return;
    }
    if (run->cancel)
        return;
    m_sizes = run->sizes;
    emit Finished(m_sizes);
}
