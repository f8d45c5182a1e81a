#include "platform/JsonOutput.h"

#include <QJsonDocument>
#include <QTextStream>

namespace trevalo {

bool takeJsonOption(QStringList& args)
{
    bool found = false;
    for (qsizetype i = 0; i < args.size() && args[i] != QLatin1String("--");) {
        if (args[i] == QLatin1String("--json")) {
            args.removeAt(i);
            found = true;
        } else {
            ++i;
        }
    }
    return found;
}

QByteArray jsonLine(const QJsonObject& object)
{
    const QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Compact);
    // The writer escapes what JSON requires (below U+0020); DEL and U+0080..U+009F remain. Outside
    // strings the text is plain ASCII, and in UTF-8 a C1 control is the two bytes C2 80..C2 9F, so
    // both can be replaced bytewise.
    QByteArray line;
    line.reserve(json.size());
    for (qsizetype i = 0; i < json.size(); ++i) {
        const auto byte = static_cast<unsigned char>(json[i]);
        const auto next = i + 1 < json.size() ? static_cast<unsigned char>(json[i + 1]) : 0u;
        if (byte == 0x7F) {
            line += "\\u007f";
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            line += "\\u00" + QByteArray::number(next, 16);
            ++i;
        } else {
            line += char(byte);
        }
    }
    return line;
}

void writeJson(QTextStream& out, const QJsonObject& object)
{
    out << QString::fromUtf8(jsonLine(object)) << '\n';
    out.flush();
}

} // namespace trevalo
