#include "cli/commandline.h"

#include <algorithm>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <QFileInfo>

#include "common/error.h"
#include "i18n/translate.h"
#include "settings/settingsstore.h"
#include "store/databaselocation.h"

namespace vexaris::cli {

namespace {

// Which file the commands use without --db, and why; nothing is made by asking.
std::string databaseText()
{
    const store::DatabaseLocation location = store::locateDatabase();
    const std::string file = location.file.toStdString();
    if (location.place == store::DatabaseLocation::Place::ProgramFolder)
        return formatText(_("Database: %s, beside the program, whose folder you can write."), {file});
    if (QFileInfo::exists(location.file))
        return formatText(_("Database: %s, your own, since the program's folder cannot be written."), {file});
    return formatText(_("Database: %s, your own, since the program's folder cannot be written; the first command "
                        "makes it as a copy of the empty database %s."),
        {file, location.delivered.toStdString()});
}

void printMethods(std::ostream &out)
{
    out << _("Comparison methods (scan --method M):") << "\n";
    for (size_t method = 0; method < std::size(settings::kMethodNames); ++method)
        out << "  " << method << "  " << _(settings::kMethodNames[method]) << "\n";
}

std::string usage(const Command &command)
{
    std::string line = std::string("vexaris-cli [--db FILE] ") + command.name;
    if (command.synopsis[0])
        line += " " + _(command.synopsis);
    return line;
}

const Command *findCommand(const QString &name)
{
    for (const Command &command : commands()) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

QStringList commandNames()
{
    QStringList names;
    for (const Command &command : commands())
        names.append(QLatin1String(command.name));
    return names;
}

} // namespace

void printHelp(std::ostream &out)
{
    out << _("Usage: vexaris-cli [--db FILE] COMMAND [ARGUMENTS]") << "\n";
    out << _("       vexaris-cli COMMAND --help") << "\n\n";
    out << _("Finds duplicate and near-duplicate pictures in the folders of named collections.") << "\n\n";
    out << _("Options:") << "\n";
    out << "  --db FILE   " << _("the database file (default: the one named below)") << "\n";
    out << "  --help, -h  " << _("show this help; after a command, that command's") << "\n";
    out << "  --version   " << _("show the program's version") << "\n";
    out << _("An option's value follows it after a blank or after =: --db FILE or --db=FILE.") << "\n\n";
    out << databaseText() << "\n\n";
    printMethods(out);
    out << "\n";
    out << _("Exit status:") << "\n";
    out << "  0  " << _("done") << "\n";
    out << "  1  " << _("failed: one line on standard error says why; what was stored before stays") << "\n";
    out << "  2  " << _("the command or its arguments are wrong") << "\n";
    out << "  3  " << _("the run went through, but some files or folders could not be read (listed on standard error)")
        << "\n";
    out << "  4  " << _("the run was stopped by Ctrl-C; the next run goes on from there") << "\n\n";
    out << _("Commands:") << "\n";
    std::vector<const Command *> sorted;
    for (const Command &command : commands())
        sorted.push_back(&command);
    std::sort(sorted.begin(), sorted.end(),
        [](const Command *a, const Command *b) { return std::string_view(a->name) < std::string_view(b->name); });
    for (const Command *command : sorted) {
        std::string line = std::string("  ") + command->name;
        if (command->synopsis[0])
            line += " " + _(command->synopsis);
        out << line << "\n      " << _(command->summary) << "\n";
    }
}

void printCommandHelp(std::ostream &out, const Command &command)
{
    out << formatText(_("Usage: %s"), {usage(command)}) << "\n\n" << _(command.summary) << "\n";
    if (command.details[0])
        out << "\n" << _(command.details) << "\n";
    if (std::string_view(command.synopsis).find("--method") != std::string_view::npos) {
        out << "\n";
        printMethods(out);
    }
}

int runCommandLine(QStringList args)
{
    try {
        Context context;
        const QStringList databases = takeOptionValues(args, QStringLiteral("--db"));
        if (!databases.isEmpty())
            context.databasePath = databases.last();
        if (takeFlag(args, QStringLiteral("--version"))) {
            std::cout << "vexaris-cli " << VEXARIS_VERSION << "\n";
            return kExitDone;
        }
        bool help = takeFlag(args, QStringLiteral("--help"));
        help = takeFlag(args, QStringLiteral("-h")) || help;
        if (!args.isEmpty() && args.first() == QLatin1String("help")) {
            args.removeFirst();
            help = true;
        }
        if (args.isEmpty()) {
            printHelp(std::cout);
            return help ? kExitDone : kExitUsage;
        }
        const QString name = args.takeFirst();
        const Command *command = findCommand(name);
        if (!command) {
            if (const std::optional<QString> nearest = nearestName(name, commandNames()))
                throw UsageError(formatText(_("Unknown command %s; did you mean %s? (see vexaris-cli --help)"),
                    {name.toStdString(), nearest->toStdString()}));
            throw UsageError(formatText(_("Unknown command %s (see vexaris-cli --help)"), {name.toStdString()}));
        }
        if (help) {
            printCommandHelp(std::cout, *command);
            return kExitDone;
        }
        return command->run(context, args);
    } catch (const UsageError &e) {
        std::cerr << "vexaris-cli: " << e.what() << "\n";
        return kExitUsage;
    } catch (const std::exception &e) {
        std::cerr << "vexaris-cli: " << e.what() << "\n";
        return kExitFailed;
    }
}

} // namespace vexaris::cli
