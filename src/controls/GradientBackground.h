#pragma once

#include <QColor>
#include <QWidget>

// A plain widget that paints a vertical gradient behind its children: the light blue-grey background of the
// program's windows. Painting it directly spares the window the style-sheet machinery, which would
// otherwise polish every child at start-up.
class GradientBackground final : public QWidget
{
    Q_OBJECT

public:
    explicit GradientBackground(QWidget* parent = nullptr);

    static constexpr QColor Top = QColor(0xf5, 0xf7, 0xfb);
    static constexpr QColor Bottom = QColor(0xe3, 0xe9, 0xf3);

protected:
    void paintEvent(QPaintEvent* event) override;
};
