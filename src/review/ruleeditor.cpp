#include "review/ruleeditor.h"

#include <climits>

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "i18n/qtranslate.h"
#include "store/rules.h"
#include "ui/componenttranslation.h"
#include "ui/errorreport.h"

namespace vexaris::ui {

namespace {

// A spin box's lowest value stands for a bound not given.
constexpr int kNoBound = -1;

QPlainTextEdit *linesBox(QWidget *parent, const char *name)
{
    auto *box = new QPlainTextEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setTabChangesFocus(true);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setFixedHeight(box->fontMetrics().lineSpacing() * 3 + 12);
    // Paths are the user's own.
    i18n::keepUntranslated(box);
    return box;
}

QStringList linesOf(const QPlainTextEdit *box)
{
    QStringList lines;
    for (const QString &line : box->toPlainText().split(u'\n')) {
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    }
    return lines;
}

QSpinBox *boundBox(QWidget *parent, const char *name)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(kNoBound, INT_MAX);
    box->setSpecialValueText(i18n::english(N_("any")));
    box->setValue(kNoBound);
    return box;
}

QLabel *fieldLabel(QWidget *parent, const char *name, const char *text, QWidget *buddy)
{
    auto *label = new QLabel(i18n::english(text), parent);
    label->setObjectName(QLatin1String(name));
    label->setBuddy(buddy);
    return label;
}

} // namespace

review::Rule startingRule()
{
    review::Rule rule;
    rule.keeperOrder = review::defaultKeeperOrder();
    return rule;
}

