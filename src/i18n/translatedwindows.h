// The windows that follow a change of the interface language, and the order in which they are
// translated again. Each window registers itself when it is created.
#pragma once

#include <QList>
#include <QObject>

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
};

// A window leaves the list by itself when it is destroyed.
void registerTranslatedWindow(TranslatedWindow which, QObject *window);
// The registered windows that still exist, in the order of translating again.
QList<QObject *> translatedWindows();
// RetranslateComponent on every registered window, in that order.
void retranslateWindows();

} // namespace vexaris::i18n
