#pragma once

#include <QLabel>

// A one-line label that never widens its window: text too long for it is cut in the middle with "…",
// so that both the start and the end (a file name) stay in sight, and the whole text is its tool tip.
class ElidedLabel final : public QLabel
{
    Q_OBJECT

public:
    explicit ElidedLabel(const QString& text = QString(), QWidget* parent = nullptr);

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

    // The text as it is drawn at the label's current width.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
