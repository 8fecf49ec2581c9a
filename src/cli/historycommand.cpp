// vexaris-cli history NAME [--json] [--entries]: the resolution journal of a collection, newest
// first, a batch of a rule as one line (with --entries followed by its resolutions).
#include <iostream>
#include <map>
#include <string>

#include "cli/command.h"
#include "common/error.h"
#include "i18n/translate.h"
#include "review/actions.h"
#include "store/journal.h"

namespace vexaris::cli {

namespace {

std::string timeText(const QDateTime &time)
{
    return time.isValid() ? time.toUTC().toString(Qt::ISODateWithMs).toStdString() : std::string();
}

void printEntry(const store::JournalEntry &entry, bool json)
{
    if (json) {
        std::cout << "{\"id\":" << entry.id << ",\"time\":" << jsonString(timeText(entry.time))
                  << ",\"action\":" << jsonString(review::actionInfo(entry.action).name)
                  << ",\"undone\":" << (entry.undone ? "true" : "false") << ",\"difference\":" << entry.difference
                  << ",\"leftPath\":" << jsonString(entry.leftPath.toStdString()) << ",\"leftSize\":" << entry.leftSize
                  << ",\"leftModified\":" << jsonString(timeText(entry.leftTime))
                  << ",\"rightPath\":" << jsonString(entry.rightPath.toStdString())
                  << ",\"rightSize\":" << entry.rightSize
                  << ",\"rightModified\":" << jsonString(timeText(entry.rightTime))
                  << ",\"trashInfoName\":" << jsonString(entry.trashInfoName.toStdString())
                  << ",\"targetPath\":" << jsonString(entry.targetPath.toStdString());
        if (entry.batchId != 0)
            std::cout << ",\"batch\":" << entry.batchId;
        std::cout << "}\n";
        return;
    }
    std::cout << entry.id << '\t' << timeText(entry.time) << '\t' << review::actionInfo(entry.action).name << '\t'
              << (entry.undone ? "undone" : "-") << '\t' << entry.difference << '\t'
              << plainField(entry.leftPath.toStdString()) << '\t' << plainField(entry.rightPath.toStdString()) << '\n';
}

void printBatch(const store::BatchEntry &batch, bool json)
{
    if (json) {
        std::cout << "{\"batch\":" << batch.id << ",\"time\":" << jsonString(timeText(batch.time))
                  << ",\"rule\":" << jsonString(batch.ruleName.toStdString()) << ",\"entries\":" << batch.resolutions
                  << ",\"undone\":" << batch.undone << "}\n";
        return;
    }
    const char *undone = batch.undone == 0 ? "-" : (batch.undone == batch.resolutions ? "undone" : "partly-undone");
    std::cout << "batch:" << batch.id << '\t' << timeText(batch.time) << "\tbatch\t" << undone << '\t'
              << batch.resolutions << '\t' << plainField(batch.ruleName.toStdString()) << "\t\n";
}

int runHistory(Context &context, const QStringList &arguments)
{
    QStringList args = arguments;
    const bool json = takeFlag(args, QStringLiteral("--json"));
    const bool entries = takeFlag(args, QStringLiteral("--entries"));
    expectPositional(args, 1, "history");

    store::Session session;
    openDatabase(session, context, store::OpenMode::ReadOnly);
    loadCollection(session, args.first());

    std::map<qint64, store::BatchEntry> batches;
    for (store::BatchEntry &batch : store::ListBatches(session, session.CurrentCollection.ID))
        batches.emplace(batch.id, std::move(batch));
    qint64 shownBatch = 0;
    for (const store::JournalEntry &entry : store::ListResolutions(session, session.CurrentCollection.ID)) {
        // A batch's resolutions follow one another; the batch is listed where its newest one is.
        if (entry.batchId != 0 && entry.batchId != shownBatch) {
            shownBatch = entry.batchId;
            const auto batch = batches.find(entry.batchId);
            if (batch != batches.end())
                printBatch(batch->second, json);
        }
        if (entry.batchId == 0 || entries)
            printEntry(entry, json);
    }
    std::cout.flush();
    if (!std::cout)
        throw Error(_("Could not write to standard output"));
    return kExitDone;
}

const bool registered = registerCommand({
    "history",
    N_("NAME [--json] [--entries]"),
    N_("list the resolutions of a collection's pairs, newest first: ID, time (UTC), action, undone or -, "
       "difference, left path, right path; a batch of a rule is one line, batch:ID, time, batch, undone, "
       "partly-undone or -, its number of resolutions and the rule's name, and --entries lists its resolutions "
       "after it"),
    runHistory,
});

} // namespace

} // namespace vexaris::cli
