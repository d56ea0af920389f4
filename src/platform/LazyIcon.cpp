#include "LazyIcon.h"

#include <QIconEngine>

#include <algorithm>

namespace
{

class LazyIconEngine final : public QIconEngine
{
public:
    LazyIconEngine(std::function<QIcon()> draw, int largestSide)
        : m_draw(std::move(draw))
        , m_largestSide(largestSide)
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        drawn().paint(painter, rect, Qt::AlignCenter, mode, state);
    }

    // The engine works in device pixels; the drawn icon is asked at a ratio of 1 so that it does not
    // scale a second time.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return drawn().pixmap(size, 1.0, mode, state);
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = std::min({ size.width(), size.height(), m_largestSide });
        return { side, side };
    }

    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return drawn().availableSizes(mode, state);
    }

    bool isNull() override { return false; }

    QIconEngine* clone() const override { return new LazyIconEngine(*this); }

    QString key() const override { return QStringLiteral("LazyIconEngine"); }

private:
    const QIcon& drawn()
    {
        if (m_drawn.isNull())
            m_drawn = m_draw();
        return m_drawn;
    }

    std::function<QIcon()> m_draw;
    int m_largestSide;
    QIcon m_drawn;
};

} // namespace

namespace LazyIcon
{

QIcon Make(std::function<QIcon()> draw, int largestSide)
{
    return QIcon(new LazyIconEngine(std::move(draw), largestSide));
}

} // namespace LazyIcon
