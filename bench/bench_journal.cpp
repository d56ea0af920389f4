// bench_journal <journal template folder> <runs>
//
// Builds the journal page from a journal of 100 000 records without a row limit, with the program's page
// builder and with the reference builder of ReferenceJournalPage.cpp, and with a limit of 100 rows from
// journals of 100 000 and of 1000 records. Prints one JSON line per run with the times; bench/run.sh turns
// them into ratios.
#include "ReferenceJournalPage.h"
#include "journal/Journal.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace
{

constexpr int LargeJournal = 100000;
constexpr int SmallJournal = 1000;
constexpr int Limit = 100;
constexpr int LimitRepeats = 20;

void copyTemplates(const QString& from, const QString& programFolder)
{
    QDir().mkpath(programFolder + QStringLiteral("/journal"));
    for (const char* name : { "body.htm", "table.htm", "clipboard.gif", "nofile.gif" }) {
        const QString file = QLatin1String(name);
        QFile::copy(from + u'/' + file, programFolder + QStringLiteral("/journal/") + file);
    }
}

// A journal as uploads leave it: a third clipboard pictures, a third files that are still there and a
// third files that are gone, with links of a usual length.
void writeJournal(const QString& programFolder, const QString& pictures, int records)
{
    QFile journal(programFolder + QStringLiteral("/journal.txt"));
    if (!journal.open(QIODevice::WriteOnly))
        std::exit(2);
    QByteArray text;
    for (int i = 1; i <= records; ++i) {
        QByteArray source;
        if (i % 3 == 0)
            source = "Clipboard";
        else if (i % 3 == 1)
            source = QFile::encodeName(pictures) + "/photo-" + QByteArray::number(i % 50) + ".jpg";
        else
            source = "/home/user/Изображения/deleted-" + QByteArray::number(i) + ".jpg";
        const QByteArray id = QByteArray::number(1000000 + i, 16);
        text += source + "\thttp://images.example.org/i/" + id + ".jpg\thttp://images.example.org/t/" + id
            + ".jpg\t09.03.2024\t14:05:07\r\n";
    }
    journal.write(text);
}

double elapsedMs(const std::function<void()>& work, int repeats = 1)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < repeats; ++i)
        work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6 / repeats;
}

QByteArray readPage(const QString& programFolder)
{
    QFile page(Journal::PagePath(programFolder));
    return page.open(QIODevice::ReadOnly) ? page.readAll() : QByteArray();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_journal <journal template folder> <runs>\n");
        return 2;
    }
    const QString templates = QString::fromLocal8Bit(argv[1]);
    const int runs = std::max(1, std::atoi(argv[2]));

    QTemporaryDir temp;
    const QString large = temp.filePath(QStringLiteral("large"));
    const QString small = temp.filePath(QStringLiteral("small"));
    const QString pictures = temp.filePath(QStringLiteral("pictures"));
    QDir().mkpath(pictures);
    for (int i = 0; i < 50; ++i) {
        QFile picture(pictures + QStringLiteral("/photo-%1.jpg").arg(i));
        if (picture.open(QIODevice::WriteOnly))
            picture.write("jpeg");
    }
    copyTemplates(templates, large);
    copyTemplates(templates, small);
    writeJournal(large, pictures, LargeJournal);
    writeJournal(small, pictures, SmallJournal);

    // The two builders must give the same page, or the comparison means nothing.
    Journal::BuildJournalPage(large, 0);
    const QByteArray programPage = readPage(large);
    BuildReferenceJournalPage(large);
    if (readPage(large) != programPage)
        std::fprintf(stderr, "bench_journal: warning: the reference page differs from the program's page\n");

    for (int run = 0; run < runs; ++run) {
        const double program = elapsedMs([&] { Journal::BuildJournalPage(large, 0); });
        const double reference = elapsedMs([&] { BuildReferenceJournalPage(large); });
        // One build before the timing replaces the page of the unlimited build: removing a page of 100 000
        // rows is no part of building a limited one.
        Journal::BuildJournalPage(large, Limit);
        Journal::BuildJournalPage(small, Limit);
        const double limitedLarge = elapsedMs([&] { Journal::BuildJournalPage(large, Limit); }, LimitRepeats);
        const double limitedSmall = elapsedMs([&] { Journal::BuildJournalPage(small, Limit); }, LimitRepeats);
        std::printf("{\"full_us_per_record\": %.4f, \"full_reference_us_per_record\": %.4f, "
                    "\"limit_large_ms\": %.4f, \"limit_small_ms\": %.4f}\n",
            program * 1000 / LargeJournal, reference * 1000 / LargeJournal, limitedLarge, limitedSmall);
        std::fflush(stdout);
    }
    return 0;
}
