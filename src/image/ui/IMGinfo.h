#pragma once

#include "image/ImageLimits.h"

#include <QDialog>

class QLabel;
class QPushButton;

// The "Информация" window: whether the current image fits the selected service and, if not, which
// limits it exceeds. Parts, found by object name: "BG" (the background, stretched over the window),
// "Image1" (shown when the image fits), "Image2" (shown when it does not), "Label1" (the verdict, one
// line per exceeded limit) and "XpB1" (the "ОК" button, which closes the window).
class IMGinfo final : public QDialog
{
    Q_OBJECT

public:
    IMGinfo(const ImageLimits::Limits& limits, qint32 imageWidth, qint32 imageHeight, qint32 imageSize,
        QWidget* parent = nullptr);

    QString Verdict() const { return m_verdict; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QString m_verdict;
    QWidget* m_background = nullptr;
};
