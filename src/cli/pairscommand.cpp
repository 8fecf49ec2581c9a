// vexaris-cli pairs NAME [--json]: the pairs a scan recorded for a collection, most alike first,
// as the review window lists them, each with the larger file first.
#include <iostream>
#include <string>

#include "cli/command.h"
#include "common/error.h"
#include "i18n/translate.h"
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

// The folder's path, a delimiter unless it already ends in one, and the file name; empty when
// the picture or its folder row is missing.
QString fullPath(const store::Value &folder, const store::Value &name)
{
    if (folder.isNull() || name.isNull())
        return {};
    QString path = folder.toString();
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path + name.toString();
}

std::string jsonString(const QString &text)
{
    std::string out = "\"";
    for (const char c : text.toStdString()) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20) {
                static const char hex[] = "0123456789abcdef";
                out += "\\u00";
                out += hex[byte >> 4];
                out += hex[byte & 0xf];
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

qint64 collectionIdByName(store::Database &database, const QString &name)
{
    store::Statement find(database, QStringLiteral("SELECT ID FROM Collection WHERE Name = ? ORDER BY ID"));
    find.bind(0, name);
    if (!find.step())
        throw Error(formatText(_("There is no collection named %s"), {name.toStdString()}));
    return find.column(0).toInt64();
}

int runPairs(Context &context, const QStringList &arguments)
{
    QStringList args = arguments;
    const bool json = takeFlag(args, QStringLiteral("--json"));
    expectPositional(args, 1, "pairs");

    store::Database database;
    database.Open(context.databasePath);
    const qint64 collectionId = collectionIdByName(database, args.first());

    store::Statement pairs(database, QString::fromLatin1(kPairQuery));
    pairs.bind(0, collectionId);
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
                      << ",\"leftPath\":" << jsonString(left.path) << ",\"rightPath\":" << jsonString(right.path)
                      << "}\n";
        } else {
            std::cout << difference << '\t' << left.id << '\t' << right.id << '\t' << left.path.toStdString() << '\t'
                      << right.path.toStdString() << '\n';
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
    N_("list the recorded pairs of a collection, most alike first: difference, IDs and paths, larger file first"),
    runPairs,
});

} // namespace

} // namespace vexaris::cli
