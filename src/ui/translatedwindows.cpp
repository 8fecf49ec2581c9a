#include "ui/translatedwindows.h"

#include "ui/componenttranslation.h"

namespace vexaris::i18n {

void TranslatedWindows::add(TranslatedWindow which, QObject *window)
{
    m_windows[which] = window;
}

QList<QObject *> TranslatedWindows::windows() const
{
    QList<QObject *> windows;
    for (const auto &[which, window] : m_windows) {
        if (window)
            windows << window.data();
    }
    return windows;
}

void TranslatedWindows::retranslate() const
{
    for (QObject *window : windows())
        RetranslateComponent(window);
}

} // namespace vexaris::i18n
