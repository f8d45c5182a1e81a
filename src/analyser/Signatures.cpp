#include "analyser/Signatures.h"

#include "analyser/SignatureCodec.h"
#include "platform/Log.h"

#include <QFile>

namespace trevalo {

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

} // namespace

QByteArray ResourceSignatures::read(const QString& name)
{
    return readFile(QStringLiteral(":/signatures/%1.txt").arg(name));
}

QByteArray FolderSignatures::read(const QString& name)
{
    return readFile(QStringLiteral("%1/%2.txt").arg(m_folder, name));
}

QStringList loadSignatureEntries(SignatureSource& source, const QString& name)
{
    const DecodedText decoded = decodeBytes(source.read(name));
    if (decoded.skipped > 0)
        TR_LOG("Signature file %1: skipped %2 token(s) that decode to no character", name,
               QString::number(decoded.skipped));
    return entries(decoded.text);
}

} // namespace trevalo
