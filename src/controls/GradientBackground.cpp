#include "GradientBackground.h"

#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>

GradientBackground::GradientBackground(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GradientBackground::paintEvent(QPaintEvent* event)
{
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, Top);
    gradient.setColorAt(1, Bottom);
    QPainter(this).fillRect(event->rect(), gradient);
}
