#pragma once

#include <QString>

// The journal page built the straightforward way, as the program built it before its page builder was made
// fast, with one change: a placeholder is tried only where the row template holds its first letter. It
// writes the same page as Journal::BuildJournalPage without a row limit and is the yardstick of
// bench_journal.
bool BuildReferenceJournalPage(const QString& programFolder);
