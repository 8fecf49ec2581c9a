// vexaris-cli pairs NAME [--json]: the pairs a scan recorded for a collection, most alike first,
// as the review window lists them, each with the larger file first.
#include <charconv>
#include <iostream>
#include <string>
#include <vector>

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
    openDatabase(session, context, store::OpenMode::ReadOnly);
    loadCollection(session, args.first());
    review::PairList list;
    list.read(session, session.CurrentCollection.ID);

    std::string out;
    const auto flush = [&out] {
        std::cout.write(out.data(), static_cast<std::streamsize>(out.size()));
        out.clear();
    };
    // Each picture's path is made once, however many pairs name it.
    std::vector<std::string> paths(list.pictureSlots());
    std::vector<bool> made(list.pictureSlots(), false);
    const auto pathOnce = [&](uint32_t slot) -> const std::string & {
        if (!made[slot]) {
            const std::string path = pathOf(list.pictureAt(slot));
            paths[slot] = json ? jsonString(path) : plainField(path);
            made[slot] = true;
        }
        return paths[slot];
    };
    char number[24];
    const auto append
        = [&](long long value) { out.append(number, std::to_chars(number, number + sizeof number, value).ptr); };
    list.visit([&](qint64 id, int difference, uint32_t stored, uint32_t other) {
        // The larger file first, as the review window shows it; equal sizes keep the stored order.
        const bool swapped = list.pictureAt(stored).size < list.pictureAt(other).size;
        const uint32_t left = swapped ? other : stored;
        const uint32_t right = swapped ? stored : other;
        if (json) {
            out.append("{\"difference\":");
            append(difference);
            out.append(",\"leftId\":");
            append(list.pictureAt(left).pictureId);
            out.append(",\"rightId\":");
            append(list.pictureAt(right).pictureId);
            out.append(",\"leftPath\":").append(pathOnce(left));
            out.append(",\"rightPath\":").append(pathOnce(right));
            out.append(",\"id\":");
            append(id);
            out.append("}\n");
        } else {
            append(difference);
            out += '\t';
            append(list.pictureAt(left).pictureId);
            out += '\t';
            append(list.pictureAt(right).pictureId);
            out += '\t';
            out.append(pathOnce(left)).append(1, '\t').append(pathOnce(right)).append(1, '\n');
        }
        if (out.size() > (1 << 16))
            flush();
    });
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
    N_("Options:\n"
       "  --json   one JSON object a line instead of tab-separated fields"),
});

} // namespace

} // namespace vexaris::cli