TfrmRuleEditor::TfrmRuleEditor(store::Session &session, QWidget *parent)
    : QDialog(parent)
    , m_session(session)
{
    setObjectName(QStringLiteral("frmRuleEditor"));
    setWindowTitle(i18n::english(N_("Rule")));
    setModal(true);
    setSizeGripEnabled(true);

    edtRuleName = new QLineEdit(this);
    edtRuleName->setObjectName(QStringLiteral("edtRuleName"));
    cmbRuleAction = new QComboBox(this);
    cmbRuleAction->setObjectName(QStringLiteral("cmbRuleAction"));
    cmbRuleAction->addItems(
        {i18n::english(N_("Move the given-up file to the Trash")), i18n::english(N_("Declare the pair not a match"))});
    edtKeeperOrder = new QLineEdit(this);
    edtKeeperOrder->setObjectName(QStringLiteral("edtKeeperOrder"));
    edtKeeperOrder->setToolTip(i18n::english(
        N_("The first criterion that tells the files apart picks the one kept: pixels, bytes, bytes-per-pixel, "
           "format=heic>png>jpg, older, newer, plain-name; each but format and plain-name with a margin such as "
           "pixels:5% or older:1d")));
    txtKeepFolders = linesBox(this, "txtKeepFolders");
    txtPruneFolders = linesBox(this, "txtPruneFolders");
    chkGuard
        = new QCheckBox(i18n::english(N_("&Give a file up only for one with at least its pixels and its bytes")), this);
    chkGuard->setObjectName(QStringLiteral("chkGuard"));

    auto *grpKeeping = new QGroupBox(i18n::english(N_("What the rule does")), this);
    grpKeeping->setObjectName(QStringLiteral("grpKeeping"));
    auto *keeping = new QFormLayout(grpKeeping);
    keeping->addRow(fieldLabel(grpKeeping, "lblRuleAction", N_("&Action:"), cmbRuleAction), cmbRuleAction);
    keeping->addRow(fieldLabel(grpKeeping, "lblKeeperOrder", N_("&Keep by:"), edtKeeperOrder), edtKeeperOrder);
    keeping->addRow(
        fieldLabel(grpKeeping, "lblKeepFolders", N_("Keep fo&lders, one a line:"), txtKeepFolders), txtKeepFolders);
    keeping->addRow(
        fieldLabel(grpKeeping, "lblPruneFolders", N_("&Prune folders, one a line:"), txtPruneFolders), txtPruneFolders);
    keeping->addRow(chkGuard);

    spnScopeMinDifference = boundBox(this, "spnScopeMinDifference");
    spnScopeMaxDifference = boundBox(this, "spnScopeMaxDifference");
    txtScopeFolders = linesBox(this, "txtScopeFolders");
    txtScopePatterns = linesBox(this, "txtScopePatterns");
    txtScopePatterns->setToolTip(
        i18n::english(N_("Full paths with * for any run of characters, ? for one character, [abc] for one of them")));
    cmbScopeRelation = new QComboBox(this);
    cmbScopeRelation->setObjectName(QStringLiteral("cmbScopeRelation"));
    cmbScopeRelation->addItems({i18n::english(N_("Same or different folders")), i18n::english(N_("Same folder")),
        i18n::english(N_("Different folders"))});
    edtScopeFormats = new QLineEdit(this);
    edtScopeFormats->setObjectName(QStringLiteral("edtScopeFormats"));
    edtScopeFormats->setPlaceholderText(i18n::english(N_("any, or such as jpg, png")));
    spnScopeMinPixels = new QSpinBox(this);
    spnScopeMinPixels->setObjectName(QStringLiteral("spnScopeMinPixels"));
    spnScopeMinPixels->setRange(0, INT_MAX);
    spnScopeMinPixels->setSpecialValueText(i18n::english(N_("any")));
    spnScopeMinPixels->setSingleStep(100000);

    auto *grpScope = new QGroupBox(i18n::english(N_("Which pairs it looks at")), this);
    grpScope->setObjectName(QStringLiteral("grpScope"));
    auto *scope = new QFormLayout(grpScope);
    auto *differences = new QHBoxLayout;
    differences->addWidget(spnScopeMinDifference);
    differences->addWidget(fieldLabel(grpScope, "lblScopeTo", N_("t&o"), spnScopeMaxDifference));
    differences->addWidget(spnScopeMaxDifference);
    scope->addRow(
        fieldLabel(grpScope, "lblScopeDifference", N_("&Difference from"), spnScopeMinDifference), differences);
    scope->addRow(
        fieldLabel(grpScope, "lblScopeFolders", N_("Either side in the &folders:"), txtScopeFolders), txtScopeFolders);
    scope->addRow(
        fieldLabel(grpScope, "lblScopePatterns", N_("Or its path &matching:"), txtScopePatterns), txtScopePatterns);
    scope->addRow(
        fieldLabel(grpScope, "lblScopeRelation", N_("Folders of the s&ides:"), cmbScopeRelation), cmbScopeRelation);
    scope->addRow(
        fieldLabel(grpScope, "lblScopeFormats", N_("Both sides of the forma&ts:"), edtScopeFormats), edtScopeFormats);
    scope->addRow(fieldLabel(grpScope, "lblScopeMinPixels", N_("Both sides at least, pi&xels:"), spnScopeMinPixels),
        spnScopeMinPixels);

    auto *btnSaveRule = new QPushButton(i18n::english(N_("&Save and use")), this);
    btnSaveRule->setObjectName(QStringLiteral("btnSaveRule"));
    btnSaveRule->setToolTip(i18n::english(N_("Save the rule under the name, in place of one of that name")));
    auto *btnUseRule = new QPushButton(i18n::english(N_("&Use without saving")), this);
    btnUseRule->setObjectName(QStringLiteral("btnUseRule"));
    auto *btnCancelRule = new QPushButton(i18n::english(N_("Cancel")), this);
    btnCancelRule->setObjectName(QStringLiteral("btnCancelRule"));
    for (QPushButton *button : {btnSaveRule, btnUseRule, btnCancelRule})
        button->setAutoDefault(false);

    auto *nameLine = new QFormLayout;
    nameLine->addRow(fieldLabel(this, "lblRuleName", N_("&Name:"), edtRuleName), edtRuleName);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnSaveRule);
    buttons->addWidget(btnUseRule);
    buttons->addWidget(btnCancelRule);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(nameLine);
    layout->addWidget(grpKeeping);
    layout->addWidget(grpScope);
    layout->addLayout(buttons);

    connect(btnSaveRule, &QPushButton::clicked, this, &TfrmRuleEditor::btnSaveRuleClick);
    connect(btnUseRule, &QPushButton::clicked, this, &TfrmRuleEditor::btnUseRuleClick);
    connect(btnCancelRule, &QPushButton::clicked, this, &QDialog::reject);
    // The rule's name is the user's own.
    i18n::keepUntranslated(edtRuleName);
    setRule(QString(), startingRule());
}

