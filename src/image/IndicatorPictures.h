#pragma once

#include <QIcon>
#include <QPixmap>

// The pictures that tell whether the image fits the selected service: a green check mark (fits) and a
// red cross (exceeds a limit), each on a round badge, drawn for any size.
namespace IndicatorPictures
{

QPixmap Fits(int side);
QPixmap Exceeds(int side);

// Both pictures at the usual sizes, for buttons.
QIcon FitsIcon();
QIcon ExceedsIcon();

} // namespace IndicatorPictures
