#include "cli/command.h"

#include <algorithm>
#include <iostream>

#include <unistd.h>

#include "common/error.h"
#include "i18n/translate.h"
#include "review/fileoperation.h"
#include "review/undo.h"
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
    QStringList values;
    for (qsizetype i = 0; i < args.size();) {
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

void openDatabase(store::Session &session, const Context &context)
{
    session.ConnectDatabase(context.databasePath);
    // What a crash left on its way is settled before anything else reads the journal.
    review::QtFileOperation files;
    review::SettleUnfinished(session, files);
}

store::FolderList loadCollection(store::Session &session, const QString &name)
{
    store::FolderList folders;
    if (!store::LoadCollection(session, name, session.CurrentCollection, folders))
        throw Error(formatText(_("There is no collection named %s"), {name.toStdString()}));
    return folders;
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
