// The preferences window: comparison method, threshold, stretching in the review window and the
// interface language. Its controls hold the current preferences while the program runs.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;

namespace vexaris::i18n {
class TranslatedWindows;
}

namespace vexaris::settings {

// The language codes offered: the plain folders inside root in the order the file system lists
// them, "en" added at the end when it is not among them.
QStringList languageList(const QString &root);

class TfrmOptions : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmOptions(QWidget *parent = nullptr);

    int method() const; // 0..5, -1 when none is selected
    int threshold() const; // 0..100
    bool stretchDuplicates() const;
    QString language() const; // empty when none is selected
    int threads() const; // 0 for one per core
    bool rememberNotAMatch() const;

    void done(int result) override;

    // The windows a change of language translates again (this one among them); without them,
    // only this window follows the change.
    void setTranslatedWindows(const i18n::TranslatedWindows &windows) { m_translatedWindows = &windows; }

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void trbThresholdChange();
    void cmbLanguageChange(int index);
    void FormClose();
    void centreOnScreen();
    void loadSettings();
    void selectLanguage(const QString &code);

    QGroupBox *rbgMethod;
    QButtonGroup *m_methods;
    QLabel *lblThreshold;
    QSlider *trbThreshold;
    QCheckBox *chkStretchDuplicates;
    QCheckBox *chkRememberNotAMatch;
    QComboBox *cmbLanguage;
    QSpinBox *spnThreads;
    QPushButton *btnOK;
    const i18n::TranslatedWindows *m_translatedWindows = nullptr;
};

} // namespace vexaris::settings
