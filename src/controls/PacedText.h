#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class QLabel;

// Shows a stream of texts in a label at a pace the eye can follow. A text that comes within a gap (MinimumGap unless told) of
// the one drawn before it waits, and the newest waiting text is drawn when the gap has passed; flush()
// draws it at once. An upload reports its progress many hundred times a second, and laying out and
// drawing each of those texts would cost more than the transfer itself.
class PacedText final : public QObject
{
    Q_OBJECT

public:
    static constexpr int MinimumGap = 40; // ms

    explicit PacedText(QLabel* label, int gapMs = MinimumGap);

    void show(const QString& text);
    // Draws the waiting text, if any, now.
    void flush();
    bool isWaiting() const { return m_hasWaiting; }

private:
    void draw(const QString& text);

    QLabel* m_label;
    int m_gap;
    QString m_waiting;
    bool m_hasWaiting = false;
    QElapsedTimer m_sinceDrawn;
    QTimer m_timer;
};
