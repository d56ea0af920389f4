#include "ElidedLabel.h"

#include <QPainter>
#include <QStyle>

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

QSize ElidedLabel::minimumSizeHint() const
{
    return { fontMetrics().averageCharWidth() * 8, QLabel::minimumSizeHint().height() };
}

QSize ElidedLabel::sizeHint() const
{
    return { fontMetrics().averageCharWidth() * 30, QLabel::sizeHint().height() };
}

QString ElidedLabel::shownText() const
{
    const int width = contentsRect().width() - 2 * margin() - (indent() > 0 ? indent() : 0);
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, qMax(0, width));
}

void ElidedLabel::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    const QString shown = shownText();
    const QString tip = shown == text() ? QString() : text();
    if (toolTip() != tip)
        setToolTip(tip);
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    style()->drawItemText(
        &painter, area, int(alignment()) | Qt::TextSingleLine, palette(), isEnabled(), shown, foregroundRole());
}
