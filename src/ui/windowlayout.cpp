#include "ui/windowlayout.h"

#include <functional>

#include <QEvent>
#include <QHeaderView>
#include <QPointer>
#include <QWidget>

#include "settings/settingsstore.h"

namespace vexaris::ui {

namespace {

// Stores a layout whenever the window it watches is hidden: a dialog that is accepted and a main
// window that is closed are both hidden, while one that is minimised (hidden by the window
// system) keeps the size it had.
class LayoutKeeper : public QObject
{
public:
    LayoutKeeper(QWidget *window, std::function<void()> save)
        : QObject(window)
        , m_save(std::move(save))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && !event->spontaneous())
            m_save();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_save;
};

} // namespace

void rememberGeometry(QWidget *window, const QString &key)
{
    const QByteArray stored = settings::SettingsStore().windowLayout(key);
    if (!stored.isEmpty())
        window->restoreGeometry(stored);
    new LayoutKeeper(window, [window, key] { settings::SettingsStore().setWindowLayout(key, window->saveGeometry()); });
}

void rememberColumns(QHeaderView *header, const QString &key)
{
    const QByteArray stored = settings::SettingsStore().windowLayout(key);
    if (!stored.isEmpty())
        header->restoreState(stored);
    // The window may be hidden on its way out, after its children are gone.
    new LayoutKeeper(header->window(), [header = QPointer<QHeaderView>(header), key] {
        if (header)
            settings::SettingsStore().setWindowLayout(key, header->saveState());
    });
}

} // namespace vexaris::ui
