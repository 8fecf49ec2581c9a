// The command line's commands register themselves here, one file each, so that adding a
// command never touches the others.
#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <QString>
#include <QStringList>

#include "store/folderlist.h"
#include "store/session.h"

namespace vexaris::cli {

// The exit statuses, as --help and the README list them.
enum ExitStatus : int {
    kExitDone = 0,
    kExitFailed = 1, // one line on standard error; what was stored before stays
    kExitUsage = 2,
    kExitProblems = 3, // the run went through, but some files or folders could not be read
    kExitStopped = 4, // Ctrl-C ended the run early; the next run goes on from there
};

// A mistake in the words of the call: reported with exit status 2.
class UsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct Context
{
    QString databasePath; // --db; empty for the file store::defaultDatabasePath() gives
};

struct Command
{
    const char *name;
    const char *synopsis; // the arguments after the name, marked with N_ for translation
    const char *summary; // one line, marked with N_
    std::function<int(Context &, const QStringList &)> run;
    // What `vexaris-cli NAME --help` adds below the usage and the summary: the options, one a
    // line, and what the command prints; marked with N_, empty for nothing more.
    const char *details = "";
};

// Adds a command to the table that main() dispatches on; returns true for use in a static.
bool registerCommand(Command command);
const std::vector<Command> &commands();

// Options shared by the commands' argument parsing.
bool takeFlag(QStringList &args, const QString &flag);
// Removes "--name VALUE" pairs and "--name=VALUE" arguments from args and returns the values in
// order; every command that takes its options with it accepts both spellings.
QStringList takeOptionValues(QStringList &args, const QString &option);
// Removes "--threads N" and returns N, or fallback when it is not given (0 is one per core).
unsigned takeThreads(QStringList &args, int fallback);
// Fails with a usage error unless exactly count positional arguments are left.
void expectPositional(const QStringList &args, qsizetype count, const char *commandName);

// Opens the --db file, or the default one, as the command's session; it closes when the session
// goes. A command that changes nothing opens it ReadOnly, so that it works where the file or its
// folder cannot be written.
void openDatabase(store::Session &session, const Context &context, store::OpenMode mode = store::OpenMode::ReadWrite);

// Makes the named collection the session's CurrentCollection (found as the main window finds
// it, letter case ignored) and returns its folders in list order; an unknown name is an error
// that suggests the nearest collection's name.
store::FolderList loadCollection(store::Session &session, const QString &name);

// Of the known names, the one that given was most likely meant to be: a slip of a letter or two,
// letter case ignored, or the beginning of only one of them. Nothing when none is close.
std::optional<QString> nearestName(const QString &given, const QStringList &known);

// A UTF-8 text as a JSON string, quotes included.
std::string jsonString(std::string_view text);
// A text for a tab-separated line: the control characters (a tab or a newline in a file name
// among them) escaped as JSON escapes them, so that one record stays one line and one field.
std::string plainField(std::string_view text);

// True when standard input and standard error are terminals, so a question can be asked.
bool interactive();
// Asks a yes/no question on the terminal; anything but y/yes answers No.
bool askYesNo(const std::string &question);

} // namespace vexaris::cli
