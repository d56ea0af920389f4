#pragma once

#include <QIcon>

// The program's small pictures, drawn as simple line glyphs so that they stay sharp at any scale.
namespace Icons
{

QIcon Copy();
QIcon OpenLink();
QIcon Settings();
QIcon ServerInfo();
QIcon Site();
QIcon ZoomFit();
QIcon ZoomFull();

} // namespace Icons
