// A column value as it crosses the store's interface: NULL, integer, double, text or blob.
// The conversions are the store's ordinary rules: a NULL converts to nothing and raises an
// error, an integer that does not fit 32 bits raises an error, and text never turns silently
// into a number.
#pragma once

#include <cstdint>
#include <variant>

#include <QByteArray>
#include <QString>

namespace vexaris::store {

class Value
{
public:
    enum class Type { Null, Integer, Double, Text, Blob };

    Value() = default;
    Value(std::nullptr_t) { }
    Value(int value)
        : m_data(static_cast<qint64>(value))
    {
    }
    Value(qint64 value)
        : m_data(value)
    {
    }
    Value(bool value)
        : m_data(static_cast<qint64>(value ? 1 : 0))
    {
    }
    Value(double value)
        : m_data(value)
    {
    }
    Value(const QString &text)
        : m_data(text)
    {
    }
    Value(const char *) = delete; // say QStringLiteral or fromBlob, never guess

    static Value fromBlob(const QByteArray &bytes);

    Type type() const { return static_cast<Type>(m_data.index()); }
    bool isNull() const { return type() == Type::Null; }
    bool isNumeric() const { return type() == Type::Integer || type() == Type::Double; }

    qint64 toInt64() const;
    int32_t toInt() const;
    bool toBool() const;
    double toDouble() const;
    QString toString() const;
    QByteArray toBlob() const;

    bool operator==(const Value &other) const = default;

private:
    std::variant<std::monostate, qint64, double, QString, QByteArray> m_data;
};

// A nullable integer column: a number gives its integer, anything else (NULL, text) gives 0.
int32_t IntOrZero(const Value &value);
// A byte string as the value of a binary column, and back; an empty string stays empty.
Value StringToBlob(const QByteArray &bytes);
// Raises an error when the column holds no bytes (NULL).
QByteArray BlobToString(const Value &value);

} // namespace vexaris::store
