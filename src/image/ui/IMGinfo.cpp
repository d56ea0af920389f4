#include "IMGinfo.h"

#include "controls/Buttons.h"
#include "image/IndicatorPictures.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

// A quiet light gradient under the window's contents.
class Background final : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        QLinearGradient gradient(0, 0, 0, height());
        gradient.setColorAt(0.0, QColor(0xfb, 0xfc, 0xfe));
        gradient.setColorAt(1.0, QColor(0xdd, 0xe6, 0xf2));
        painter.fillRect(rect(), gradient);
    }
};

} // namespace

IMGinfo::IMGinfo(
    const ImageLimits::Limits& limits, qint32 imageWidth, qint32 imageHeight, qint32 imageSize, QWidget* parent)
    : QDialog(parent)
    , m_verdict(ImageLimits::CheckImageLimits(limits, imageWidth, imageHeight, imageSize))
    , m_background(new Background(this))
{
    setObjectName(QStringLiteral("IMGinfo"));
    setWindowTitle(QStringLiteral("Информация"));
    m_background->setObjectName(QStringLiteral("BG"));
    m_background->lower();

    constexpr int pictureSide = 48;
    auto* fits = new QLabel(this);
    fits->setObjectName(QStringLiteral("Image1"));
    fits->setPixmap(IndicatorPictures::Fits(pictureSide));
    auto* exceeds = new QLabel(this);
    exceeds->setObjectName(QStringLiteral("Image2"));
    exceeds->setPixmap(IndicatorPictures::Exceeds(pictureSide));
    const bool acceptable = ImageLimits::IsAcceptable(m_verdict);
    fits->setVisible(acceptable);
    exceeds->setVisible(!acceptable);

    // The verdict's lines end with CR LF; the label breaks lines at LF, and the last break adds nothing.
    QString shown = m_verdict;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (shown.endsWith(QLatin1Char('\n')))
        shown.chop(1);
    auto* verdict = new QLabel(shown, this);
    verdict->setObjectName(QStringLiteral("Label1"));
    verdict->setTextFormat(Qt::PlainText);
    verdict->setWordWrap(true);
    verdict->setMinimumWidth(360);

    auto* ok = Buttons::CreateButton(QStringLiteral("ОК"), QStringLiteral("XpB1"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* message = new QHBoxLayout;
    message->setSpacing(14);
    message->addWidget(fits, 0, Qt::AlignTop);
    message->addWidget(exceeds, 0, Qt::AlignTop);
    message->addWidget(verdict, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 14);
    layout->addLayout(message, 1);
    layout->addSpacing(10);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(380, 150)));
    m_background->setGeometry(rect());
}

void IMGinfo::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    m_background->setGeometry(0, 0, width(), height());
}
