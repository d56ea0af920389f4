#include "ImageIntake.h"

#include "IMGinfo.h"
#include "ScrollingPic.h"
#include "image/IndicatorPictures.h"
#include "platform/ui/MessageBox.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QMetaMethod>
#include <QWidget>

namespace
{

void setShown(QWidget* widget, bool shown)
{
    if (widget)
        widget->setVisible(shown);
}

// The push button control has its own enabled property; any other widget is simply enabled.
void setEnabledCtrl(QWidget* widget, bool enabled)
{
    if (!widget)
        return;
    if (widget->metaObject()->indexOfProperty("EnabledCtrl") >= 0)
        widget->setProperty("EnabledCtrl", enabled);
    else
        widget->setEnabled(enabled);
}

void setIndicatorPicture(QWidget* widget, const QIcon& icon)
{
    if (auto* button = qobject_cast<QAbstractButton*>(widget); button && button->icon().isNull()) {
        button->setIcon(icon);
        button->setIconSize(QSize(24, 24));
    }
}

} // namespace

ImageIntake::ImageIntake(const QString& programFolder, const Controls& controls, QWidget* window)
    : QObject(window)
    , m_programFolder(programFolder)
    , m_controls(controls)
    , m_window(window)
{
    ConnectClick(m_controls.Command1, SLOT(OnCommand1()));
    ConnectClick(m_controls.zoom1, SLOT(OnZoom1()));
    ConnectClick(m_controls.zoom2, SLOT(OnZoom2()));
    ConnectClick(m_controls.OKupl, SLOT(OnIndicator()));
    ConnectClick(m_controls.NoUpl, SLOT(OnIndicator()));
    setIndicatorPicture(m_controls.OKupl, IndicatorPictures::FitsIcon());
    setIndicatorPicture(m_controls.NoUpl, IndicatorPictures::ExceedsIcon());
    const bool fullsize = m_controls.RI && m_controls.RI->FullsizeMode();
    setShown(m_controls.zoom1, !fullsize);
    setShown(m_controls.zoom2, fullsize);
}

void ImageIntake::ConnectClick(QWidget* button, const char* slot)
{
    if (!button)
        return;
    if (button->metaObject()->indexOfSignal("clicked()") < 0) {
        qWarning("ImageIntake: %s has no clicked() signal", qPrintable(button->objectName()));
        return;
    }
    connect(button, SIGNAL(clicked()), this, slot);
}

bool ImageIntake::OpenImgFile(const QString& path)
{
    // Only the clipboard's pictures, written to the program's tmp folder, have a BMP twin.
    const ImageSelection::ImageDescription description
        = ImageSelection::Describe(path, QDir(m_programFolder).filePath(QStringLiteral("tmp")));
    if (!description.ok) {
        Platform::ShowMessage(
            m_window, description.errorText, ImageSelection::OpenErrorTitle(), Platform::MessageIcon::Error);
        return false;
    }

    m_values = description.values;
    if (m_controls.RI)
        m_controls.RI->SetPicture(description.viewerSource);
    if (m_controls.st)
        m_controls.st->setText(m_values.CurrentImagePath);
    if (m_controls.Ftype)
        m_controls.Ftype->setText(description.typeText);
    if (m_controls.RiL)
        m_controls.RiL->setText(description.sizeText);
    if (m_controls.SiL)
        m_controls.SiL->setText(description.weightText);
    if (m_controls.Servers)
        m_controls.Servers->setEnabled(true);
    // The link of an earlier upload does not belong to this image.
    setShown(m_controls.Copy_to, false);
    setShown(m_controls.OpenTB, false);
    // A new picture is always shown fitted.
    setShown(m_controls.zoom1, true);
    setShown(m_controls.zoom2, false);
    // The indicator and the upload button follow the new picture at once.
    CheckServerLimits(m_limits);
    emit ImageOpened(m_values.CurrentImagePath);
    return true;
}

void ImageIntake::ChooseFile()
{
    const QString lastDir = ImageSelection::ReadLastDir(m_programFolder);
    QString chosen
        = m_dialog.OpenFile(ImageSelection::OpenDialogTitle(), ImageSelection::OpenDialogFilter(), m_window, lastDir);
    chosen.remove(QChar(u'\0'));
    if (chosen.isEmpty())
        return;
    ImageSelection::WriteLastDir(m_programFolder, chosen);
    OpenImgFile(chosen);
}

QString ImageIntake::CheckServerLimits(const ImageLimits::Limits& limits)
{
    m_limits = limits;
    const QString verdict = ImageLimits::CheckImageLimits(
        m_limits, m_values.CurrentImageWidth, m_values.CurrentImageHeight, m_values.CurrentImageSize);
    const bool acceptable = ImageLimits::IsAcceptable(verdict);
    setShown(m_controls.OKupl, acceptable);
    setShown(m_controls.NoUpl, !acceptable);
    setEnabledCtrl(m_controls.Command2, acceptable);
    return verdict;
}

void ImageIntake::ShowImageInfo()
{
    IMGinfo window(
        m_limits, m_values.CurrentImageWidth, m_values.CurrentImageHeight, m_values.CurrentImageSize, m_window);
    window.exec();
}

void ImageIntake::Zoom(bool fullsize)
{
    if (m_controls.RI)
        m_controls.RI->Fullsize(fullsize);
    setShown(m_controls.zoom1, !fullsize);
    setShown(m_controls.zoom2, fullsize);
}

void ImageIntake::OnCommand1()
{
    ChooseFile();
}

void ImageIntake::OnZoom1()
{
    Zoom(true);
}

void ImageIntake::OnZoom2()
{
    Zoom(false);
}

void ImageIntake::OnIndicator()
{
    ShowImageInfo();
}
