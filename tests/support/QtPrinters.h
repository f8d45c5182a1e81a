#pragma once

// Readable GoogleTest failure messages for Qt types.

#include <QDebug>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << (s.isNull() ? std::string("(absent)") : '"' + s.toStdString() + '"');
}

inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '[';
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (i)
            *os << ", ";
        PrintTo(list[i], os);
    }
    *os << ']';
}

inline void PrintTo(const QVariant& value, std::ostream* os)
{
    QString text;
    QDebug(&text) << value;
    *os << text.toStdString();
}
