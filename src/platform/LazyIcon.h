#pragma once

#include <QIcon>

#include <functional>

// An icon whose pictures are drawn when it is first shown, not when it is made: a window shows up sooner
// when its buttons' pictures wait for its first paint, and a picture that is never shown is never drawn.
// Once drawn it is the icon that draw returns. Its pictures are square, the largest `largestSide` pixels.
namespace LazyIcon
{

QIcon Make(std::function<QIcon()> draw, int largestSide);

} // namespace LazyIcon
