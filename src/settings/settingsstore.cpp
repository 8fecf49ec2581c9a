#include "settings/settingsstore.h"

#include <algorithm>
#include <climits>

#include <QSettings>
#include <QVariant>

namespace vexaris::settings {

namespace {

const QString kThreshold = QStringLiteral("Threshold");
const QString kMethod = QStringLiteral("Method");
const QString kLanguage = QStringLiteral("Language");
const QString kStretchDuplicates = QStringLiteral("StretchDuplicates");
const QString kThreads = QStringLiteral("Threads");
const QString kRememberNotAMatch = QStringLiteral("RememberNotAMatch");
const QString kLayoutGroup = QStringLiteral("Layout/");

QSettings openKey()
{
    return QSettings(QStringLiteral("Quillmark"), QStringLiteral("Vexaris"));
}

// An integer value; the INI file keeps every value as text, so a text of digits is one too.
std::optional<int> readInteger(const QSettings &settings, const QString &name)
{
    const QVariant value = settings.value(name);
    bool ok = false;
    qlonglong number = 0;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        number = value.toLongLong(&ok);
        break;
    case QMetaType::QString:
        number = value.toString().trimmed().toLongLong(&ok);
        break;
    default:
        break;
    }
    if (!ok)
        return std::nullopt;
    return static_cast<int>(std::clamp<qlonglong>(number, INT_MIN, INT_MAX));
}

} // namespace

Preferences SettingsStore::load() const
{
    const QSettings settings = openKey();
    Preferences preferences;
    if (const std::optional<int> threshold = readInteger(settings, kThreshold))
        preferences.threshold = std::clamp(*threshold, kThresholdMin, kThresholdMax);
    // Below the range there is no comparison method at all: the first one stands in for it.
    if (const std::optional<int> method = readInteger(settings, kMethod))
        preferences.method = std::clamp(*method, kMethodMin, kMethodMax);
    const QVariant language = settings.value(kLanguage);
    if (language.typeId() == QMetaType::QString)
        preferences.language = language.toString();
    if (const std::optional<int> flag = readInteger(settings, kStretchDuplicates))
        preferences.stretchDuplicates = *flag != 0;
    else if (const QVariant stretch = settings.value(kStretchDuplicates); stretch.typeId() == QMetaType::Bool)
        preferences.stretchDuplicates = stretch.toBool();
    if (const std::optional<int> threads = readInteger(settings, kThreads))
        preferences.threads = std::clamp(*threads, 0, kThreadsMax);
    if (const std::optional<int> flag = readInteger(settings, kRememberNotAMatch))
        preferences.rememberNotAMatch = *flag != 0;
    return preferences;
}

void SettingsStore::save(const Preferences &preferences) const
{
    QSettings settings = openKey();
    settings.setValue(kThreshold, preferences.threshold);
    settings.setValue(kMethod, preferences.method);
    settings.setValue(kLanguage, preferences.language);
    settings.setValue(kStretchDuplicates, preferences.stretchDuplicates ? 1 : 0);
    settings.setValue(kThreads, preferences.threads);
    settings.setValue(kRememberNotAMatch, preferences.rememberNotAMatch ? 1 : 0);
    settings.sync();
}

std::optional<QString> SettingsStore::storedLanguage() const
{
    const QVariant language = openKey().value(kLanguage);
    if (language.typeId() != QMetaType::QString || language.toString().isEmpty())
        return std::nullopt;
    return language.toString();
}

QByteArray SettingsStore::windowLayout(const QString &key) const
{
    const QVariant layout = openKey().value(kLayoutGroup + key);
    return layout.typeId() == QMetaType::QByteArray ? layout.toByteArray() : QByteArray();
}

void SettingsStore::setWindowLayout(const QString &key, const QByteArray &layout) const
{
    QSettings settings = openKey();
    settings.setValue(kLayoutGroup + key, layout);
}

} // namespace vexaris::settings
