#include "analyser/SignatureCli.h"
#include "analyser/SignatureCodec.h"
#include "analyser/Signatures.h"
#include "support/Fakes.h"
#include "support/QtPrinters.h"
#include "support/TempRoot.h"

#include <QTemporaryDir>
#include <climits>
#include <gtest/gtest.h>

using namespace trevalo;

namespace {

QString number(int code)
{
    return QString::number(code + kSignatureOffset);
}

} // namespace

TEST(SignatureCodec, ReadsTokensAsIntValueDoes)
{
    struct Case {
        const char* token;
        std::optional<qint64> value;
    };
    const Case cases[] = {
        {"6207", 6207},
        {"  6207", 6207},         // leading blanks skipped
        {"\n\t6207", 6207},       // and line breaks
        {"6207\n", 6207},         // the final line break of a file is harmless
        {"6207abc", 6207},        // the rest of the token is ignored
        {"62 07", 62},            // reading stops at the first non-digit
        {"+6207", 6207},          // one sign is accepted
        {"-6207", -6207},         //
        {"007", 7},               //
        {"99999999999", INT_MAX}, // saturates like an int
        {"-99999999999", INT_MIN},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"+", std::nullopt},
        {"+-1", std::nullopt},
        {" \n ", std::nullopt},
        {"x6207", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(readIntValue(QString::fromUtf8(c.token)), c.value) << '"' << c.token << '"';
}

TEST(SignatureCodec, DecodesEachTokenToOneCharacterAndSkipsWhatIsNone)
{
    struct Case {
        QStringList tokens;
        QString text;
        int skipped;
    };
    const Case cases[] = {
        {{}, "", 0},
        {{"6207", "6208"}, "AB", 0},
        {{"6207", "notanumber", "6208"}, "AB", 1},
        {{"6207", "", "6208"}, "AB", 1},           // an empty token is no number
        {{number(-1)}, "", 1},                     // below the offset
        {{number(0)}, "", 1},                      // NUL
        {{number('\r')}, "", 1},                   // control characters are dropped...
        {{number(0x7F), number(0x85)}, "", 2},     // ...DEL and C1 too
        {{number('\t'), number('\n')}, "\t\n", 0}, // ...except tab and line feed
        {{number(0xD800)}, "", 1},                 // a lone surrogate is no character
        {{number(0x110000)}, "", 1},               // beyond Unicode
        {{"99999999999"}, "", 1},                  // saturated, still beyond Unicode
        {{number(0xE9), number(0x1F600)}, QString::fromUtf8("é😀"), 0},
        {{"+6207", " 6208", "6209\n"}, "ABC", 0},
    };
    for (const Case& c : cases) {
        int skipped = -1;
        EXPECT_EQ(binaryToString(c.tokens, &skipped), c.text) << c.tokens.join('|').toStdString();
        EXPECT_EQ(skipped, c.skipped) << c.tokens.join('|').toStdString();
    }
}

TEST(SignatureCodec, EncodeIsTheInverseOfDecode)
{
    EXPECT_EQ(encode("AB"), "6207 6208");
    EXPECT_EQ(encode(""), "");
    const QString texts[] = {
        "~/Library/LaunchAgents/com.genieo.engine.plist,$TEMP/MacKeeperOffers",
        " spaced , entries ,\twith\ttabs\nand lines",
        QString::fromUtf8("ünïcödé/日本語/😀 outside the basic plane"),
    };
    for (const QString& text : texts) {
        const DecodedText fromText = decodeText(encode(text));
        EXPECT_EQ(fromText.text, text);
        EXPECT_EQ(fromText.skipped, 0);
        const DecodedText fromBytes = decodeBytes(encode(text).toUtf8() + '\n');
        EXPECT_EQ(fromBytes.text, text);
        EXPECT_EQ(fromBytes.skipped, 0);
    }
}

TEST(SignatureCodec, DecodesWholeFilesAlikeFromTextAndBytes)
{
    struct Case {
        QByteArray file;
        QString text;
        int skipped;
    };
    const Case cases[] = {
        {"", "", 0},
        {" \n", "", 0},           // an empty file is no malformed file
        {"6207 6208\n", "AB", 0}, //
        {"6207  6208", "AB", 1},  // two blanks make an empty token
        {"6207 6208 ", "AB", 1},  // and so does a blank at the end
        {"6207 x 6208", "AB", 1}, //
        {"6207 \xC2\xA0"
         "6208",
         "AB", 0},                       // a no-break space is white space to intValue
        {"6207 6208 \xC3\xA9", "AB", 1}, // a non-ASCII token that is no number
    };
    for (const Case& c : cases) {
        const DecodedText bytes = decodeBytes(c.file);
        EXPECT_EQ(bytes.text, c.text) << c.file.toStdString();
        EXPECT_EQ(bytes.skipped, c.skipped) << c.file.toStdString();
        const DecodedText text = decodeText(QString::fromUtf8(c.file));
        EXPECT_EQ(text.text, c.text) << c.file.toStdString();
        EXPECT_EQ(text.skipped, c.skipped) << c.file.toStdString();
    }
    // Bytes that are not UTF-8 read as a file that cannot be read.
    EXPECT_EQ(decodeBytes("6207 \xFF 6208").text, "");
}

TEST(SignatureCodec, EntriesAreTrimmedAndEmptyOnesDropped)
{
    EXPECT_EQ(entries(" a , b,,  ,\nc\n"), QStringList({"a", "b", "c"}));
    EXPECT_EQ(entries("~/Library/x y.plist"), QStringList({"~/Library/x y.plist"}));
    EXPECT_EQ(entries(""), QStringList());
    EXPECT_EQ(entries(", ,\t,"), QStringList());
}

TEST(SignatureCodec, ReadableListsRefuseWhatWouldNotSurviveEncoding)
{
    const ParsedList good =
        parseSignatureList("# Genieo: adware\n"
                           "\n"
                           "com.genieo.\tGenieo/InstallMac\tsource A; source B\n"
                           "   \n"
                           "application support/genieo\tGenieo/InstallMac (app)\tsource A\r\n");
    EXPECT_TRUE(good.errors.isEmpty()) << good.errors.join('\n').toStdString();
    ASSERT_EQ(good.entries.size(), 2);
    EXPECT_EQ(good.entries[0].entry, "com.genieo.");
    EXPECT_EQ(good.entries[0].line, 3);
    EXPECT_EQ(good.entries[1].entry, "application support/genieo");
    EXPECT_EQ(good.entries[1].family, "Genieo/InstallMac (app)");
    EXPECT_EQ(good.entries[1].source, "source A");

    struct Case {
        const char* line;
        const char* error;
    };
    const Case bad[] = {
        {"a,b\tfamily\tsource", "contains a comma"},
        {"\tfamily\tsource", "no entry"},
        {" a\tfamily\tsource", "white space"},
        {"a \tfamily\tsource", "white space"},
        {"a\tfamily", "family and a source"},
        {"a\t\tsource", "family and a source"},
        {"a\tfamily\tsource\textra", "family and a source"},
        {"a", "family and a source"},
    };
    for (const Case& c : bad) {
        const ParsedList parsed = parseSignatureList(QString("ok\tf\ts\n") + c.line + "\n");
        ASSERT_EQ(parsed.errors.size(), 1) << c.line;
        EXPECT_TRUE(parsed.errors[0].startsWith("line 2: ")) << parsed.errors[0].toStdString();
        EXPECT_TRUE(parsed.errors[0].contains(c.error)) << parsed.errors[0].toStdString();
        EXPECT_EQ(parsed.entries.size(), 1);
    }
}

TEST(SignatureFiles, LoadingLogsOncePerFileWithBadTokens)
{
    trevalo::test::FixedSignatures files;
    files.files["clean"] = encode("a,b").toUtf8();
    files.files["damaged"] = "6239 x 6186 y 6240 " + number(0).toUtf8();
    test::CapturedLog log;

    EXPECT_EQ(loadSignatureEntries(files, "clean"), QStringList({"a", "b"}));
    EXPECT_EQ(loadSignatureEntries(files, "missing"), QStringList());
    EXPECT_TRUE(log.text().isEmpty());

    EXPECT_EQ(loadSignatureEntries(files, "damaged"), QStringList({"a", "b"}));
    const QStringList lines = log.text().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].contains("[Line ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains("damaged: skipped 3 token(s)")) << lines[0].toStdString();
}

TEST(SignatureCommand, DecodesAndEncodesFilesForMaintainers)
{
    QTemporaryDir dir;
    auto write = [&dir](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    };
    const QString plainText = QString::fromUtf8("~/Library/a.plist,$TEMP/é\n");
    const QString plain = write("plain.txt", plainText.toUtf8());

    auto run = [](const QStringList& args, QString* out, QString* err) {
        QTextStream o(out), e(err);
        const int status = runSignatureCommand(args, o, e);
        o.flush();
        e.flush();
        return status;
    };

    QString encoded, err;
    ASSERT_EQ(run({"encode", plain}, &encoded, &err), 0);
    EXPECT_EQ(encoded, encode(plainText) + "\n");
    QString decoded;
    ASSERT_EQ(run({"decode", write("enc.txt", encoded.toUtf8())}, &decoded, &err), 0);
    EXPECT_EQ(decoded, plainText);
    EXPECT_TRUE(err.isEmpty());

    QString out;
    EXPECT_EQ(run({"decode", write("bad.txt", "6207 x 6208")}, &out, &err), 0);
    EXPECT_EQ(out, "AB");
    EXPECT_TRUE(err.contains("skipped 1")) << err.toStdString();

    struct Usage {
        QStringList args;
        int status;
    };
    const Usage usages[] = {
        {{}, 2},
        {{"decode"}, 2},
        {{"compress", plain}, 2},
        {{"decode", plain, "extra"}, 2},
        {{"decode", dir.filePath("missing.txt")}, 1},
        {{"encode", write("latin1.txt", "caf\xE9")}, 1},
    };
    for (const Usage& u : usages) {
        QString o, e;
        EXPECT_EQ(run(u.args, &o, &e), u.status) << u.args.join(' ').toStdString();
        EXPECT_EQ(e.count('\n'), 1) << e.toStdString();
        EXPECT_TRUE(o.isEmpty());
    }
}
