// Writes the program's files over and over until it is killed, so that kills land in their write windows:
//   stress_writer journal <folder>    appends the journal records 1, 2, 3, ... (see Record())
//   stress_writer settings <folder>   saves options.ini, linkTypes.ini, proxy.dat and cookies.ini in turn
// Prints "started" when it begins.
#include "StressRecords.h"
#include "engine/Cookies.h"
#include "journal/Journal.h"
#include "links/LinkTables.h"
#include "links/LinkTypes.h"
#include "settings/OptionsModule.h"
#include "settings/Signature_module.h"

#include <QCoreApplication>

#include <cstdio>

namespace
{

void saveSettings(const QString& folder, int n)
{
    OptionsModule options(folder);
    options.LoadOptions();
    options.settings().ProxyHost = StressRecords::ProxyHost(n);
    options.settings().JournalRows = static_cast<qint16>(OptionsModule::MinJournalRows + n % 400);
    options.SaveOptions();

    LinkTables tables;
    LinkTypes::AddLinkTypes(folder, tables);
    LinkTables edited = tables;
    edited.slot(1 + n % LinkTables::SlotCount).title = StressRecords::LinkTitle(n);
    LinkTypes::SaveLinkTypes(folder, tables, edited);

    Signature_module::SaveProxyCredentials(folder, StressRecords::ProxyUser(n), StressRecords::ProxyUser(n));
    Cookies::CaptureCookies(folder, StressRecords::CookieReply(n), StressRecords::CookieHost);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const QByteArray mode = argv[1];
    const QString folder = QString::fromLocal8Bit(argv[2]);
    std::puts("started");
    std::fflush(stdout);
    for (int n = 1;; ++n) {
        if (mode == "journal")
            Journal::AppendJournalRecord(
                folder, StressRecords::Source(n), StressRecords::ImageLink(n), StressRecords::PreviewLink(n));
        else if (mode == "settings")
            saveSettings(folder, n);
        else
            return 2;
    }
}
