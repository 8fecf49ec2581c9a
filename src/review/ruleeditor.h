// The editor of a rule's fields: what it does, what it keeps by, its keep and prune folders, its
// guard and which pairs it looks at; the rule is saved under a name (for the desktop program and
// the command line alike) or used as it stands. What a field means and what a rule must satisfy
// is the core's (rule.h); the editor words the fields and passes on the core's one-line refusals.
#pragma once

#include <QDialog>

#include "review/rule.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

namespace vexaris::store {
class Session;
}

namespace vexaris::ui {

// The rule a new one starts from: every pair, the default keeper order, guarded, to the Trash.
review::Rule startingRule();

class TfrmRuleEditor : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmRuleEditor(store::Session &session, QWidget *parent = nullptr);

    // The fields of a rule, and the name it is saved under ("" for one not saved).
    void setRule(const QString &name, const review::Rule &rule);
    // Once accepted: the rule and its name, "" when it was used without being saved.
    const review::Rule &rule() const { return m_rule; }
    const QString &ruleName() const { return m_name; }

private:
    // The fields as a rule; raises an Error with one line when one cannot be read or the rule
    // cannot be applied.
    review::Rule fieldsAsRule() const;
    void btnSaveRuleClick();
    void btnUseRuleClick();

    store::Session &m_session;
    review::Rule m_rule;
    QString m_name;

    QLineEdit *edtRuleName = nullptr;
    QComboBox *cmbRuleAction = nullptr;
    QLineEdit *edtKeeperOrder = nullptr;
    QPlainTextEdit *txtKeepFolders = nullptr;
    QPlainTextEdit *txtPruneFolders = nullptr;
    QCheckBox *chkGuard = nullptr;
    QSpinBox *spnScopeMinDifference = nullptr;
    QSpinBox *spnScopeMaxDifference = nullptr;
    QPlainTextEdit *txtScopeFolders = nullptr;
    QPlainTextEdit *txtScopePatterns = nullptr;
    QComboBox *cmbScopeRelation = nullptr;
    QLineEdit *edtScopeFormats = nullptr;
    QSpinBox *spnScopeMinPixels = nullptr;
};

} // namespace vexaris::ui
