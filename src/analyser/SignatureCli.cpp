#include "analyser/SignatureCli.h"

#include "analyser/SignatureCodec.h"

#include <QFile>
#include <QStringDecoder>

namespace trevalo {

int runSignatureCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    const QString usage = QStringLiteral("usage: trevalo sig decode|encode FILE");
    if (args.size() != 2 ||
        (args.at(0) != QLatin1String("decode") && args.at(0) != QLatin1String("encode"))) {
        err << "trevalo sig: " << usage << Qt::endl;
        return 2;
    }
    const QString& file = args.at(1);
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        err << "trevalo sig: cannot read " << file << ": " << f.errorString() << Qt::endl;
        return 1;
    }
    const QByteArray bytes = f.readAll();

    if (args.at(0) == QLatin1String("decode")) {
        const DecodedText decoded = decodeBytes(bytes);
        // Anything with content that decodes to nothing at all was never a signature file.
        if (decoded.text.isEmpty() && !bytes.trimmed().isEmpty()) {
            err << "trevalo sig: " << file << " is not a signature file" << Qt::endl;
            return 1;
        }
        if (decoded.skipped > 0)
            err << "trevalo sig: " << file << ": skipped " << decoded.skipped
                << " token(s) that decode to no character" << Qt::endl;
        out << decoded.text;
        out.flush();
        return 0;
    }

    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString plain = utf8.decode(bytes);
    if (utf8.hasError()) {
        err << "trevalo sig: " << file << " is not UTF-8 text" << Qt::endl;
        return 1;
    }
    // decode drops what it may not hold; a list that would not survive the round trip is refused.
    int line = 1;
    for (const char32_t code : plain.toUcs4()) {
        if (!isSignatureCharacter(code)) {
            err << "trevalo sig: " << file << ": line " << line << " holds the control character U+"
                << QString::number(uint(code), 16).toUpper().rightJustified(4, '0')
                << ", which a signature file cannot hold" << Qt::endl;
            return 1;
        }
        if (code == '\n')
            ++line;
    }
    out << encode(plain) << '\n';
    out.flush();
    return 0;
}

} // namespace trevalo
