// The collection commands: list, create and delete collections, and show, add and remove their
// folders. A collection is found by name as the desktop program finds it (letter case ignored);
// paths are matched exactly.
#include <iostream>
#include <vector>

#include <QDir>
#include <QFileInfo>

#include "cli/command.h"
#include "common/error.h"
#include "i18n/translate.h"
#include "store/data.h"
#include "store/foldertree.h"

namespace vexaris::cli {

namespace {

using namespace vexaris::store;

// Records the entries in the order they are added, for printing what a command added.
class AddedFolders : public FolderCheckList
{
public:
    void clearFolders() override { entries.clear(); }
    void addFolder(const QString &path, int folderId) override { entries.push_back({path, folderId, false}); }
    std::vector<FolderEntry> entries;
};

std::string text(const QString &value)
{
    return value.toStdString();
}

// A path in a line of output or a message: its control characters escaped as pairs writes them,
// so that one folder stays one line.
std::string pathText(const QString &path)
{
    return plainField(path.toStdString());
}

void printFolder(const QString &path, int id)
{
    std::cout << id << '\t' << pathText(path) << '\n';
}

QString collectionName(const QString &argument)
{
    if (argument.isEmpty())
        throw UsageError(_("The collection name is empty"));
    return argument;
}

// A folder as the database keeps it: a full path without a trailing delimiter.
QString fullPath(const QString &argument)
{
    return QDir::cleanPath(QDir::current().absoluteFilePath(argument));
}

int runCollections(Context &context, const QStringList &arguments)
{
    expectPositional(arguments, 0, "collections");
    Session session;
    openDatabase(session, context, OpenMode::ReadOnly);
    QStringList names;
    ListCollections(session, names);
    for (const QString &name : std::as_const(names))
        std::cout << text(name) << '\n';
    return 0;
}

int runCreate(Context &context, const QStringList &arguments)
{
    expectPositional(arguments, 1, "create");
    const QString name = collectionName(arguments[0]);
    try {
        checkCollectionName(name);
    } catch (const Error &e) {
        throw UsageError(e.what());
    }
    Session session;
    openDatabase(session, context);
    // The desktop program offers Save collection only for a name that no collection has.
    FolderList ignored;
    TCollectionRec existing;
    if (LoadCollection(session, name, existing, ignored))
        throw Error(formatText(_("A collection named %s already exists"), {text(existing.Name)}));
    AddCollection(session, name);
    return 0;
}

int runDelete(Context &context, const QStringList &arguments)
{
    QStringList rest = arguments;
    const bool confirmed = takeFlag(rest, QStringLiteral("--yes"));
    expectPositional(rest, 1, "delete");
    const QString name = collectionName(rest[0]);
    Session session;
    openDatabase(session, context);
    loadCollection(session, name);
    if (!confirmed) {
        if (!interactive())
            throw Error(formatText(_("Collection %s not deleted: add --yes to delete it without a question"),
                {text(session.CurrentCollection.Name)}));
        if (!askYesNo(_("Do you want to remove the selected collection? (The collected thumbnails data will be "
                        "permanently deleted.)")))
            throw Error(formatText(_("Collection %s not deleted"), {text(session.CurrentCollection.Name)}));
    }
    DeleteCollection(session, session.CurrentCollection.ID);
    session.CurrentCollection.ID = 0;
    return 0;
}

int runFolders(Context &context, const QStringList &arguments)
{
    expectPositional(arguments, 1, "folders");
    const QString name = collectionName(arguments[0]);
    Session session;
    openDatabase(session, context, OpenMode::ReadOnly);
    const FolderList folders = loadCollection(session, name);
    for (const FolderEntry &entry : folders.entries())
        printFolder(entry.path, entry.id);
    return 0;
}

int runAddFolder(Context &context, const QStringList &arguments)
{
    QStringList rest = arguments;
    const bool tree = takeFlag(rest, QStringLiteral("--tree"));
    expectPositional(rest, 2, "add-folder");
    const QString name = collectionName(rest[0]);
    const QString path = fullPath(rest[1]);
    Session session;
    openDatabase(session, context);
    loadCollection(session, name);
    const QFileInfo info(path);
    if (info.exists() && !info.isDir())
        throw Error(formatText(_("%s is not a folder."), {pathText(path)}));
    if (!info.isDir())
        throw Error(formatText(_("The folder %s does not exist."), {pathText(path)}));
    AddedFolders added;
    QStringList skipped;
    QStringList tooLong;
    if (tree) {
        AddFolderTree(session, path, added, skipped, &tooLong);
    } else if (!FindFolder(session, session.CurrentCollection.ID, path)) {
        added.addFolder(path, AddFolder(session, session.CurrentCollection.ID, path));
    }
    for (const FolderEntry &entry : added.entries)
        printFolder(entry.path, entry.id);
    for (const QString &folder : std::as_const(skipped))
        std::cerr << formatText(_("The folder %s is left out: its name is not valid UTF-8."), {pathText(folder)})
                  << '\n';
    for (const QString &folder : std::as_const(tooLong))
        std::cerr << formatText(
            _("The folder %s is left out: its path is longer than the system allows."), {pathText(folder)})
                  << '\n';
    if (added.entries.empty() && skipped.isEmpty() && tooLong.isEmpty())
        std::cerr << formatText(
            _("The folder %s is already in the collection %s"), {pathText(path), text(session.CurrentCollection.Name)})
                  << '\n';
    return 0;
}

int runRemoveFolder(Context &context, const QStringList &arguments)
{
    QStringList rest = arguments;
    const bool tree = takeFlag(rest, QStringLiteral("--tree"));
    expectPositional(rest, 2, "remove-folder");
    const QString name = collectionName(rest[0]);
    // A path stored as typed (a trailing delimiter, say) is matched as typed first.
    QStringList candidates;
    if (QDir::isAbsolutePath(rest[1]))
        candidates.append(rest[1]);
    if (!candidates.contains(fullPath(rest[1])))
        candidates.append(fullPath(rest[1]));
    Session session;
    openDatabase(session, context);
    loadCollection(session, name);
    for (const QString &path : std::as_const(candidates)) {
        const int removed = tree ? RemoveFolderTree(session, session.CurrentCollection.ID, path)
                                 : RemoveFolder(session, session.CurrentCollection.ID, path);
        if (removed > 0)
            return 0;
    }
    throw Error(formatText(_("The folder %s is not in the collection %s"),
        {text(candidates.last()), text(session.CurrentCollection.Name)}));
}

const bool registered = registerCommand({"collections", "", N_("list the collections, one name a line"), runCollections,
                            N_("Prints the names in the order the collections were made.")})
    && registerCommand({"create", N_("NAME"), N_("create an empty collection"), runCreate,
        N_("A collection is found by its name without regard to letter case, so no two names may differ in case "
           "alone.")})
    && registerCommand({"delete", N_("NAME [--yes]"),
        N_("delete a collection with its folders, pictures and pairs (asks first unless --yes)"), runDelete,
        N_("Options:\n"
           "  --yes   delete without a question; without it the command asks on a terminal and refuses "
           "elsewhere")})
    && registerCommand({"folders", N_("NAME"), N_("list the folders of a collection: ID, a tab, the path"), runFolders,
        N_("The folders come in the main window's order, a folder's subfolders after it. A control character in a "
           "path is written as in JSON (\\u0009 for a tab).")})
    && registerCommand({"add-folder", N_("NAME PATH [--tree]"),
        N_("add a folder to a collection; with --tree also every folder below it"), runAddFolder,
        N_("Options:\n"
           "  --tree   also every folder below PATH, hidden ones (a name beginning with .) left out\n"
           "\n"
           "Prints the ID and the path of each folder added. A folder the collection holds already, however its path "
           "is spelt, is not added again.")})
    && registerCommand({"remove-folder", N_("NAME PATH [--tree]"),
        N_("remove a folder from a collection; with --tree also every folder below it"), runRemoveFolder,
        N_("Options:\n"
           "  --tree   also every folder below PATH, never a sibling such as \"2005 old\" beside \"2005\"")});

} // namespace

} // namespace vexaris::cli
