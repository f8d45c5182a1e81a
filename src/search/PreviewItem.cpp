#include "search/PreviewItem.h"

#include "platform/FileDates.h"
#include "search/SearchRows.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
#include <QStringDecoder>

namespace trevalo {

namespace {

QString readTextBeginning(const QString& hostPath)
{
    QFile file(hostPath);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = file.read(kPreviewTextBytes);
    // A character cut by the 64 KB mark is left out rather than shown as a replacement character.
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (bytes.size() == kPreviewTextBytes && text.endsWith(QChar::ReplacementCharacter))
        text.chop(1);
    return text;
}

} // namespace

PreviewItem previewItem(const QString& hostPath, const QString& macPath)
{
    PreviewItem item;
    item.hostPath = hostPath;
    item.name = lastPathComponent(macPath);
    const QFileInfo info(hostPath);
    if (!info.exists() && !info.isSymLink())
        return item;

    const QLocale locale;
    QStringList lines{QStringLiteral("Size: %1 bytes").arg(locale.toString(info.size()))};
    if (const std::optional<FileDates> dates = readFileDates(hostPath)) {
        lines << QStringLiteral("Created: %1")
                     .arg(locale.toString(dates->created.toLocalTime(), QLocale::LongFormat))
              << QStringLiteral("Modified: %1")
                     .arg(locale.toString(dates->modified.toLocalTime(), QLocale::LongFormat));
    }
    item.info = lines.join(u'\n');

    item.kind = PreviewItem::Kind::Other;
    if (!info.isFile())
        return item;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(info);
    if (type.name().startsWith(QLatin1String("image/"))) {
        item.kind = PreviewItem::Kind::Image;
    } else if (type.inherits(QStringLiteral("text/plain"))) {
        item.kind = PreviewItem::Kind::Text;
        item.text = readTextBeginning(hostPath);
    }
    return item;
}

} // namespace trevalo
