// trevalo-sigtool: turns a readable signature list into the encoded file the scanner reads.
//
//   trevalo-sigtool encode-list IN.list OUT.txt
//
// Runs at build time for every resources/signatures/<name>.list. A list it refuses fails the build, so
// a mistyped entry never reaches the program.

#include "analyser/SignatureCodec.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <QTextStream>

int main(int argc, char** argv)
{
    QTextStream err(stderr);
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.size() != 3 || args.at(0) != QLatin1String("encode-list")) {
        err << "usage: trevalo-sigtool encode-list IN.list OUT.txt\n";
        return 2;
    }
    const QString in = args.at(1);
    const QString out = args.at(2);

    QFile inFile(in);
    if (!inFile.open(QIODevice::ReadOnly)) {
        err << in << ": cannot read: " << inFile.errorString() << "\n";
        return 1;
    }
    const QByteArray bytes = inFile.readAll();
    QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() != bytes) {
        err << in << ": not UTF-8 text\n";
        return 1;
    }

    const trevalo::ParsedList list = trevalo::parseSignatureList(text);
    if (!list.errors.isEmpty()) {
        for (const QString& e : list.errors)
            err << in << ": " << e << "\n";
        err << in << ": " << list.errors.size() << " line(s) refused; nothing written\n";
        return 1;
    }

    QStringList plain;
    for (const trevalo::ListEntry& e : list.entries)
        plain << e.entry;
    QSaveFile outFile(out);
    if (!outFile.open(QIODevice::WriteOnly)) {
        err << out << ": cannot write: " << outFile.errorString() << "\n";
        return 1;
    }
    outFile.write(trevalo::encode(plain.join(',')).toUtf8());
    outFile.write("\n");
    if (!outFile.commit()) {
        err << out << ": cannot write: " << outFile.errorString() << "\n";
        return 1;
    }
    return 0;
}
