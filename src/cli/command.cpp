#include "cli/command.h"

#include <algorithm>
#include <iostream>
#include <vector>

#include <unistd.h>

#include "common/error.h"
#include "i18n/translate.h"
#include "review/fileoperation.h"
#include "review/undo.h"
#include "store/connection.h"
#include "store/data.h"

namespace vexaris::cli {

static std::vector<Command> &table()
{
    static std::vector<Command> all;
    return all;
}

bool registerCommand(Command command)
{
    table().push_back(std::move(command));
    return true;
}

const std::vector<Command> &commands()
{
    return table();
}

bool takeFlag(QStringList &args, const QString &flag)
{
    return args.removeAll(flag) > 0;
}

QStringList takeOptionValues(QStringList &args, const QString &option)
{
    const QString joined = option + QLatin1Char('=');
    QStringList values;
    for (qsizetype i = 0; i < args.size();) {
        if (args[i].startsWith(joined)) {
            if (args[i].size() == joined.size())
                throw UsageError(formatText(_("Option %s needs a value"), {option.toStdString()}));
            values.append(args[i].mid(joined.size()));
            args.remove(i);
            continue;
        }
        if (args[i] != option) {
            ++i;
            continue;
        }
        if (i + 1 >= args.size())
            throw UsageError(formatText(_("Option %s needs a value"), {option.toStdString()}));
        values.append(args[i + 1]);
        args.remove(i, 2);
    }
    return values;
}

unsigned takeThreads(QStringList &args, int fallback)
{
    const QStringList values = takeOptionValues(args, QStringLiteral("--threads"));
    if (values.isEmpty())
        return static_cast<unsigned>(std::max(fallback, 0));
    bool ok = false;
    const int threads = values.last().toInt(&ok);
    if (!ok || threads < 0 || threads > 64)
        throw UsageError(_("--threads takes a whole number from 0 (one per core) to 64"));
    return static_cast<unsigned>(threads);
}

void expectPositional(const QStringList &args, qsizetype count, const char *commandName)
{
    for (const QString &arg : args) {
        if (arg.startsWith(QLatin1String("--")))
            throw UsageError(formatText(_("Unknown option %s"), {arg.toStdString()}));
    }
    if (args.size() != count)
        throw UsageError(formatText(_("Wrong number of arguments for %s"), {commandName}));
}

void openDatabase(store::Session &session, const Context &context, store::OpenMode mode)
{
    session.ConnectDatabase(context.databasePath.isEmpty() ? store::defaultDatabasePath() : context.databasePath, mode);
    // What a crash left on its way is settled before anything else reads the journal; a command
    // that only reads leaves it to the next one that writes.
    if (mode == store::OpenMode::ReadWrite) {
        review::QtFileOperation files;
        review::SettleUnfinished(session, files);
    }
}

store::FolderList loadCollection(store::Session &session, const QString &name)
{
    store::FolderList folders;
    if (store::LoadCollection(session, name, session.CurrentCollection, folders))
        return folders;
    QStringList names;
    store::ListCollections(session, names);
    if (const std::optional<QString> nearest = nearestName(name, names))
        throw Error(formatText(
            _("There is no collection named %s; did you mean %s?"), {name.toStdString(), nearest->toStdString()}));
    throw Error(formatText(_("There is no collection named %s"), {name.toStdString()}));
}

namespace {

// Letters changed, added, left out or swapped with their neighbour, each counting one.
qsizetype editDistance(const QString &a, const QString &b)
{
    std::vector<std::vector<qsizetype>> d(a.size() + 1, std::vector<qsizetype>(b.size() + 1));
    for (qsizetype i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (qsizetype j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (qsizetype i = 1; i <= a.size(); ++i) {
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const qsizetype cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

} // namespace

std::optional<QString> nearestName(const QString &given, const QStringList &known)
{
    const QString folded = given.toCaseFolded();
    // About one slip in four letters, and always one.
    const qsizetype allowed = std::max<qsizetype>(1, folded.size() / 4);
    std::optional<QString> nearest;
    qsizetype best = allowed + 1;
    for (const QString &name : known) {
        const qsizetype distance = editDistance(folded, name.toCaseFolded());
        if (distance < best) {
            best = distance;
            nearest = name;
        }
    }
    if (nearest)
        return nearest;
    QStringList beginning;
    for (const QString &name : known) {
        if (folded.size() >= 2 && name.toCaseFolded().startsWith(folded))
            beginning.append(name);
    }
    if (beginning.size() == 1)
        return beginning.first();
    return std::nullopt;
}

namespace {

// JSON's escapes of control characters; in a JSON string also of the quote and the backslash.
std::string escaped(std::string_view text, bool quote)
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + 2);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (quote && (c == '\\' || c == '"')) {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += hex[byte >> 4];
            out += hex[byte & 0xf];
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

std::string jsonString(std::string_view text)
{
    return "\"" + escaped(text, true) + "\"";
}

std::string plainField(std::string_view text)
{
    return escaped(text, false);
}

bool interactive()
{
    return isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
}

bool askYesNo(const std::string &question)
{
    std::cerr << question << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer))
        return false;
    return answer == "y" || answer == "Y" || answer == "yes" || answer == _("yes");
}

} // namespace vexaris::cli
