// vexaris-cli pairs NAME [--json]: the pairs a scan recorded for a collection, most alike first,
// as the review window lists them, each with the larger file first.
#include <iostream>
#include <string>

#include "cli/command.h"
#include "common/error.h"
#include "i18n/translate.h"
#include "review/pairlist.h"
#include "store/data.h"
#include "store/database.h"

namespace vexaris::cli {

namespace {

// The review window's order: ascending Difference. Ties keep the order the pairs were recorded
// in, so that two listings of the same database agree.
const char kPairQuery[] = "SELECT Duplicate.Difference, Duplicate.Left_ID, Duplicate.Right_ID,"
                          " LF.Path, LP.FileName, LP.[Size], RF.Path, RP.FileName, RP.[Size]"
                          " FROM Duplicate"
                          " LEFT JOIN Picture LP ON Duplicate.Left_ID = LP.ID"
                          " LEFT JOIN Picture RP ON Duplicate.Right_ID = RP.ID"
                          " LEFT JOIN Folder LF ON LP.FolderID = LF.ID"
                          " LEFT JOIN Folder RF ON RP.FolderID = RF.ID"
                          " WHERE Duplicate.Collection_ID = ?"
                          " ORDER BY Duplicate.Difference, Duplicate.ID";

struct Side
{
    qint64 id = 0;
    QString path;
    qint64 size = 0;
};

// The full path, or empty when the picture or its folder row is missing.
QString fullPath(const store::Value &folder, const store::Value &name)
{
    if (folder.isNull() || name.isNull())
        return {};
    return review::joinPath(folder.toString(), name.toString());
}

int runPairs(Context &context, const QStringList &arguments)
{
    QStringList args = arguments;
    const bool json = takeFlag(args, QStringLiteral("--json"));
    expectPositional(args, 1, "pairs");

    store::Session session;
    openDatabase(session, context, store::OpenMode::ReadOnly);
    loadCollection(session, args.first());

    store::Statement pairs(session.DatabaseConnection, QString::fromLatin1(kPairQuery));
    pairs.bind(0, session.CurrentCollection.ID);
    while (pairs.step()) {
        const qint64 difference = pairs.column(0).isNull() ? 0 : pairs.column(0).toInt64();
        Side left {pairs.column(1).toInt64(), fullPath(pairs.column(3), pairs.column(4)),
            pairs.column(5).isNull() ? 0 : pairs.column(5).toInt64()};
        Side right {pairs.column(2).toInt64(), fullPath(pairs.column(6), pairs.column(7)),
            pairs.column(8).isNull() ? 0 : pairs.column(8).toInt64()};
        // The larger file first, as the review window shows it; equal sizes keep the stored order.
        if (left.size < right.size)
            std::swap(left, right);
        if (json) {
            std::cout << "{\"difference\":" << difference << ",\"leftId\":" << left.id << ",\"rightId\":" << right.id
                      << ",\"leftPath\":" << jsonString(left.path.toStdString())
                      << ",\"rightPath\":" << jsonString(right.path.toStdString()) << "}\n";
        } else {
            std::cout << difference << '\t' << left.id << '\t' << right.id << '\t'
                      << plainField(left.path.toStdString()) << '\t' << plainField(right.path.toStdString()) << '\n';
        }
    }
    std::cout.flush();
    if (!std::cout)
        throw Error(_("Could not write to standard output"));
    return 0;
}

const bool registered = registerCommand({
    "pairs",
    N_("NAME [--json]"),
    N_("list the recorded pairs of a collection, most alike first: difference, IDs and paths, larger file first "
       "(a control character in a path, such as a tab or a newline, is written as in JSON: \\u0009, \\u000a)"),
    runPairs,
    N_("Options:\n"
       "  --json   one JSON object a line instead of tab-separated fields"),
});

} // namespace

} // namespace vexaris::cli
