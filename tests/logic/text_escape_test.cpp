#include "platform/TextEscape.h"
#include "support/QtPrinters.h"

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
        {"blanks and shell characters get a backslash", "My Disk $(x);`y`", "My\\ Disk\\ \\$\\(x\\)\\;\\`y\\`"},
        {"a line feed puts the text in single quotes", "a\nb'c", "'a\nb'\\''c'"},
        {"an empty text stays a word", "", "''"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(shellWord(c.text), c.word);
    }
}

} // namespace
