#include "settings/optionswindow.h"

#include <iterator>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "i18n/catalog.h"
#include "i18n/translate.h"
#include "settings/settingsstore.h"
#include "ui/componenttranslation.h"
#include "ui/translatedwindows.h"

namespace vexaris::settings {

namespace {

// The leading blanks line the percentages up under each other.
constexpr const char *kThresholdHints[] = {
    N_("    5%: find proportionally scaled / slightly color-corrected copies"),
    N_("  10%: find color-corrected copies with small labels or thin frames added or removed"),
    N_("  20%: find heavily altered copies with differently cropped edges, big labels or thick frames added or "
       "removed"),
    N_("100%: enumerate all possible pairs of pictures in the collection (VERY slow and absolutely pointless :-)"),
};

constexpr int kInitialThreshold = 5;
constexpr int kInitialMethod = 1;

QLabel *plainLabel(const QString &text, const QString &name, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

QStringList languageList(const QString &root)
{
    QStringList codes;
    const QDir folder(root);
    // Plain folders only: no hidden ones, no links, no files.
    const QFileInfoList entries
        = folder.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Unsorted);
    for (const QFileInfo &entry : entries)
        codes << entry.fileName();
    if (!codes.contains(QLatin1String("en")))
        codes << QStringLiteral("en");
    return codes;
}

TfrmOptions::TfrmOptions(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(i18n::english(N_("Vexaris 3.0 Options")));
    setModal(true);
    setWindowFlags(windowFlags() | Qt::MSWindowsFixedSizeDialogHint);

    rbgMethod = new QGroupBox(i18n::english(N_(" Comparison method: ")), this);
    rbgMethod->setObjectName(QStringLiteral("rbgMethod"));
    m_methods = new QButtonGroup(rbgMethod);
    auto *methodLayout = new QVBoxLayout(rbgMethod);
    for (int i = 0; i < static_cast<int>(std::size(kMethodNames)); ++i) {
        auto *choice = new QRadioButton(i18n::english(kMethodNames[i]), rbgMethod);
        choice->setObjectName(QStringLiteral("rbgMethodItem%1").arg(i));
        m_methods->addButton(choice, i);
        methodLayout->addWidget(choice);
    }

    auto *thresholdCaption = plainLabel(i18n::english(N_("Threshold:")), QStringLiteral("lblThresholdCaption"), this);
    lblThreshold = plainLabel(QString(), QStringLiteral("lblThreshold"), this);
    auto *thresholdLine = new QHBoxLayout;
    thresholdLine->addWidget(thresholdCaption);
    thresholdLine->addWidget(lblThreshold);
    thresholdLine->addStretch();

    trbThreshold = new QSlider(Qt::Horizontal, this);
    trbThreshold->setObjectName(QStringLiteral("trbThreshold"));
    trbThreshold->setRange(kThresholdMin, kThresholdMax);
    trbThreshold->setSingleStep(1);
    trbThreshold->setPageStep(1);
    trbThreshold->setTickInterval(1);
    trbThreshold->setTickPosition(QSlider::TicksBelow);

    auto *hints = new QVBoxLayout;
    hints->setSpacing(0);
    for (int i = 0; i < static_cast<int>(std::size(kThresholdHints)); ++i)
        hints->addWidget(
            plainLabel(i18n::english(kThresholdHints[i]), QStringLiteral("lblThresholdHint%1").arg(i + 1), this));

    chkStretchDuplicates
        = new QCheckBox(i18n::english(N_("Stretch the images to fit the window when showing a duplicate pair")), this);
    chkStretchDuplicates->setObjectName(QStringLiteral("chkStretchDuplicates"));
    chkRememberNotAMatch = new QCheckBox(i18n::english(N_("&Remember pairs marked as not a match")), this);
    chkRememberNotAMatch->setObjectName(QStringLiteral("chkRememberNotAMatch"));

    auto *languageCaption
        = plainLabel(i18n::english(N_("Interface language:")), QStringLiteral("lblInterfaceLanguage"), this);
    cmbLanguage = new QComboBox(this);
    cmbLanguage->setObjectName(QStringLiteral("cmbLanguage"));
    cmbLanguage->setEditable(false);
    cmbLanguage->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    languageCaption->setBuddy(cmbLanguage);
    auto *languageLine = new QHBoxLayout;
    languageLine->addWidget(languageCaption);
    languageLine->addWidget(cmbLanguage);
    languageLine->addStretch();

    auto *threadsCaption = plainLabel(i18n::english(N_("Threads reading and comparing pictures (0: one per core):")),
        QStringLiteral("lblThreads"), this);
    spnThreads = new QSpinBox(this);
    spnThreads->setObjectName(QStringLiteral("spnThreads"));
    spnThreads->setRange(0, kThreadsMax);
    threadsCaption->setBuddy(spnThreads);
    auto *threadsLine = new QHBoxLayout;
    threadsLine->addWidget(threadsCaption);
    threadsLine->addWidget(spnThreads);
    threadsLine->addStretch();

    btnOK = new QPushButton(i18n::english(N_("OK")), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    auto *buttonLine = new QHBoxLayout;
    buttonLine->addStretch();
    buttonLine->addWidget(btnOK);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(rbgMethod);
    layout->addLayout(thresholdLine);
    layout->addWidget(trbThreshold);
    layout->addLayout(hints);
    layout->addWidget(chkStretchDuplicates);
    layout->addWidget(chkRememberNotAMatch);
    layout->addLayout(languageLine);
    layout->addLayout(threadsLine);
    layout->addLayout(buttonLine);
    // A fixed border that still follows the texts: longer translations widen the window.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    trbThreshold->setValue(kInitialThreshold);
    m_methods->button(kInitialMethod)->setChecked(true);
    chkStretchDuplicates->setChecked(false);

    connect(trbThreshold, &QSlider::valueChanged, this, &TfrmOptions::trbThresholdChange);
    connect(cmbLanguage, &QComboBox::activated, this, &TfrmOptions::cmbLanguageChange);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    cmbLanguage->addItems(languageList(i18n::catalogRoot()));
    cmbLanguage->setCurrentIndex(-1);
    // The entries are folder names, not English texts.
    i18n::keepUntranslated(cmbLanguage);
    i18n::TranslateComponent(this);
    loadSettings();
}

int TfrmOptions::method() const
{
    return m_methods->checkedId();
}

int TfrmOptions::threshold() const
{
    return trbThreshold->value();
}

bool TfrmOptions::stretchDuplicates() const
{
    return chkStretchDuplicates->isChecked();
}

QString TfrmOptions::language() const
{
    return cmbLanguage->currentIndex() < 0 ? QString() : cmbLanguage->currentText();
}

int TfrmOptions::threads() const
{
    return spnThreads->value();
}

bool TfrmOptions::rememberNotAMatch() const
{
    return chkRememberNotAMatch->isChecked();
}

void TfrmOptions::done(int result)
{
    // OK, Escape and the title bar's close button all end here: what the window shows is kept.
    FormClose();
    QDialog::done(result);
}

void TfrmOptions::showEvent(QShowEvent *event)
{
    trbThresholdChange();
    QDialog::showEvent(event);
    adjustSize();
    centreOnScreen();
}

void TfrmOptions::resizeEvent(QResizeEvent *event)
{
    // The window takes the size of its texts, so a change of language resizes it while it is
    // open: centred again, it grows and shrinks about the middle of the screen.
    QDialog::resizeEvent(event);
    if (isVisible())
        centreOnScreen();
}

void TfrmOptions::centreOnScreen()
{
    if (const QScreen *where = screen())
        move(where->availableGeometry().center() - rect().center());
}

void TfrmOptions::trbThresholdChange()
{
    lblThreshold->setText(QString::number(trbThreshold->value()));
}

void TfrmOptions::cmbLanguageChange(int index)
{
    const QString code = cmbLanguage->itemText(index);
    if (code.isEmpty())
        return;
    i18n::SelectLanguage(code);
    if (m_translatedWindows)
        m_translatedWindows->retranslate();
    else
        i18n::RetranslateComponent(this);
    selectLanguage(code);
}

void TfrmOptions::FormClose()
{
    Preferences preferences;
    preferences.threshold = threshold();
    preferences.method = method();
    preferences.language = language();
    preferences.stretchDuplicates = stretchDuplicates();
    preferences.threads = threads();
    preferences.rememberNotAMatch = rememberNotAMatch();
    SettingsStore().save(preferences);
}

void TfrmOptions::loadSettings()
{
    const Preferences preferences = SettingsStore().load();
    trbThreshold->setValue(preferences.threshold);
    m_methods->button(preferences.method)->setChecked(true);
    chkStretchDuplicates->setChecked(preferences.stretchDuplicates);
    spnThreads->setValue(preferences.threads);
    chkRememberNotAMatch->setChecked(preferences.rememberNotAMatch);
    selectLanguage(preferences.language);
}

void TfrmOptions::selectLanguage(const QString &code)
{
    // findText gives -1 for a code that is not offered: no language selected.
    cmbLanguage->setCurrentIndex(code.isEmpty() ? -1 : cmbLanguage->findText(code, Qt::MatchExactly));
}

} // namespace vexaris::settings
