#include "review/rule.h"

#include <array>
#include <cmath>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>

#include "common/error.h"
#include "i18n/qtranslate.h"

namespace vexaris::review {

namespace {

enum class Unit {
    Count, // pixels, bytes: a whole number
    Ratio, // bytes per pixel: any number
    Duration, // the dates: seconds, written with a unit
    None, // no margin at all
};

struct CriterionInfo
{
    Criterion criterion;
    const char *name; // in the keeper order's text and the text form
    Unit unit;
};

constexpr std::array<CriterionInfo, 7> kCriteria {{
    {Criterion::Pixels, "pixels", Unit::Count},
    {Criterion::Bytes, "bytes", Unit::Count},
    {Criterion::BytesPerPixel, "bytes-per-pixel", Unit::Ratio},
    {Criterion::Format, "format", Unit::None},
    {Criterion::Older, "older", Unit::Duration},
    {Criterion::Newer, "newer", Unit::Duration},
    {Criterion::PlainName, "plain-name", Unit::None},
}};

const CriterionInfo &infoOf(Criterion criterion)
{
    return kCriteria[static_cast<size_t>(criterion)];
}

const CriterionInfo *criterionNamed(const QString &name)
{
    for (const CriterionInfo &info : kCriteria) {
        if (name == QLatin1String(info.name))
            return &info;
    }
    return nullptr;
}

struct DurationUnit
{
    QChar letter;
    double seconds;
};
// The largest first, so that a margin is written in the largest unit it is a whole number of.
constexpr std::array<DurationUnit, 4> kDurationUnits {{
    {u'd', 86400},
    {u'h', 3600},
    {u'm', 60},
    {u's', 1},
}};

QString numberText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

[[noreturn]] void refuse(const QString &message)
{
    throw Error(message.toStdString());
}

QString criterionList()
{
    QStringList names;
    for (const CriterionInfo &info : kCriteria)
        names << (info.criterion == Criterion::Format ? QStringLiteral("format=heic>png>jpg")
                                                      : QLatin1String(info.name));
    return names.join(QStringLiteral(", "));
}

[[noreturn]] void badMargin(const CriterionInfo &info, const QString &text)
{
    const QString name = QLatin1String(info.name);
    switch (info.unit) {
    case Unit::Count:
        refuse(qtrFormat("The margin %s of %s is not a whole number or a percentage such as 5%%", {text, name}));
    case Unit::Ratio:
        refuse(qtrFormat("The margin %s of %s is not a number or a percentage such as 5%%", {text, name}));
    case Unit::Duration:
        refuse(qtrFormat("The margin %s of %s is not a duration such as 90s, 10m, 2h or 1d", {text, name}));
    case Unit::None:
        break;
    }
    refuse(qtrFormat("The criterion %s takes no margin", {name}));
}

Margin parseMargin(const CriterionInfo &info, const QString &text)
{
    if (info.unit == Unit::None)
        badMargin(info, text);
    Margin margin;
    QString number = text;
    double scale = 1;
    if (number.endsWith(u'%') && info.unit != Unit::Duration) {
        margin.kind = Margin::Kind::Percent;
        number.chop(1);
    } else {
        margin.kind = Margin::Kind::Amount;
        if (info.unit == Unit::Duration) {
            for (const DurationUnit &unit : kDurationUnits) {
                if (number.endsWith(unit.letter)) {
                    number.chop(1);
                    scale = unit.seconds;
                    break;
                }
            }
        }
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    const bool whole = margin.kind == Margin::Kind::Percent || info.unit != Unit::Count || value == std::floor(value);
    if (!ok || !std::isfinite(value) || value < 0 || !whole)
        badMargin(info, text);
    margin.value = value * scale;
    return margin;
}

QString marginText(const CriterionInfo &info, const Margin &margin)
{
    if (margin.kind == Margin::Kind::Percent)
        return numberText(margin.value) + u'%';
    if (info.unit != Unit::Duration)
        return numberText(margin.value);
    for (const DurationUnit &unit : kDurationUnits) {
        const double count = margin.value / unit.seconds;
        if (count == std::floor(count) && count * unit.seconds == margin.value)
            return numberText(count) + unit.letter;
    }
    return numberText(margin.value) + u's';
}

QString formatName(QString text)
{
    text = text.trimmed().toLower();
    if (text.startsWith(u'.'))
        text.remove(0, 1);
    return text;
}

// The text form's names of the folder relations and the actions.
constexpr std::array<const char *, 3> kRelations {"any", "same", "different"};
constexpr std::array<const char *, 2> kActions {"trash", "not-a-match"};

QJsonArray stringArray(const QStringList &values)
{
    return QJsonArray::fromStringList(values);
}

QJsonValue optionalInt(const std::optional<int> &value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

// Reading the text form: every field checked for its type, every unknown field refused.
class Reader
{
public:
    [[noreturn]] static void bad(const QString &what) { refuse(qtrFormat("The rule's text is not valid: %s", {what})); }

    static void onlyKnown(const QJsonObject &object, std::initializer_list<const char *> keys)
    {
        for (auto it = object.begin(); it != object.end(); ++it) {
            bool known = false;
            for (const char *key : keys)
                known = known || it.key() == QLatin1String(key);
            if (!known)
                bad(qtrFormat("unknown field %s", {it.key()}));
        }
    }

    static QJsonObject object(const QJsonValue &value, const QString &key)
    {
        if (!value.isObject())
            bad(qtrFormat("%s is not an object", {key}));
        return value.toObject();
    }

    static QStringList strings(const QJsonObject &object, const char *key)
    {
        const QJsonValue value = object.value(QLatin1String(key));
        if (value.isUndefined())
            return {};
        if (!value.isArray())
            bad(qtrFormat("%s is not a list", {QLatin1String(key)}));
        QStringList out;
        for (const QJsonValue &item : value.toArray()) {
            if (!item.isString())
                bad(qtrFormat("%s holds something that is not a text", {QLatin1String(key)}));
            out << item.toString();
        }
        return out;
    }

    static qint64 integer(const QJsonValue &value, const QString &key)
    {
        if (!value.isDouble() || value.toDouble() != std::floor(value.toDouble()))
            bad(qtrFormat("%s is not a whole number", {key}));
        return value.toInteger();
    }

    static std::optional<int> optionalInteger(const QJsonObject &object, const char *key)
    {
        const QJsonValue value = object.value(QLatin1String(key));
        if (value.isUndefined() || value.isNull())
            return std::nullopt;
        return static_cast<int>(integer(value, QLatin1String(key)));
    }

    template <size_t N>
    static int named(const QJsonObject &object, const char *key, const std::array<const char *, N> &names)
    {
        const QJsonValue value = object.value(QLatin1String(key));
        if (value.isUndefined())
            return 0;
        for (size_t i = 0; i < N; ++i) {
            if (value.toString() == QLatin1String(names[i]))
                return static_cast<int>(i);
        }
        bad(qtrFormat("%s is not one of the known values", {QLatin1String(key)}));
    }

    static KeeperCriterion criterion(const QJsonValue &value)
    {
        const QJsonObject object = Reader::object(value, QStringLiteral("keep"));
        onlyKnown(object, {"criterion", "margin", "ranking"});
        const CriterionInfo *info = criterionNamed(object.value(QLatin1String("criterion")).toString());
        if (!info)
            bad(qtrFormat("unknown criterion %s", {object.value(QLatin1String("criterion")).toString()}));
        KeeperCriterion out;
        out.criterion = info->criterion;
        out.ranking = strings(object, "ranking");
        const QJsonValue margin = object.value(QLatin1String("margin"));
        if (!margin.isUndefined() && !margin.isNull()) {
            const QJsonObject kind = Reader::object(margin, QStringLiteral("margin"));
            onlyKnown(kind, {"percent", "amount"});
            if (kind.size() != 1 || !kind.begin().value().isDouble())
                bad(QStringLiteral("margin"));
            out.margin.kind = kind.contains(QLatin1String("percent")) ? Margin::Kind::Percent : Margin::Kind::Amount;
            out.margin.value = kind.begin().value().toDouble();
        }
        return out;
    }
};

} // namespace

std::vector<KeeperCriterion> defaultKeeperOrder()
{
    return {{Criterion::Pixels, {}, {}}, {Criterion::Bytes, {}, {}}, {Criterion::Older, {}, {}}};
}

std::vector<KeeperCriterion> parseKeeperOrder(const QString &text)
{
    std::vector<KeeperCriterion> order;
    for (const QString &item : text.split(u',')) {
        const QString token = item.trimmed();
        KeeperCriterion criterion;
        if (token.startsWith(QLatin1String("format="))) {
            criterion.criterion = Criterion::Format;
            QString ranking = token.mid(7);
            if (ranking.contains(u':'))
                refuse(qtrFormat("The criterion %s takes no margin", {QStringLiteral("format")}));
            for (const QString &format : ranking.split(u'>')) {
                const QString name = formatName(format);
                if (name.isEmpty())
                    refuse(qtrFormat("The format ranking %s names an empty format", {ranking}));
                criterion.ranking << name;
            }
        } else {
            const qsizetype colon = token.indexOf(u':');
            const QString name = colon < 0 ? token : token.left(colon);
            const CriterionInfo *info = criterionNamed(name);
            if (!info || info->criterion == Criterion::Format) {
                refuse(token.isEmpty() ? qtrFormat("The keeper order %s has an empty criterion", {text})
                                       : qtrFormat("Unknown criterion %s (one of %s)", {token, criterionList()}));
            }
            criterion.criterion = info->criterion;
            if (colon >= 0)
                criterion.margin = parseMargin(*info, token.mid(colon + 1));
        }
        order.push_back(std::move(criterion));
    }
    return order;
}

QString keeperOrderText(const std::vector<KeeperCriterion> &order)
{
    QStringList items;
    for (const KeeperCriterion &criterion : order) {
        const CriterionInfo &info = infoOf(criterion.criterion);
        if (criterion.criterion == Criterion::Format) {
            items << QStringLiteral("format=") + criterion.ranking.join(u'>');
            continue;
        }
        QString item = QLatin1String(info.name);
        if (criterion.margin.kind != Margin::Kind::None)
            item += u':' + marginText(info, criterion.margin);
        items << item;
    }
    return items.join(u',');
}

void checkRule(const Rule &rule)
{
    for (const KeeperCriterion &criterion : rule.keeperOrder) {
        const CriterionInfo &info = infoOf(criterion.criterion);
        const Margin &margin = criterion.margin;
        if (margin.kind != Margin::Kind::None
            && (info.unit == Unit::None || (info.unit == Unit::Duration && margin.kind == Margin::Kind::Percent)
                || !std::isfinite(margin.value) || margin.value < 0))
            badMargin(info, marginText(info, margin));
        if (criterion.criterion == Criterion::Format && criterion.ranking.isEmpty())
            refuse(qtr("The format criterion needs a ranking such as format=heic>png>jpg"));
        if (criterion.criterion != Criterion::Format && !criterion.ranking.isEmpty())
            refuse(qtrFormat("The criterion %s takes no ranking", {QLatin1String(info.name)}));
    }
    const RuleScope &scope = rule.scope;
    if ((scope.minDifference && *scope.minDifference < 0) || (scope.maxDifference && *scope.maxDifference < 0))
        refuse(qtr("A Difference is never below 0"));
    if (scope.minDifference && scope.maxDifference && *scope.minDifference > *scope.maxDifference)
        refuse(qtrFormat("The minimum Difference %s is above the maximum %s",
            {QString::number(*scope.minDifference), QString::number(*scope.maxDifference)}));
    if (scope.minPixels < 0)
        refuse(qtr("The minimum pixel count is below 0"));
    for (const qint64 id : scope.pairIds) {
        if (id <= 0)
            refuse(qtrFormat("%s is not a pair ID", {QString::number(id)}));
    }
    for (const QStringList *folders : {&scope.folders, &rule.keepFolders, &rule.pruneFolders}) {
        for (const QString &folder : *folders) {
            if (!folder.startsWith(u'/'))
                refuse(qtrFormat("The folder %s is not a full path", {folder}));
        }
    }
    for (const QString &format : scope.formats) {
        if (format.isEmpty() || format != formatName(format))
            refuse(qtrFormat("The format %s is not an extension in lower case without the dot", {format}));
    }
}

QString ruleToText(const Rule &rule)
{
    QJsonArray keep;
    for (const KeeperCriterion &criterion : rule.keeperOrder) {
        QJsonObject item {{QStringLiteral("criterion"), QLatin1String(infoOf(criterion.criterion).name)}};
        if (criterion.margin.kind != Margin::Kind::None) {
            const QString kind
                = criterion.margin.kind == Margin::Kind::Percent ? QStringLiteral("percent") : QStringLiteral("amount");
            item.insert(QStringLiteral("margin"), QJsonObject {{kind, criterion.margin.value}});
        }
        if (criterion.criterion == Criterion::Format)
            item.insert(QStringLiteral("ranking"), stringArray(criterion.ranking));
        keep.append(item);
    }
    QJsonArray pairIds;
    for (const qint64 id : rule.scope.pairIds)
        pairIds.append(id);
    const RuleScope &scope = rule.scope;
    const QJsonObject scopeObject {
        {QStringLiteral("minDifference"), optionalInt(scope.minDifference)},
        {QStringLiteral("maxDifference"), optionalInt(scope.maxDifference)},
        {QStringLiteral("folders"), stringArray(scope.folders)},
        {QStringLiteral("patterns"), stringArray(scope.patterns)},
        {QStringLiteral("relation"), QLatin1String(kRelations[static_cast<size_t>(scope.relation)])},
        {QStringLiteral("formats"), stringArray(scope.formats)},
        {QStringLiteral("minPixels"), scope.minPixels},
        {QStringLiteral("pairIds"), pairIds},
    };
    const QJsonObject object {
        {QStringLiteral("scope"), scopeObject},
        {QStringLiteral("keep"), keep},
        {QStringLiteral("keepFolders"), stringArray(rule.keepFolders)},
        {QStringLiteral("pruneFolders"), stringArray(rule.pruneFolders)},
        {QStringLiteral("guard"), rule.guard},
        {QStringLiteral("action"), QLatin1String(kActions[static_cast<size_t>(rule.action)])},
    };
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

Rule ruleFromText(const QString &text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError)
        Reader::bad(error.errorString());
    if (!document.isObject())
        Reader::bad(qtr("not an object"));
    const QJsonObject object = document.object();
    Reader::onlyKnown(object, {"scope", "keep", "keepFolders", "pruneFolders", "guard", "action"});

    Rule rule;
    const QJsonValue keep = object.value(QLatin1String("keep"));
    if (!keep.isUndefined() && !keep.isArray())
        Reader::bad(qtrFormat("%s is not a list", {QStringLiteral("keep")}));
    for (const QJsonValue &item : keep.toArray())
        rule.keeperOrder.push_back(Reader::criterion(item));
    rule.keepFolders = Reader::strings(object, "keepFolders");
    rule.pruneFolders = Reader::strings(object, "pruneFolders");
    const QJsonValue guard = object.value(QLatin1String("guard"));
    if (!guard.isUndefined() && !guard.isBool())
        Reader::bad(qtrFormat("%s is not true or false", {QStringLiteral("guard")}));
    rule.guard = guard.toBool(true);
    rule.action = static_cast<RuleAction>(Reader::named(object, "action", kActions));

    if (object.contains(QLatin1String("scope"))) {
        const QJsonObject scope = Reader::object(object.value(QLatin1String("scope")), QStringLiteral("scope"));
        Reader::onlyKnown(scope,
            {"minDifference", "maxDifference", "folders", "patterns", "relation", "formats", "minPixels", "pairIds"});
        rule.scope.minDifference = Reader::optionalInteger(scope, "minDifference");
        rule.scope.maxDifference = Reader::optionalInteger(scope, "maxDifference");
        rule.scope.folders = Reader::strings(scope, "folders");
        rule.scope.patterns = Reader::strings(scope, "patterns");
        rule.scope.relation = static_cast<FolderRelation>(Reader::named(scope, "relation", kRelations));
        rule.scope.formats = Reader::strings(scope, "formats");
        const QJsonValue minPixels = scope.value(QLatin1String("minPixels"));
        if (!minPixels.isUndefined())
            rule.scope.minPixels = Reader::integer(minPixels, QStringLiteral("minPixels"));
        const QJsonValue pairIds = scope.value(QLatin1String("pairIds"));
        if (!pairIds.isUndefined() && !pairIds.isArray())
            Reader::bad(qtrFormat("%s is not a list", {QStringLiteral("pairIds")}));
        for (const QJsonValue &id : pairIds.toArray())
            rule.scope.pairIds.push_back(Reader::integer(id, QStringLiteral("pairIds")));
    }
    checkRule(rule);
    return rule;
}

QString describeRule(const Rule &rule)
{
    QStringList parts;
    if (rule.action == RuleAction::NotAMatch) {
        parts << qtr("not a match");
    } else {
        parts << qtrFormat("to the Trash, keeping by %s", {keeperOrderText(rule.keeperOrder)});
        if (!rule.keepFolders.isEmpty())
            parts << qtrFormat("keep folders %s", {rule.keepFolders.join(QStringLiteral(", "))});
        if (!rule.pruneFolders.isEmpty())
            parts << qtrFormat("prune folders %s", {rule.pruneFolders.join(QStringLiteral(", "))});
        if (!rule.guard)
            parts << qtr("no guard");
    }
    const RuleScope &scope = rule.scope;
    if (scope.minDifference && scope.maxDifference)
        parts << qtrFormat(
            "Difference %s to %s", {QString::number(*scope.minDifference), QString::number(*scope.maxDifference)});
    else if (scope.minDifference)
        parts << qtrFormat("Difference at least %s", {QString::number(*scope.minDifference)});
    else if (scope.maxDifference)
        parts << qtrFormat("Difference at most %s", {QString::number(*scope.maxDifference)});
    if (!scope.folders.isEmpty() || !scope.patterns.isEmpty())
        parts << qtrFormat("in or matching %s", {(scope.folders + scope.patterns).join(QStringLiteral(", "))});
    if (scope.relation == FolderRelation::Same)
        parts << qtr("in the same folder");
    else if (scope.relation == FolderRelation::Different)
        parts << qtr("in different folders");
    if (!scope.formats.isEmpty())
        parts << qtrFormat("formats %s", {scope.formats.join(QStringLiteral(", "))});
    if (scope.minPixels > 0)
        parts << qtrFormat("at least %s pixels", {QLocale().toString(scope.minPixels)});
    if (!scope.pairIds.empty())
        parts << qtrFormat("%s chosen pairs", {QLocale().toString(static_cast<qint64>(scope.pairIds.size()))});
    return parts.join(QStringLiteral("; "));
}

QString formatOf(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot <= 0 ? QString() : fileName.mid(dot + 1).toLower();
}

bool hasCopyMarker(const QString &fileName)
{
    static const QRegularExpression marker(
        QStringLiteral(R"(^copy( \(\d+\))? of |( \(\d+\)| - copy( \(\d+\))?| copy( \d+)?)$)"),
        QRegularExpression::CaseInsensitiveOption);
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return marker.match(dot <= 0 ? fileName : fileName.left(dot)).hasMatch();
}

bool isTrashFolder(const QString &folderPath)
{
    const QStringList parts = folderPath.split(u'/', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (parts[i].startsWith(QLatin1String(".Trash")))
            return true;
        if (i + 2 < parts.size() && parts[i] == QLatin1String(".local") && parts[i + 1] == QLatin1String("share")
            && parts[i + 2] == QLatin1String("Trash"))
            return true;
    }
    return false;
}

} // namespace vexaris::review
