#include "store/value.h"

#include <cmath>
#include <limits>

#include "common/error.h"
#include "i18n/translate.h"

namespace vexaris::store {

namespace {

[[noreturn]] void throwNull()
{
    throw Error(_("Invalid use of Null"));
}

[[noreturn]] void throwMismatch()
{
    throw Error(_("Type mismatch"));
}

} // namespace

Value Value::fromBlob(const QByteArray &bytes)
{
    Value value;
    value.m_data = bytes;
    return value;
}

qint64 Value::toInt64() const
{
    switch (type()) {
    case Type::Null:
        throwNull();
    case Type::Integer:
        return std::get<qint64>(m_data);
    case Type::Double: {
        const double number = std::get<double>(m_data);
        // Round half to even, as the conversion of a date-time or a measure to an integer does.
        const double rounded = std::nearbyint(number);
        if (!std::isfinite(rounded) || rounded < -9.2e18 || rounded > 9.2e18)
            throw Error(_("Overflow"));
        return static_cast<qint64>(rounded);
    }
    case Type::Text: {
        bool ok = false;
        const qint64 number = std::get<QString>(m_data).trimmed().toLongLong(&ok);
        if (!ok)
            throwMismatch();
        return number;
    }
    case Type::Blob:
        throwMismatch();
    }
    throwMismatch();
}

int32_t Value::toInt() const
{
    const qint64 number = toInt64();
    if (number < std::numeric_limits<int32_t>::min() || number > std::numeric_limits<int32_t>::max())
        throw Error(_("Overflow"));
    return static_cast<int32_t>(number);
}

bool Value::toBool() const
{
    if (type() == Type::Double)
        return std::get<double>(m_data) != 0.0;
    return toInt64() != 0;
}

double Value::toDouble() const
{
    switch (type()) {
    case Type::Null:
        throwNull();
    case Type::Integer:
        return static_cast<double>(std::get<qint64>(m_data));
    case Type::Double:
        return std::get<double>(m_data);
    case Type::Text: {
        bool ok = false;
        const double number = std::get<QString>(m_data).trimmed().toDouble(&ok);
        if (!ok)
            throwMismatch();
        return number;
    }
    case Type::Blob:
        throwMismatch();
    }
    throwMismatch();
}

QString Value::toString() const
{
    switch (type()) {
    case Type::Null:
        throwNull();
    case Type::Integer:
        return QString::number(std::get<qint64>(m_data));
    case Type::Double:
        return QString::number(std::get<double>(m_data), 'g', 17);
    case Type::Text:
        return std::get<QString>(m_data);
    case Type::Blob:
        return QString::fromUtf8(std::get<QByteArray>(m_data));
    }
    throwMismatch();
}

QByteArray Value::toBlob() const
{
    switch (type()) {
    case Type::Null:
        throwNull();
    case Type::Blob:
        return std::get<QByteArray>(m_data);
    case Type::Text:
        return std::get<QString>(m_data).toUtf8();
    case Type::Integer:
    case Type::Double:
        throwMismatch();
    }
    throwMismatch();
}

int32_t IntOrZero(const Value &value)
{
    if (!value.isNumeric())
        return 0;
    return value.toInt();
}

Value StringToBlob(const QByteArray &bytes)
{
    return Value::fromBlob(bytes);
}

QByteArray BlobToString(const Value &value)
{
    return value.toBlob();
}

} // namespace vexaris::store