void TfrmRuleEditor::setRule(const QString &name, const review::Rule &rule)
{
    m_name = name;
    m_rule = rule;
    edtRuleName->setText(name);
    cmbRuleAction->setCurrentIndex(rule.action == review::RuleAction::NotAMatch ? 1 : 0);
    edtKeeperOrder->setText(review::keeperOrderText(rule.keeperOrder));
    txtKeepFolders->setPlainText(rule.keepFolders.join(u'\n'));
    txtPruneFolders->setPlainText(rule.pruneFolders.join(u'\n'));
    chkGuard->setChecked(rule.guard);
    spnScopeMinDifference->setValue(rule.scope.minDifference.value_or(kNoBound));
    spnScopeMaxDifference->setValue(rule.scope.maxDifference.value_or(kNoBound));
    txtScopeFolders->setPlainText(rule.scope.folders.join(u'\n'));
    txtScopePatterns->setPlainText(rule.scope.patterns.join(u'\n'));
    cmbScopeRelation->setCurrentIndex(static_cast<int>(rule.scope.relation));
    edtScopeFormats->setText(rule.scope.formats.join(QStringLiteral(", ")));
    spnScopeMinPixels->setValue(static_cast<int>(std::min<qint64>(rule.scope.minPixels, INT_MAX)));
}

review::Rule TfrmRuleEditor::fieldsAsRule() const
{
    review::Rule rule;
    rule.action = cmbRuleAction->currentIndex() == 1 ? review::RuleAction::NotAMatch : review::RuleAction::Trash;
    rule.keeperOrder = review::parseKeeperOrder(edtKeeperOrder->text().trimmed());
    rule.keepFolders = linesOf(txtKeepFolders);
    rule.pruneFolders = linesOf(txtPruneFolders);
    rule.guard = chkGuard->isChecked();
    if (spnScopeMinDifference->value() != kNoBound)
        rule.scope.minDifference = spnScopeMinDifference->value();
    if (spnScopeMaxDifference->value() != kNoBound)
        rule.scope.maxDifference = spnScopeMaxDifference->value();
    rule.scope.folders = linesOf(txtScopeFolders);
    rule.scope.patterns = linesOf(txtScopePatterns);
    rule.scope.relation = static_cast<review::FolderRelation>(cmbScopeRelation->currentIndex());
    for (const QString &format : edtScopeFormats->text().split(u',')) {
        QString bare = format.trimmed().toLower();
        if (bare.startsWith(u'.'))
            bare.remove(0, 1);
        if (!bare.isEmpty())
            rule.scope.formats << bare;
    }
    rule.scope.minPixels = spnScopeMinPixels->value();
    // The pairs a rule was once made for are kept as they were: the editor does not show them.
    rule.scope.pairIds = m_rule.scope.pairIds;
    review::checkRule(rule);
    return rule;
}

void TfrmRuleEditor::btnSaveRuleClick()
{
    guarded(this, [this] {
        const review::Rule rule = fieldsAsRule();
        const QString name = edtRuleName->text();
        store::CheckRuleName(name);
        store::SaveRule(m_session, name, review::ruleToText(rule));
        m_rule = rule;
        m_name = name;
        accept();
    });
}

void TfrmRuleEditor::btnUseRuleClick()
{
    guarded(this, [this] {
        m_rule = fieldsAsRule();
        m_name.clear();
        accept();
    });
}

} // namespace vexaris::ui
