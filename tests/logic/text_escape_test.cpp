#include "platform/JsonOutput.h"
#include "platform/TextEscape.h"
#include "support/QtPrinters.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace trevalo;

namespace {

TEST(TextEscape, AppleScriptStringKeepsEveryCharacterInsideTheText)
{
    const struct Case {
        const char* name;
        QString text;
        QString expression;
    } cases[] = {
        {"plain text stays a plain literal", "Macintosh HD", "\"Macintosh HD\""},
        {"quote and backslash cannot end the literal", "a\"; do shell script \"x\\",
         "\"a\\\"; do shell script \\\"x\\\\\""},
        {"line breaks and tab use the literal's escapes", "a\nb\rc\td", "\"a\\nb\\rc\\td\""},
        {"other control characters are joined in by their id",
         QStringLiteral("a\x01"
                        "b\x7f"),
         "(\"a\" & (character id 1) & \"b\" & (character id 127) & \"\")"},
        {"empty text", "", "\"\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(appleScriptString(c.text), c.expression);
    }
}

TEST(TextEscape, ShellWordIsOneWordTakenLiterally)
{
    const struct Case {
        const char* name;
        QString text;
        QString word;
    } cases[] = {
        {"blanks and shell characters get a backslash", "My Disk $(x);`y`",
         "My\\ Disk\\ \\$\\(x\\)\\;\\`y\\`"},
        {"a line feed puts the text in single quotes", "a\nb'c", "'a\nb'\\''c'"},
        {"an empty text stays a word", "", "''"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(shellWord(c.text), c.word);
    }
}

TEST(TextEscape, FieldsStayOneLineOfPrintableText)
{
    const struct Case {
        const char* name;
        QString field;
        QString shown;
    } cases[] = {
        {"plain text stays", "Macintosh HD", "Macintosh HD"},
        {"separators and line breaks", "a\tb\nc\rd\\e", "a\\tb\\nc\\rd\\\\e"},
        {"C0 controls and DEL", QStringLiteral("\x01\x1b[2J\x7f"), "\\x01\\x1b[2J\\x7f"},
        {"C1 controls, which terminals also act on", QStringLiteral("\u0085\u009b2J"), "\\x85\\x9b2J"},
        {"printable text beyond them stays", QStringLiteral("\u00a0caf\u00e9 \u25bc"),
         QStringLiteral("\u00a0caf\u00e9 \u25bc")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(escapeField(c.field), c.shown);
    }
}

TEST(JsonOutput, StringsComeBackExactlyFromOneLineWithNoRawControls)
{
    const QString hostile = QStringLiteral("q\"uote\\ \n\r\t\x01\x1b[31m\x7f\u0085\u009b \u00e9\ufffd ") +
                            QChar(0xD800) + QStringLiteral("</script>");
    const QJsonObject object{{"items", QJsonArray{QJsonObject{{"name", hostile}, {"on", true}}}},
                             {"count", 1},
                             {"none", QJsonValue()}};
    const QByteArray line = jsonLine(object);
    for (const char byte : line) {
        const auto b = static_cast<unsigned char>(byte);
        EXPECT_TRUE(b >= 0x20 && b != 0x7F) << "byte " << int(b) << " in " << line.constData();
    }
    EXPECT_FALSE(line.contains("\xc2\x85") || line.contains("\xc2\x9b")) << line.constData();
    EXPECT_TRUE(line.contains("\\u009b")) << line.constData();
    QJsonParseError error;
    EXPECT_EQ(QJsonDocument::fromJson(line, &error).object(), object) << error.errorString().toStdString();
    // The escaping looks only at what the writer left raw: an escaped backslash before "u0085" stays.
    const QJsonObject lookalike{{"text", QStringLiteral("\\u0085 \u00a0")}};
    EXPECT_EQ(QJsonDocument::fromJson(jsonLine(lookalike)).object(), lookalike);
}

TEST(JsonOutput, TheOptionIsTakenWhereverItStandsBeforeTheEndOfOptions)
{
    const struct Case {
        QStringList args;
        bool found;
        QStringList rest;
    } cases[] = {
        {{}, false, {}},
        {{"--json"}, true, {}},
        {{"--deep", "--json", "term"}, true, {"--deep", "term"}},
        {{"term", "--json", "--json"}, true, {"term"}},
        {{"--", "--json"}, false, {"--", "--json"}},
        {{"--json=1", "json"}, false, {"--json=1", "json"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        QStringList args = c.args;
        EXPECT_EQ(takeJsonOption(args), c.found);
        EXPECT_EQ(args, c.rest);
    }
}

} // namespace
