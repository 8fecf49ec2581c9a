#include "i18n/translatedwindows.h"

#include <map>

#include <QPointer>

#include "i18n/componenttranslation.h"

namespace vexaris::i18n {

namespace {

std::map<TranslatedWindow, QPointer<QObject>> &registry()
{
    static std::map<TranslatedWindow, QPointer<QObject>> windows;
    return windows;
}

} // namespace

void registerTranslatedWindow(TranslatedWindow which, QObject *window)
{
    registry()[which] = window;
}

QList<QObject *> translatedWindows()
{
    QList<QObject *> windows;
    for (const auto &[which, window] : registry()) {
        if (window)
            windows << window.data();
    }
    return windows;
}

void retranslateWindows()
{
    for (QObject *window : translatedWindows())
        RetranslateComponent(window);
}

} // namespace vexaris::i18n
