#include "PacedText.h"

#include <QLabel>

PacedText::PacedText(QLabel* label, int gapMs)
    : QObject(label)
    , m_label(label)
    , m_gap(gapMs)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &PacedText::flush);
}

void PacedText::show(const QString& text)
{
    if (m_hasWaiting) {
        m_waiting = text;
        return;
    }
    const qint64 since = m_sinceDrawn.isValid() ? m_sinceDrawn.elapsed() : m_gap;
    if (since >= m_gap) {
        draw(text);
        return;
    }
    m_waiting = text;
    m_hasWaiting = true;
    m_timer.start(static_cast<int>(m_gap - since));
}

void PacedText::flush()
{
    if (!m_hasWaiting)
        return;
    m_timer.stop();
    m_hasWaiting = false;
    draw(m_waiting);
}

void PacedText::draw(const QString& text)
{
    m_label->setText(text);
    // Drawn before control returns: the status must be seen even when a long step follows at once.
    m_label->repaint();
    m_sinceDrawn.start();
}
