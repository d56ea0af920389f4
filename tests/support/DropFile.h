#pragma once

#include <QString>

class QWidget;

struct DropOutcome {
    bool enterAccepted = false;
    bool dropAccepted = false;
};

// Drags a file from a file manager onto the middle of the widget and drops it there.
DropOutcome DropFile(QWidget& target, const QString& path);
