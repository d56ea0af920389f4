#include "ShowJournal.h"

#include "journal/Journal.h"
#include "platform/ui/MessageBox.h"

namespace Journal
{

void ShowJournal(QWidget* parent, const QString& programFolder, bool limitJournal, int journalRows)
{
    if (const std::optional<Notice> notice = OpenJournal(programFolder, limitJournal, journalRows)) {
        Platform::ShowMessage(parent, notice->text, notice->title,
            notice->error ? Platform::MessageIcon::Error : Platform::MessageIcon::Information);
    }
}

} // namespace Journal
