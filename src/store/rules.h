// The rules saved by name, for the desktop program and the command line alike. The store keeps a
// rule's text form as it is given; reading it into a rule is the review's business. Names compare
// exactly, letter case included.
#pragma once

#include <optional>
#include <vector>

#include <QString>

#include "store/session.h"

namespace vexaris::store {

struct StoredRule
{
    qint64 id = 0;
    QString name;
    QString definition;
};

// Raises an Error with one line when the name is blank or begins or ends with a blank.
void CheckRuleName(const QString &name);
// Stores the definition under the name, in place of the one it had.
void SaveRule(Session &session, const QString &name, const QString &definition);
// Every rule, by name.
std::vector<StoredRule> ListRules(Session &session);
std::optional<StoredRule> FindRule(Session &session, const QString &name);
// Whether there was a rule of that name.
bool DeleteRule(Session &session, const QString &name);

} // namespace vexaris::store
