// Translation of every text of a window at once, and again from its English texts after the
// interface language changed. Each window calls TranslateComponent when it is created.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

namespace vexaris::i18n {

// A window text as the window sets it: in English (marked with N_() for extraction).
// TranslateComponent puts it into the interface language and remembers the English for a later
// change of language.
inline QString english(const char *text)
{
    return QString::fromUtf8(text);
}

// One text that the walk translated: a text property of an object, or an item list (combo-box
// and list items, column titles) under the name "Text".
struct RememberedText
{
    QPointer<QObject> object;
    QByteArray property;
    bool isList = false;
    QStringList source; // the English text; one entry for a property, one per line for a list
    QStringList shown; // what the translation set, to notice texts the program replaced since
};

// The invisible child "GNUgettextMarker" of a translated window: the language of the window's
// last translation and its remembered English texts.
class TranslationMarker : public QObject
{
    Q_OBJECT

public:
    explicit TranslationMarker(QObject *window);

    QString language;
    QList<RememberedText> texts;
};

// Texts and items of this object are the user's data (names, paths) and are never translated;
// its children still are. Call before the window is translated.
void keepUntranslated(QObject *object);

TranslationMarker *findMarker(const QObject *window);

void TranslateComponent(QObject *window);
void RetranslateComponent(QObject *window);

} // namespace vexaris::i18n
