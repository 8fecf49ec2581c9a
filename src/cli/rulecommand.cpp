// vexaris-cli rule save|list|delete: the rules for settling many pairs, stored by name in the
// database for both programs. A rule is put together from the options and checked before it is
// stored, so that every mistake in it is a usage error with one line.
#include <climits>
#include <iostream>
#include <optional>

#include <QDir>

#include "cli/command.h"
#include "common/error.h"
#include "i18n/translate.h"
#include "review/rule.h"
#include "store/rules.h"

namespace vexaris::cli {

namespace {

// The last value of a single-valued option, as --threads takes it; nullopt when it is not given.
std::optional<QString> lastValue(QStringList &args, const char *option)
{
    const QStringList values = takeOptionValues(args, QLatin1String(option));
    if (values.isEmpty())
        return std::nullopt;
    return values.last();
}

qint64 wholeNumber(const QString &text, const char *option)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < 0)
        throw UsageError(formatText(_("%s takes a whole number from 0, not %s"), {option, text.toStdString()}));
    return value;
}

QStringList fullPaths(const QStringList &paths)
{
    QStringList out;
    for (const QString &path : paths)
        out << QDir::cleanPath(QDir::current().absoluteFilePath(path));
    return out;
}

review::Rule ruleFromOptions(QStringList &args)
{
    review::Rule rule;
    try {
        const std::optional<QString> keep = lastValue(args, "--keep");
        rule.keeperOrder = keep ? review::parseKeeperOrder(*keep) : review::defaultKeeperOrder();
    } catch (const Error &e) {
        throw UsageError(e.what());
    }
    rule.keepFolders = fullPaths(takeOptionValues(args, QStringLiteral("--keep-folder")));
    rule.pruneFolders = fullPaths(takeOptionValues(args, QStringLiteral("--prune-folder")));
    rule.guard = !takeFlag(args, QStringLiteral("--no-guard"));
    if (const std::optional<QString> action = lastValue(args, "--action")) {
        if (*action == QLatin1String("trash"))
            rule.action = review::RuleAction::Trash;
        else if (*action == QLatin1String("not-a-match"))
            rule.action = review::RuleAction::NotAMatch;
        else
            throw UsageError(formatText(_("--action is trash or not-a-match, not %s"), {action->toStdString()}));
    }

    review::RuleScope &scope = rule.scope;
    if (const std::optional<QString> minimum = lastValue(args, "--min-difference"))
        scope.minDifference = static_cast<int>(std::min<qint64>(wholeNumber(*minimum, "--min-difference"), INT_MAX));
    if (const std::optional<QString> maximum = lastValue(args, "--max-difference"))
        scope.maxDifference = static_cast<int>(std::min<qint64>(wholeNumber(*maximum, "--max-difference"), INT_MAX));
    if (const std::optional<QString> relation = lastValue(args, "--folders")) {
        if (*relation == QLatin1String("same"))
            scope.relation = review::FolderRelation::Same;
        else if (*relation == QLatin1String("different"))
            scope.relation = review::FolderRelation::Different;
        else if (*relation == QLatin1String("any"))
            scope.relation = review::FolderRelation::Any;
        else
            throw UsageError(formatText(_("--folders is same, different or any, not %s"), {relation->toStdString()}));
    }
    scope.folders = fullPaths(takeOptionValues(args, QStringLiteral("--folder")));
    scope.patterns = takeOptionValues(args, QStringLiteral("--pattern"));
    for (const QString &formats : takeOptionValues(args, QStringLiteral("--format"))) {
        for (QString format : formats.split(u',')) {
            format = format.trimmed().toLower();
            if (format.startsWith(u'.'))
                format.remove(0, 1);
            if (format.isEmpty())
                throw UsageError(_("--format needs an extension such as jpg"));
            scope.formats << format;
        }
    }
    if (const std::optional<QString> pixels = lastValue(args, "--min-pixels"))
        scope.minPixels = wholeNumber(*pixels, "--min-pixels");
    for (const QString &list : takeOptionValues(args, QStringLiteral("--pairs"))) {
        for (const QString &id : list.split(u',')) {
            bool ok = false;
            const qint64 value = id.trimmed().toLongLong(&ok);
            if (!ok || value <= 0)
                throw UsageError(formatText(_("%s is not a pair ID"), {id.toStdString()}));
            scope.pairIds.push_back(value);
        }
    }
    try {
        review::checkRule(rule);
    } catch (const Error &e) {
        throw UsageError(e.what());
    }
    return rule;
}

QString ruleName(const QString &argument)
{
    try {
        store::CheckRuleName(argument);
    } catch (const Error &e) {
        throw UsageError(e.what());
    }
    return argument;
}

int runSave(Context &context, QStringList args)
{
    const review::Rule rule = ruleFromOptions(args);
    expectPositional(args, 1, "rule save");
    const QString name = ruleName(args.first());
    store::Session session;
    openDatabase(session, context);
    store::SaveRule(session, name, review::ruleToText(rule));
    return kExitDone;
}

int runList(Context &context, const QStringList &args)
{
    expectPositional(args, 0, "rule list");
    store::Session session;
    openDatabase(session, context, store::OpenMode::ReadOnly);
    for (const store::StoredRule &stored : store::ListRules(session)) {
        QString description;
        try {
            description = review::describeRule(review::ruleFromText(stored.definition));
        } catch (const Error &e) {
            description = QString::fromStdString(e.what());
        }
        std::cout << plainField(stored.name.toStdString()) << '\t' << plainField(description.toStdString()) << '\n';
    }
    std::cout.flush();
    if (!std::cout)
        throw Error(_("Could not write to standard output"));
    return kExitDone;
}

int runDelete(Context &context, const QStringList &args)
{
    expectPositional(args, 1, "rule delete");
    store::Session session;
    openDatabase(session, context);
    if (!store::DeleteRule(session, args.first()))
        throw Error(formatText(_("There is no rule named %s"), {args.first().toStdString()}));
    return kExitDone;
}

int runRule(Context &context, const QStringList &arguments)
{
    QStringList args = arguments;
    const QString verb = args.isEmpty() ? QString() : args.takeFirst();
    if (verb == QLatin1String("save"))
        return runSave(context, args);
    if (verb == QLatin1String("list"))
        return runList(context, args);
    if (verb == QLatin1String("delete"))
        return runDelete(context, args);
    throw UsageError(_("rule is followed by save, list or delete"));
}

const bool registered = registerCommand({
    "rule",
    N_("save RULE [--keep CRITERIA] [--keep-folder PATH]... [--prune-folder PATH]... [--min-difference N] "
       "[--max-difference N] [--folders same|different|any] [--folder PATH]... [--pattern GLOB]... "
       "[--format EXT]... [--min-pixels N] [--pairs ID,ID,...] [--no-guard] [--action trash|not-a-match] | "
       "list | delete RULE"),
    N_("save a rule for settling many pairs by name (in place of one of that name), list the rules with a line "
       "about each, or delete one. CRITERIA is the keeper order, the first that tells two files apart picking the "
       "one kept: pixels, bytes, bytes-per-pixel, older, newer, plain-name and format=heic>png>jpg, each with an "
       "optional margin such as pixels:5%, bytes:100000 or older:1d (default: pixels,bytes,older). Status 0 done, 1 "
       "failed (no such rule, a database that cannot be written), 2 a wrong option or criterion"),
    runRule,
});

} // namespace

} // namespace vexaris::cli
