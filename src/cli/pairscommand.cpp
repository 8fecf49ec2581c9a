// vexaris-cli pairs NAME [--json]: the pairs a scan recorded for a collection, most alike first,
// as the review window lists them, each with the larger file first.
#include <iostream>
#include <string>

#include "cli/command.h"
#include "common/error.h"
#include "i18n/translate.h"
#include "review/pairlist.h"

namespace vexaris::cli {

namespace {

// The full path, or empty when the picture or its folder row is missing.
std::string pathOf(const review::PairSide &side)
{
    if (side.folderPath.isEmpty() || side.fileName.isEmpty())
        return {};
    return side.fullPath().toStdString();
}

int runPairs(Context &context, const QStringList &arguments)
{
    QStringList args = arguments;
    const bool json = takeFlag(args, QStringLiteral("--json"));
    expectPositional(args, 1, "pairs");

    store::Session session;
    openDatabase(session, context);
    loadCollection(session, args.first());
    review::PairList list;
    list.read(session, session.CurrentCollection.ID);

    std::string out;
    const auto flush = [&out] {
        std::cout.write(out.data(), static_cast<std::streamsize>(out.size()));
        out.clear();
    };
    for (int position = 1; position <= list.count(); ++position) {
        const review::PairRow row = list.rowAt(position);
        const review::PairSide &left = review::leftShown(row);
        const review::PairSide &right = review::rightShown(row);
        const std::string difference = std::to_string(row.difference);
        if (json) {
            out += "{\"difference\":" + difference + ",\"leftId\":" + std::to_string(left.pictureId)
                + ",\"rightId\":" + std::to_string(right.pictureId) + ",\"leftPath\":" + jsonString(pathOf(left))
                + ",\"rightPath\":" + jsonString(pathOf(right)) + ",\"id\":" + std::to_string(row.id) + "}\n";
        } else {
            out += difference + '\t' + std::to_string(left.pictureId) + '\t' + std::to_string(right.pictureId) + '\t'
                + plainField(pathOf(left)) + '\t' + plainField(pathOf(right)) + '\n';
        }
        if (out.size() > (1 << 16))
            flush();
    }
    flush();
    std::cout.flush();
    if (!std::cout)
        throw Error(_("Could not write to standard output"));
    return kExitDone;
}

const bool registered = registerCommand({
    "pairs",
    N_("NAME [--json]"),
    N_("list the recorded pairs of a collection, most alike first: difference, IDs and paths, larger file first "
       "(a control character in a path, such as a tab or a newline, is written as in JSON: \\u0009, \\u000a)"),
    runPairs,
});

} // namespace

} // namespace vexaris::cli
