#include "store/rules.h"

#include "common/error.h"
#include "i18n/translate.h"
#include "store/database.h"

namespace vexaris::store {

namespace {

StoredRule ruleOf(const Statement &row)
{
    return {row.field(QLatin1StringView("ID")).toInt64(), row.field(QLatin1StringView("Name")).toString(),
        row.field(QLatin1StringView("Definition")).toString()};
}

} // namespace

void CheckRuleName(const QString &name)
{
    if (name.trimmed().isEmpty())
        throw Error(_("A rule's name cannot be blank"));
    if (name.trimmed() != name)
        throw Error(formatText(_("The rule name \"%s\" begins or ends with a blank"), {name.toStdString()}));
}

void SaveRule(Session &session, const QString &name, const QString &definition)
{
    CheckRuleName(name);
    // An upsert rather than a replace, so that the rule keeps its ID.
    session.DatabaseConnection.Execute(
        QStringLiteral("INSERT INTO Rule (Name, Definition) VALUES (?, ?) "
                       "ON CONFLICT (Name) DO UPDATE SET Definition = excluded.Definition"),
        {name, definition});
}

std::vector<StoredRule> ListRules(Session &session)
{
    Statement rows(session.DatabaseConnection, QStringLiteral("SELECT ID, Name, Definition FROM Rule ORDER BY Name"));
    std::vector<StoredRule> rules;
    while (rows.step())
        rules.push_back(ruleOf(rows));
    return rules;
}

std::optional<StoredRule> FindRule(Session &session, const QString &name)
{
    Statement row(session.DatabaseConnection, QStringLiteral("SELECT ID, Name, Definition FROM Rule WHERE Name = ?"));
    row.bind(0, name);
    if (!row.step())
        return std::nullopt;
    return ruleOf(row);
}

bool DeleteRule(Session &session, const QString &name)
{
    return session.DatabaseConnection.Execute(QStringLiteral("DELETE FROM Rule WHERE Name = ?"), {name}) > 0;
}

} // namespace vexaris::store
