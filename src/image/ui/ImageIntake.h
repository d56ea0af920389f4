#pragma once

#include "CommonDialog.h"
#include "image/ImageLimits.h"
#include "image/ImageSelection.h"

#include <QObject>

class QLabel;
class QWidget;
class ScrollingPic;

// The main window's image area: choosing the image (Command1 and the open dialog), showing and
// describing it (RI, st, Ftype, RiL, SiL), the zoom buttons, and the check of the image against the
// selected service's limits (OKupl, NoUpl, Command2) with the "Информация" window. It owns the current
// image values. Any control may be null; buttons are connected through their clicked() signal.
class ImageIntake final : public QObject
{
    Q_OBJECT

public:
    struct Controls {
        ScrollingPic* RI = nullptr;
        QLabel* st = nullptr;
        QLabel* Ftype = nullptr;
        QLabel* RiL = nullptr;
        QLabel* SiL = nullptr;
        QWidget* Servers = nullptr;
        QWidget* Copy_to = nullptr;
        QWidget* OpenTB = nullptr;
        QWidget* Command1 = nullptr;
        QWidget* zoom1 = nullptr;
        QWidget* zoom2 = nullptr;
        QWidget* OKupl = nullptr;
        QWidget* NoUpl = nullptr;
        QWidget* Command2 = nullptr;
    };

    // The window is the parent of this object and the owner of its dialogs and message boxes.
    ImageIntake(const QString& programFolder, const Controls& controls, QWidget* window);

    // Makes the file at the path the current image: preview in the fit view, description, Servers
    // enabled, Copy_to and OpenTB hidden, and the limits check of the selected service run for it. A
    // file that cannot be shown gets an error message box and leaves everything as it was.
    bool OpenImgFile(const QString& path);

    // The open button: the open dialog, starting at [Main] LastDir; a chosen file is written to LastDir
    // and opened. A cancelled dialog changes nothing.
    void ChooseFile();

    // The server selection, once the selected service's limits are known: checks the current image and
    // shows OKupl (fits) or NoUpl (does not), enabling or disabling Command2 to match. Gives the verdict.
    QString CheckServerLimits(const ImageLimits::Limits& limits);

    // OKupl / NoUpl: the "Информация" window for the current image and limits, shown modally.
    void ShowImageInfo();

    // zoom1 (true) / zoom2 (false).
    void Zoom(bool fullsize);

    const ImageSelection::ImageValues& Values() const { return m_values; }
    QString CurrentImagePath() const { return m_values.CurrentImagePath; }
    const ImageLimits::Limits& Limits() const { return m_limits; }

signals:
    // A new current image is on show.
    void ImageOpened(const QString& path);

private slots:
    void OnCommand1();
    void OnZoom1();
    void OnZoom2();
    void OnIndicator();

private:
    void ConnectClick(QWidget* button, const char* slot);

    QString m_programFolder;
    Controls m_controls;
    QWidget* m_window = nullptr;
    CommonDialog m_dialog; // CD
    ImageSelection::ImageValues m_values;
    ImageLimits::Limits m_limits;
};
