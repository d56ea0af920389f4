#pragma once

#include <QString>

class QWidget;

namespace Journal
{

// The journal button: opens the journal page and shows in a message box what there is to tell.
void ShowJournal(QWidget* parent, const QString& programFolder, bool limitJournal, int journalRows);

} // namespace Journal
