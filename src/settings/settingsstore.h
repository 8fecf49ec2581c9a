// The preferences in the per-user settings "Quillmark/Vexaris", with the fallbacks for values
// that are missing or unreadable and the clamping of values out of range.
#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

#include "i18n/translate.h"

namespace vexaris::settings {

constexpr int kThresholdMin = 0;
constexpr int kThresholdMax = 100;
constexpr int kMethodMin = 0;
constexpr int kMethodMax = 5;
constexpr int kThreadsMax = 64;

// The comparison methods by their stored number, as the preferences window and the command
// line's help name them (marked for translation).
constexpr const char *kMethodNames[] = {
    N_("File properties (size, dates of creation and last modification)"),
    N_("File properties and color image"),
    N_("File properties and shapes (edges) in the image"),
    N_("File properties, color image and edges"),
    N_("File properties, color image or edges"),
    N_("File properties, averaged colors"),
};

struct Preferences
{
    int threshold = 10; // 0..100
    int method = 0; // 0..5
    QString language; // a language code, or empty for none selected
    bool stretchDuplicates = true;
    int threads = 0; // threads reading and comparing pictures; 0 for one per core
    // Pairs declared not a match stay known by their pictures' content, so that no later scan
    // reports them again; off, only the pair's row goes and a scan with other settings or a
    // full one may find it again.
    bool rememberNotAMatch = false;
};

class SettingsStore
{
public:
    // Each value on its own: an unreadable one takes its fallback, the others are still read.
    Preferences load() const;
    void save(const Preferences &preferences) const;

    // The stored language when it is a non-empty text.
    std::optional<QString> storedLanguage() const;

    // What a window remembers of its layout between runs (its size and position, a table's
    // columns), under a key of its own; empty when nothing is stored.
    QByteArray windowLayout(const QString &key) const;
    void setWindowLayout(const QString &key, const QByteArray &layout) const;
};

} // namespace vexaris::settings
