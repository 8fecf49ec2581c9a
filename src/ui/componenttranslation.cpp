// The walk over a window's objects: each object's writable text properties, its item list, and
// the objects it leads to (children, actions, menus, item models). Only English texts are ever
// looked up: a later language change starts again from the remembered source texts.
#include "ui/componenttranslation.h"

#include <deque>
#include <set>

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QEvent>
#include <QListWidget>
#include <QMenu>
#include <QMetaProperty>
#include <QWidget>

#include "common/error.h"
#include "i18n/catalog.h"
#include "i18n/qtranslate.h"

namespace vexaris::i18n {

namespace {

constexpr const char *kMarkerName = "GNUgettextMarker";
constexpr const char *kKeepUntranslated = "vexarisKeepUntranslated";
constexpr const char *kListProperty = "Text";

struct IgnoreRule
{
    const char *className;
    const char *property;
};

// Properties that are never translated, for the class and every class derived from it:
// names, and strings that are formats, paths or the user's own input rather than texts.
constexpr IgnoreRule kIgnoreRules[] = {
    {"QLineEdit", "text"},
    {"QLineEdit", "inputMask"},
    {"QTextEdit", "html"},
    {"QTextEdit", "markdown"},
    {"QTextEdit", "plainText"},
    {"QTextEdit", "documentTitle"},
    {"QPlainTextEdit", "plainText"},
    {"QPlainTextEdit", "documentTitle"},
    {"QComboBox", "currentText"},
    {"QDateTimeEdit", "displayFormat"},
    {"QProgressBar", "format"},
    {"QFileSystemModel", "rootPath"},
    {"QCompleter", "completionPrefix"},
    {"QWidget", "styleSheet"},
    {"QWidget", "windowFilePath"},
    {"QObject", "objectName"},
};

bool ignored(const QObject *object, const char *property)
{
    for (const IgnoreRule &rule : kIgnoreRules) {
        if (qstrcmp(rule.property, property) == 0 && object->inherits(rule.className))
            return true;
    }
    return false;
}

bool keptUntranslated(const QObject *object)
{
    return object->property(kKeepUntranslated).toBool();
}

// Item lists the walk knows: the entries of a combo box or list, the column titles of a
// model. Returns false for an object that has none.
bool readItems(QObject *object, QStringList &items)
{
    items.clear();
    if (auto *combo = qobject_cast<QComboBox *>(object)) {
        // An editable box holds what the user typed or the program filled in.
        if (combo->isEditable())
            return false;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return true;
    }
    if (auto *list = qobject_cast<QListWidget *>(object)) {
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        return true;
    }
    // A file system model names its columns itself, in the language of the moment.
    if (auto *model = qobject_cast<QAbstractItemModel *>(object); model && !model->inherits("QFileSystemModel")) {
        // Only titles that were given as texts: without them a model answers with numbers.
        bool anyText = false;
        for (int i = 0; i < model->columnCount(); ++i) {
            const QVariant title = model->headerData(i, Qt::Horizontal, Qt::DisplayRole);
            anyText = anyText || title.typeId() == QMetaType::QString;
            items << (title.typeId() == QMetaType::QString ? title.toString() : QString());
        }
        return anyText;
    }
    return false;
}

void writeItems(QObject *object, const QStringList &items)
{
    // Entry by entry, so that the selection and the entries' data stay as they are.
    if (auto *combo = qobject_cast<QComboBox *>(object)) {
        for (int i = 0; i < combo->count() && i < items.size(); ++i)
            combo->setItemText(i, items.at(i));
    } else if (auto *list = qobject_cast<QListWidget *>(object)) {
        for (int i = 0; i < list->count() && i < items.size(); ++i)
            list->item(i)->setText(items.at(i));
    } else if (auto *model = qobject_cast<QAbstractItemModel *>(object)) {
        for (int i = 0; i < model->columnCount() && i < items.size(); ++i) {
            if (!items.at(i).isEmpty())
                model->setHeaderData(i, Qt::Horizontal, items.at(i), Qt::DisplayRole);
        }
    }
}

QString translated(const QString &english)
{
    return english.isEmpty() ? english : qtr(english.toUtf8().constData());
}

QStringList translatedLines(const QStringList &english)
{
    QStringList lines;
    lines.reserve(english.size());
    for (const QString &line : english)
        lines << translated(line);
    return lines;
}

[[noreturn]] void failToSet(const QObject *object, const char *property)
{
    throw Error(formatText(_("The translated text could not be set: property %s of a %s."),
        {property, object->metaObject()->className()}));
}

// An action's icon text and tool tip follow its text unless they were set on their own;
// translating the followed values would fix them in the language of the moment.
bool followsActionText(const char *property, const QString &value, const QString &text)
{
    if (qstrcmp(property, "iconText") != 0 && qstrcmp(property, "toolTip") != 0)
        return false;
    QAction probe;
    probe.setText(text);
    return value == (qstrcmp(property, "iconText") == 0 ? probe.iconText() : probe.toolTip());
}

class Walk
{
public:
    explicit Walk(QList<RememberedText> &remembered)
        : m_remembered(remembered)
    {
    }

