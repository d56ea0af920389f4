#include "GetImgSize.h"

#include "image/ImgSizeMeasurement.h"

#include <QLabel>
#include <QPainter>

namespace
{

constexpr int ControlWidth = 320;
constexpr int RowHeight = 26;
constexpr int CaptionWidth = 44; // the format names left of the bars
constexpr int Top = 8;
const char* const FormatNames[] = { "JPG", "GIF", "PNG" };

QRect rowRect(int index, int width)
{
    return { CaptionWidth, Top + index * RowHeight + 4, width - CaptionWidth - 6, RowHeight - 8 };
}

} // namespace

// The container: two backgrounds, one while there is no result (measuring, or a text instead of
// bars) and one under the bars.
class GetImgSize::Container final : public QWidget
{
public:
    using QWidget::QWidget;

    void SetText(const QString& text)
    {
        m_text = text;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const bool result = m_text.isEmpty();
        QLinearGradient gradient(0, 0, 0, height());
        gradient.setColorAt(0.0, result ? QColor(0xfd, 0xfe, 0xff) : QColor(0xf1, 0xf3, 0xf6));
        gradient.setColorAt(1.0, result ? QColor(0xe4, 0xec, 0xf6) : QColor(0xe1, 0xe4, 0xea));
        painter.fillRect(rect(), gradient);
        painter.setPen(QColor(0x9a, 0xa8, 0xbc));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        painter.setPen(QColor(0x30, 0x3a, 0x4a));
        for (int i = 0; i < FormatComparison::VariantCount; ++i) {
            const QRect caption(8, Top + i * RowHeight, CaptionWidth - 8, RowHeight);
            painter.drawText(caption, Qt::AlignVCenter | Qt::AlignLeft, QLatin1String(FormatNames[i]));
        }
        if (!result) {
            painter.setPen(QColor(0x50, 0x5a, 0x6a));
            painter.drawText(rect().adjusted(CaptionWidth, 0, 0, 0), Qt::AlignCenter | Qt::TextWordWrap, m_text);
        }
    }

private:
    QString m_text;
};

GetImgSize::GetImgSize(const QString& tempFolder, QWidget* parent)
    : QWidget(parent)
    , m_cont(new Container(this))
    , m_measurement(new ImgSizeMeasurement(tempFolder, this))
{
    setObjectName(QStringLiteral("ISz"));
    m_cont->setObjectName(QStringLiteral("Cont"));
    const QSize size(ControlWidth, 2 * Top + FormatComparison::VariantCount * RowHeight);
    setFixedSize(size);
    m_cont->setGeometry(QRect(QPoint(0, 0), size));
    for (int i = 0; i < FormatComparison::VariantCount; ++i) {
        auto* bar = new QWidget(m_cont);
        bar->setObjectName(QStringLiteral("g_%1").arg(i));
        bar->setAutoFillBackground(true);
        m_bars[std::size_t(i)] = bar;
        auto* label = new QLabel(m_cont);
        label->setObjectName(QStringLiteral("s_%1").arg(i));
        m_labels[std::size_t(i)] = label;
    }
    ClearBars();
    connect(m_measurement, &ImgSizeMeasurement::Started, this, &GetImgSize::OnStarted);
    connect(m_measurement, &ImgSizeMeasurement::Finished, this, &GetImgSize::OnFinished);
}

GetImgSize::~GetImgSize() = default;

void GetImgSize::GetSize(const QString& path, int quality)
{
    m_measurement->GetSize(path, quality);
}

void GetImgSize::ShowText(const QString& text)
{
    ClearBars();
    m_cont->SetText(text);
}

bool GetImgSize::IsMeasuring() const
{
    return m_measurement->IsMeasuring();
}

const FormatComparison::Sizes& GetImgSize::Sizes() const
{
    return m_measurement->Sizes();
}

void GetImgSize::ClearBars()
{
    for (int i = 0; i < FormatComparison::VariantCount; ++i) {
        QPalette palette = m_bars[std::size_t(i)]->palette();
        palette.setColor(QPalette::Window, FormatComparison::BarColour(false, false));
        m_bars[std::size_t(i)]->setPalette(palette);
        m_bars[std::size_t(i)]->hide();
        m_labels[std::size_t(i)]->clear();
        m_labels[std::size_t(i)]->hide();
    }
}

void GetImgSize::OnStarted()
{
    ShowText(QStringLiteral("Идёт измерение…"));
    // The user sees that the sizes are out of date before the work starts.
    m_cont->repaint();
    emit MeasuringStarted();
}

void GetImgSize::OnFinished(const FormatComparison::Sizes& sizes)
{
    const FormatComparison::Result result = FormatComparison::Compare(sizes);
    m_cont->SetText(QString());
    for (int i = 0; i < FormatComparison::VariantCount; ++i) {
        const FormatComparison::Bar& bar = result.bars[std::size_t(i)];
        QPalette palette = m_bars[std::size_t(i)]->palette();
        palette.setColor(QPalette::Window, bar.colour);
        m_bars[std::size_t(i)]->setPalette(palette);
        m_bars[std::size_t(i)]->setVisible(!bar.failed);
        m_labels[std::size_t(i)]->setText(bar.label);
        m_labels[std::size_t(i)]->setStyleSheet(bar.failed ? QStringLiteral("color: #b00000;") : QString());
        m_labels[std::size_t(i)]->show();
        m_percent[std::size_t(i)] = bar.percent;
    }
    PlaceBars();
    m_cont->repaint();
    emit Measured(sizes);
    for (const int index : result.minSize)
        emit MinSize(index);
}

void GetImgSize::PlaceBars()
{
    for (int i = 0; i < FormatComparison::VariantCount; ++i) {
        const QRect row = rowRect(i, m_cont->width());
        const int width = FormatComparison::BarWidth(row.width(), m_percent[std::size_t(i)]);
        m_bars[std::size_t(i)]->setGeometry(row.x(), row.y(), qMax(1, width), row.height());
        QLabel* label = m_labels[std::size_t(i)];
        label->adjustSize();
        const int x = !m_bars[std::size_t(i)]->isHidden() ? row.x() + width + 6 : row.x();
        label->move(x, row.center().y() - label->height() / 2);
    }
}
