// The windows that follow a change of the interface language, and the order in which they are
// translated again. The desktop program's main() lists its windows here and hands the list to
// the preferences window, where the language is changed.
#pragma once

#include <map>

#include <QList>
#include <QObject>
#include <QPointer>

namespace vexaris::i18n {

// In the order of translating again: the preferences window first, since the change is made there.
enum class TranslatedWindow {
    Options,
    Main,
    About,
    GetThumbs,
    Log,
    Scan,
    Duplicates,
    Journal,
    Pairs,
};

class TranslatedWindows
{
public:
    // A window leaves the list by itself when it is destroyed.
    void add(TranslatedWindow which, QObject *window);
    // The listed windows that still exist, in the order of translating again.
    QList<QObject *> windows() const;
    // RetranslateComponent on every listed window, in that order.
    void retranslate() const;

private:
    std::map<TranslatedWindow, QPointer<QObject>> m_windows;
};

} // namespace vexaris::i18n