    void run(QObject *window, const QObject *marker)
    {
        m_visited.insert(marker);
        m_work.push_back(window);
        while (!m_work.empty()) {
            QObject *object = m_work.front();
            m_work.pop_front();
            if (!object || !m_visited.insert(object).second)
                continue;
            // A window owned by this one that was translated on its own keeps its own texts.
            if (object != window && findMarker(object))
                continue;
            visit(object);
        }
    }

private:
    void visit(QObject *object)
    {
        auto *action = qobject_cast<QAction *>(object);
        if (action) {
            // A menu's own action mirrors the menu's title: the menu is translated instead.
            if (auto *menu = action->menu<QMenu *>(); menu && menu->menuAction() == action) {
                m_work.push_back(menu);
                return;
            }
        }
        if (auto *box = qobject_cast<QDialogButtonBox *>(object)) {
            // Qt names its standard buttons itself, through our catalog, in the language
            // current when they are made; their texts are not English to remember.
            for (QAbstractButton *button : box->buttons()) {
                if (box->standardButton(button) != QDialogButtonBox::NoButton)
                    m_visited.insert(button);
            }
        }
        if (!keptUntranslated(object)) {
            translateProperties(object, action);
            translateItems(object);
        }
        queueRelated(object);
    }

    void translateProperties(QObject *object, const QAction *action)
    {
        const QMetaObject *meta = object->metaObject();
        // Values as they were before any of them was translated: an action's derived texts
        // are recognised against its English text.
        QList<QMetaProperty> properties;
        QStringList values;
        for (int i = 0; i < meta->propertyCount(); ++i) {
            const QMetaProperty property = meta->property(i);
            // An object held in a property (a model, a completer) has texts of its own.
            if ((property.metaType().flags() & QMetaType::PointerToQObject) && property.isReadable()) {
                m_work.push_back(property.read(object).value<QObject *>());
                continue;
            }
            if (property.metaType().id() != QMetaType::QString || !property.isReadable() || !property.isWritable()
                || ignored(object, property.name()))
                continue;
            const QString value = property.read(object).toString();
            if (value.isEmpty())
                continue;
            properties << property;
            values << value;
        }
        const QString actionText = action ? action->text() : QString();
        for (qsizetype i = 0; i < properties.size(); ++i) {
            const char *name = properties.at(i).name();
            const QString &english = values.at(i);
            if (action && followsActionText(name, english, actionText))
                continue;
            const QString text = translated(english);
            if (text != english && !object->setProperty(name, text))
                failToSet(object, name);
            m_remembered.append({object, name, false, {english}, {text}});
        }
    }

    void translateItems(QObject *object)
    {
        QStringList english;
        if (!readItems(object, english) || english.isEmpty())
            return;
        const QStringList lines = translatedLines(english);
        if (lines != english)
            writeItems(object, lines);
        m_remembered.append({object, kListProperty, true, english, lines});
    }

    void queueRelated(QObject *object)
    {
        if (auto *action = qobject_cast<QAction *>(object)) {
            if (QMenu *menu = action->menu<QMenu *>())
                m_work.push_back(menu);
        }
        if (auto *widget = qobject_cast<QWidget *>(object)) {
            for (QAction *action : widget->actions())
                m_work.push_back(action);
        }
        if (auto *view = qobject_cast<QAbstractItemView *>(object))
            m_work.push_back(view->model());
        for (QObject *child : object->children())
            m_work.push_back(child);
    }

    QList<RememberedText> &m_remembered;
    std::deque<QObject *> m_work;
    std::set<const QObject *> m_visited;
};

} // namespace

TranslationMarker::TranslationMarker(QObject *window)
    : QObject(window)
{
    setObjectName(QLatin1String(kMarkerName));
}

void keepUntranslated(QObject *object)
{
    object->setProperty(kKeepUntranslated, true);
}

TranslationMarker *findMarker(const QObject *window)
{
    return window->findChild<TranslationMarker *>(QLatin1String(kMarkerName), Qt::FindDirectChildrenOnly);
}

void TranslateComponent(QObject *window)
{
    const QString language = currentLanguage();
    if (TranslationMarker *marker = findMarker(window)) {
        const QString earlier = marker->language;
        marker->language = language;
        if (earlier != language)
            throw Error(_("This window was translated before: a language change must use RetranslateComponent."));
        return;
    }
    auto *marker = new TranslationMarker(window);
    marker->language = language;
    // What was translated before a failure is remembered all the same, so that a language
    // change still reaches it.
    Walk walk(marker->texts);
    walk.run(window, marker);
}

void RetranslateComponent(QObject *window)
{
    TranslationMarker *marker = findMarker(window);
    if (!marker)
        throw Error(_("RetranslateComponent was called for a window that was never translated."));
    const QString language = currentLanguage();
    if (marker->language == language)
        return;

    for (RememberedText &entry : marker->texts) {
        QObject *object = entry.object.data();
        if (!object)
            continue;
        if (entry.isList) {
            QStringList current;
            // Entries the program filled in or changed since belong to the program.
            if (!readItems(object, current) || current != entry.shown)
                continue;
            entry.shown = translatedLines(entry.source);
            writeItems(object, entry.shown);
        } else {
            const QVariant current = object->property(entry.property.constData());
            if (!current.isValid() || current.toString() != entry.shown.constFirst())
                continue;
            const QString text = translated(entry.source.constFirst());
            if (!object->setProperty(entry.property.constData(), text))
                failToSet(object, entry.property.constData());
            entry.shown = QStringList {text};
        }
    }
    marker->language = language;

    QEvent languageChange(QEvent::LanguageChange);
    for (QDialogButtonBox *box : window->findChildren<QDialogButtonBox *>())
        QCoreApplication::sendEvent(box, &languageChange);
}

} // namespace vexaris::i18n
