// vexaris-cli: the command line over the same core as the desktop program.
#include <algorithm>
#include <iostream>

#include <QCoreApplication>
#include <QDir>

#include "cli/command.h"
#include "common/bytenames.h"
#include "common/error.h"
#include "i18n/catalog.h"
#include "i18n/translate.h"

using namespace vexaris;
using namespace vexaris::cli;

static void printHelp(std::ostream &out)
{
    out << _("Usage: vexaris-cli [--db FILE] COMMAND [ARGUMENTS]") << "\n\n";
    out << _("Finds duplicate and near-duplicate pictures in the folders of named collections.") << "\n\n";
    out << _("Options:") << "\n";
    out << "  --db FILE   " << _("the database file (default: Vexaris.db in the program's folder)") << "\n";
    out << "  --help      " << _("show this help") << "\n\n";
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
        const std::string synopsis = command->synopsis[0] ? _(command->synopsis) : std::string();
        if (!synopsis.empty())
            line += " " + synopsis;
        out << line << "\n      " << _(command->summary) << "\n";
    }
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    i18n::SelectLanguage(QString());
    QStringList args = QCoreApplication::arguments().mid(1);

    // Qt would replace the odd bytes, and a folder or name changed that way names nothing on disk.
    for (int i = 1; i < argc; ++i) {
        if (!isValidUtf8(argv[i])) {
            std::cerr << "vexaris-cli: "
                      << formatText(_("The argument %s is not valid UTF-8; Vexaris keeps only names that are"),
                             {printableName(argv[i])})
                      << "\n";
            return kExitUsage;
        }
    }

    try {
        Context context;
        context.databasePath = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Vexaris.db"));
        const QStringList databases = takeOptionValues(args, QStringLiteral("--db"));
        if (!databases.isEmpty())
            context.databasePath = databases.last();

        if (args.isEmpty() || args.contains(QStringLiteral("--help")) || args.first() == QStringLiteral("help")) {
            printHelp(std::cout);
            return args.isEmpty() ? kExitUsage : kExitDone;
        }
        const QString name = args.takeFirst();
        for (const Command &command : commands()) {
            if (name == QLatin1String(command.name))
                return command.run(context, args);
        }
        throw UsageError(formatText(_("Unknown command %s (see vexaris-cli --help)"), {name.toStdString()}));
    } catch (const UsageError &e) {
        std::cerr << "vexaris-cli: " << e.what() << "\n";
        return kExitUsage;
    } catch (const std::exception &e) {
        std::cerr << "vexaris-cli: " << e.what() << "\n";
        return kExitFailed;
    }
}
