#pragma once

#include "image/FormatComparison.h"

#include <QWidget>

#include <array>

class ImgSizeMeasurement;
class QLabel;

// The format comparison: saves a picture as JPEG, GIF and PNG in the scratch folder, away from the
// window thread, and shows the three sizes as labelled bars (the largest red, the smallest green).
// While it measures, the container says so and shows no bars.
//
// Parts, found by object name: "Cont" (the container, as large as the control), "g_0", "g_1", "g_2"
// (the bars of JPG, GIF, PNG) and "s_0", "s_1", "s_2" (their size labels).
class GetImgSize final : public QWidget
{
    Q_OBJECT

public:
    explicit GetImgSize(const QString& tempFolder, QWidget* parent = nullptr);
    ~GetImgSize() override;

    // Measures the picture in the file at the path, the JPEG variant at the quality. A measurement
    // still going is cancelled and its sizes are never shown.
    void GetSize(const QString& path, int quality);
    // Shows a text in place of the bars (nothing to measure).
    void ShowText(const QString& text);

    bool IsMeasuring() const;
    // The sizes on show, FormatComparison::Failed for a variant that could not be written.
    const FormatComparison::Sizes& Sizes() const;

signals:
    // A measurement began; the variant files are being rewritten.
    void MeasuringStarted();
    // The three sizes are on show. Comes before the MinSize events.
    void Measured(const FormatComparison::Sizes& sizes);
    // The variant with the smallest file: 1 JPG, 2 GIF, 3 PNG; once for each variant of that size.
    void MinSize(int index);

private:
    void OnStarted();
    void OnFinished(const FormatComparison::Sizes& sizes);
    void ClearBars();
    void PlaceBars();

    class Container;
    Container* m_cont = nullptr;
    std::array<QWidget*, FormatComparison::VariantCount> m_bars {};
    std::array<QLabel*, FormatComparison::VariantCount> m_labels {};
    std::array<int, FormatComparison::VariantCount> m_percent {};
    ImgSizeMeasurement* m_measurement = nullptr;
};
