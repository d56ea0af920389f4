#pragma once

#include "FormatComparison.h"

#include <QObject>
#include <QThreadPool>

#include <memory>
#include <optional>

// Saves a picture file as the three variants "tmp.jpg", "tmp.gif" and "tmp.png" in the scratch folder
// and measures them, away from the window thread: the variants are encoded in parallel on a pool of
// their own. The PNG variant also gets its BMP twin "tmp.bmp" for the viewer.
//
// One run at a time writes the files. A new request while a run is going cancels that run (its sizes
// are never reported) and starts as soon as it has stopped; only the latest request waits. Destroying
// the object cancels the run and waits for its encoders to stop.
class ImgSizeMeasurement final : public QObject
{
    Q_OBJECT

public:
    explicit ImgSizeMeasurement(QString tempFolder, QObject* parent = nullptr);
    ~ImgSizeMeasurement() override;

    // Measures the picture in the file at the path, the JPEG variant at the quality.
    void GetSize(const QString& path, int quality);

    bool IsMeasuring() const { return m_current != nullptr || m_pending.has_value(); }
    // The sizes of the last finished run, FormatComparison::Failed for a variant not written.
    const FormatComparison::Sizes& Sizes() const { return m_sizes; }

signals:
    // A measurement has been asked for; the sizes shown so far are out of date.
    void Started();
    // All three sizes of the latest request are known.
    void Finished(const FormatComparison::Sizes& sizes);

private:
    struct Run;
    struct Request {
        QString path;
        int quality = 0;
    };

    void StartRun(const Request& request);
    void RunDone(const std::shared_ptr<Run>& run);

    QString m_tempFolder;
    QThreadPool m_pool;
    std::shared_ptr<Run> m_current;
    std::optional<Request> m_pending;
    FormatComparison::Sizes m_sizes;
};
