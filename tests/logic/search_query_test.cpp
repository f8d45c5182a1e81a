#include "platform/Settings.h"
#include "platform/TextEscape.h"
#include "search/FolderPopUp.h"
#include "search/SearchKeys.h"
#include "search/SearchOptions.h"
#include "search/SearchQuery.h"
#include "support/QtPrinters.h"
#include "support/TempRoot.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

using namespace trevalo;
using trevalo::test::TempRoot;

namespace {

SearchOptions nameSearch(bool caseSensitive, bool anywhere)
{
    SearchOptions o;
    o.searchIsDeep = true;
    o.searchCase = caseSensitive;
    o.searchIsString = anywhere;
    return o;
}

SearchOptions contentSearch(bool caseSensitive = false, bool anywhere = false)
{
    SearchOptions o = nameSearch(caseSensitive, anywhere);
    o.searchIsContent = true;
    return o;
}

const QString kContentTail = QStringLiteral(" 2>/dev/null| grep --line-buffered -v ':0$'");
const QString kContentMiddle =
    QStringLiteral(" \"*\" -type f -print0 2>/dev/null | xargs -0 grep --line-buffered -i -H --count -e ");

TEST(FindCommandLine, IsBuiltExactlyFromTheOptions)
{
    const struct Case {
        const char* name;
        SearchOptions options;
        StartFolder start;
        QString term;
        QString line;
    } cases[] = {
        {"name, any case, anywhere in the name, all volumes",
         nameSearch(false, true),
         {"/", false},
         "report",
         "find / -iname \"*report*\" 2>/dev/null"},
        {"name, case-sensitive, whole name, Users",
         nameSearch(true, false),
         {"/Users", false},
         "Notes",
         "find /Users -name \"Notes\" 2>/dev/null"},
        {"content on the start-up volume",
         contentSearch(),
         {"/", true},
         "invoice",
         "find / -xdev -name \"*\"" + kContentMiddle.mid(4) + "\"invoice\"" + kContentTail},
        {"content ignores the case and substring options",
         contentSearch(true, true),
         {"/Users", false},
         "invoice",
         "find /Users -name \"*\"" + kContentMiddle.mid(4) + "\"invoice\"" + kContentTail},
        {"a volume with a blank",
         nameSearch(false, false),
         {"/Volumes/Backup Disk", false},
         "memo",
         "find /Volumes/Backup\\ Disk -iname \"memo\" 2>/dev/null"},
        {"a home subfolder with a blank",
         nameSearch(false, true),
         {"/Users/robin/My Files", false},
         "memo",
         "find /Users/robin/My\\ Files -iname \"*memo*\" 2>/dev/null"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(findCommandLine(c.options, c.start, c.term), c.line);
    }
    // The exact content line, whole, as it is documented.
    EXPECT_EQ(findCommandLine(contentSearch(), {"/", true}, "invoice"),
              "find / -xdev -name \"*\" -type f -print0 2>/dev/null | xargs -0 grep --line-buffered -i -H "
              "--count -e \"invoice\" 2>/dev/null| grep --line-buffered -v ':0$'");
}

TEST(FindCommandLine, HostileTermsAndFolderNamesAreEscaped)
{
    const struct Case {
        const char* name;
        QString text;
        QString inQuotes; // the term inside the command's double quotes
        QString asAWord;  // a folder name as one word of the command
    } cases[] = {
        {"command substitution", "*$(touch /tmp/x)*", "*\\$(touch /tmp/x)*", "\\*\\$\\(touch\\ /tmp/x\\)\\*"},
        {"backquotes", "`id`", "\\`id\\`", "\\`id\\`"},
        {"a double quote ends nothing", "a\"; rm x; \"", "a\\\"; rm x; \\\"", "a\\\"\\;\\ rm\\ x\\;\\ \\\""},
        {"backslash", "a\\b", "a\\\\b", "a\\\\b"},
        {"variable", "$HOME", "\\$HOME", "\\$HOME"},
        {"lists, pipes and redirections", "a;b&c|d>e<f", "a;b&c|d>e<f", "a\\;b\\&c\\|d\\>e\\<f"},
        {"single quote, glob, braces, comment, tilde, history", "it's*?[x]{a,b}#~!", "it's*?[x]{a,b}#~!",
         "it\\'s\\*\\?\\[x\\]\\{a,b\\}\\#\\~\\!"},
        {"tab", "a\tb", "a\tb", "a\\\tb"},
        {"a line feed: the whole word in single quotes", "a\nb'c", "a\nb'c", "'a\nb'\\''c'"},
        {"plain text stays plain", "Report 2024.pdf", "Report 2024.pdf", "Report\\ 2024.pdf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(doubleQuotedContent(c.text), c.inQuotes);
        EXPECT_EQ(shellWord(c.text), c.asAWord);
    }
}

/// Runs command lines through bash with find and xargs replaced by scripts that record the arguments
/// they were given, one per line (\n written as \\n): what the shell made of the line.
class ShellReading : public ::testing::Test {
protected:
    ShellReading()
    {
        for (const char* tool : {"find", "xargs"}) {
            machine.script(QStringLiteral("/fake/%1").arg(tool),
                           QStringLiteral("for a in \"$@\"; do printf '%s\\n' \"${a//$'\\n'/\\\\n}\"; done "
                                          ">> '%1/%2.args'")
                               .arg(machine.path(), tool)
                               .toUtf8());
        }
    }
    QStringList argumentsOf(const char* tool, const QString& line)
    {
        QFile::remove(machine.host(QStringLiteral("/%1.args").arg(tool)));
        QProcess bash;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", machine.host("/fake") + ":/usr/bin:/bin");
        bash.setProcessEnvironment(env);
        bash.setWorkingDirectory(machine.path());
        bash.start("/bin/bash", {"-c", line});
        bash.waitForFinished();
        return QString::fromUtf8(machine.read(QStringLiteral("/%1.args").arg(tool)))
            .split('\n', Qt::SkipEmptyParts);
    }
    bool anythingCreated() const
    {
        return !QDir(machine.path()).entryList({"x", "pwned*"}, QDir::AllEntries | QDir::Hidden).isEmpty();
    }

    TempRoot machine;
};

TEST_F(ShellReading, TheShellHandsTheTermAndFolderOverLiterally)
{
    const QString hostile[] = {
        "*$(touch x)*",
        "`touch x`",
        "a\"; touch x; \"",
        "a\\\"; touch x #",
        "$(touch pwned)$HOME",
        "x'y",
        "a;touch x",
        "b&touch x&",
        "c|touch x",
        "d>x",
        "{a,b}",
        "~",
        "!!",
        "tab\there",
        "[*]?",
    };
    for (const QString& text : hostile) {
        SCOPED_TRACE(text.toStdString());
        // The term, searched for anywhere in a name: find gets *term* with every character as given.
        EXPECT_EQ(argumentsOf("find", findCommandLine(nameSearch(false, true), {"/Users", false}, text)),
                  QStringList({"/Users", "-iname", u'*' + text + u'*'}));
        // The term as grep's expression in a content search.
        const QStringList xargs = argumentsOf("xargs", findCommandLine(contentSearch(), {"/", true}, text));
        EXPECT_EQ(xargs.mid(xargs.indexOf("-e") + 1), QStringList{text});
        // A folder of that name.
        const QString folder = "/Volumes/" + text;
        EXPECT_EQ(argumentsOf("find", findCommandLine(nameSearch(true, false), {folder, false}, "memo")),
                  QStringList({folder, "-name", "memo"}));
        EXPECT_FALSE(anythingCreated());
    }
    // A line feed in a folder name or a term reaches find whole (recorded as \n).
    EXPECT_EQ(argumentsOf("find", findCommandLine(nameSearch(true, false), {"/a\nb'c", false}, "x\ny")),
              QStringList({"/a\\nb'c", "-name", "x\\ny"}));
}

TEST(SpotlightQuery, PredicateAndItsCommandLineForm)
{
    const struct Case {
        const char* name;
        SearchOptions options;
        QString predicate;
        QString mdfind;
    } cases[] = {
        {"name, any case", nameSearch(false, true),
         "kMDItemFSName LIKE[cd] \"*memo*\" && (kMDItemFSInvisible==YES||kMDItemFSInvisible==NO)",
         "kMDItemFSName == \"*memo*\"cd && (kMDItemFSInvisible == 1 || kMDItemFSInvisible == 0)"},
        {"name, case-sensitive, whole name", nameSearch(true, false),
         "kMDItemFSName LIKE \"memo\" && (kMDItemFSInvisible==YES||kMDItemFSInvisible==NO)",
         "kMDItemFSName == \"memo\" && (kMDItemFSInvisible == 1 || kMDItemFSInvisible == 0)"},
        {"content, any case, anywhere", contentSearch(false, true), "kMDItemTextContent LIKE[cd] \"*memo*\"",
         "kMDItemTextContent == \"*memo*\"cd"},
        {"content, case-sensitive", contentSearch(true, false), "kMDItemTextContent LIKE \"memo\"",
         "kMDItemTextContent == \"memo\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(spotlightPredicate(c.options, "memo"), c.predicate);
        EXPECT_EQ(mdfindQuery(c.options, "memo"), c.mdfind);
    }
    EXPECT_EQ(spotlightValue(nameSearch(false, true), "memo"), "*memo*");
    EXPECT_EQ(spotlightValue(nameSearch(false, false), "memo"), "memo");
    // The value stays one constant whatever it holds.
    EXPECT_EQ(spotlightPredicate(contentSearch(), "a\" || kMDItemFSName == \"*"),
              "kMDItemTextContent LIKE[cd] \"a\\\" || kMDItemFSName == \\\"*\"");
    EXPECT_EQ(mdfindQuery(contentSearch(), "it's \\ \"x\""),
              "kMDItemTextContent == \"it\\'s \\\\ \\\"x\\\"\"cd");
}

TEST(SearchField, ShortcutsAndTheTwoCharacterRule)
{
    using Kind = FieldRequest::Kind;
    const struct Case {
        QString term;
        FieldRequest request;
        bool searchable;
    } cases[] = {
        {"", {Kind::TooShort, ""}, false},
        {"a", {Kind::TooShort, ""}, false},
        {"ab", {Kind::Search, "ab"}, false},
        {"abc", {Kind::Search, "abc"}, true},
        {"~/Desktop", {Kind::RevealInHome, "/Users/robin/Desktop"}, false},
        {"~Desktop", {Kind::RevealInHome, "/Users/robin/Desktop"}, false},
        {"~/", {Kind::RevealInHome, "/Users/robin"}, false},
        {"/etc/hosts", {Kind::RevealFromRoot, "/private/etc/hosts"}, false},
        {"/tmp", {Kind::RevealFromRoot, "/private/tmp"}, false},
        {"/var/log", {Kind::RevealFromRoot, "/private/var/log"}, false},
        {"/variables", {Kind::RevealFromRoot, "/variables"}, false},
        {"/Users/robin", {Kind::RevealFromRoot, "/Users/robin"}, false},
        {"`Safari", {Kind::ActivateApplication, "Safari"}, false},
        {"`S", {Kind::ActivateApplication, "S"}, false},
        {"a~b", {Kind::Search, "a~b"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.term.toStdString());
        const FieldRequest request = searchFieldRequest(c.term, "/Users/robin");
        EXPECT_EQ(int(request.kind), int(c.request.kind));
        EXPECT_EQ(request.text, c.request.text);
        if (request.kind == Kind::Search) {
            EXPECT_EQ(isSearchableTerm(request.text), c.searchable);
        }
    }
    EXPECT_EQ(activateApplicationScript("Safari"), "try\ntell application \"Safari\" to activate\nend try");
    EXPECT_EQ(
        activateApplicationScript("x\" to quit\ndo shell script \"touch /tmp/x"),
        "try\ntell application \"x\\\" to quit\\ndo shell script \\\"touch /tmp/x\" to activate\nend try");
}

class FolderPopUpTest : public ::testing::Test {
protected:
    FolderPopUpTest()
    {
        QDir().mkpath(machine.host("/Volumes/Backup Disk"));
        QDir().mkpath(machine.host("/Volumes/Macintosh HD 2"));
        QDir().mkpath(machine.host("/Volumes/.hidden"));
        QFile::link("..", machine.host("/Volumes/Macintosh HD"));
        for (const char* folder : {"Desktop", "My Files", ".secret", "Library", "Applications"})
            QDir().mkpath(machine.host(QStringLiteral("/Users/robin/%1").arg(folder)));
        machine.write("/Users/robin/notes.txt", "x");
        QDir().mkpath(machine.host("/elsewhere"));
        QFile::link(machine.host("/elsewhere"), machine.host("/Users/robin/Linked"));
    }
    TempRoot machine;
    SystemRoot root = machine.root();
};

TEST_F(FolderPopUpTest, ItemsInTheirGroupsAndTheStartupVolumeSelected)
{
    const FolderPopUp popUp = populatePopUp(root, "Macintosh HD");
    const QStringList titles{"All Volumes",    "",
                             "Backup Disk",    "Macintosh HD",
                             "Macintosh HD 2", "",
                             "Applications ",  "Library ",
                             "System",         "tmp",
                             "Users",          "",
                             "robin",          "Applications",
                             "Desktop",        "Library",
                             "Linked",         "My Files"};
    EXPECT_EQ(popUp.titles(), titles);
    // Equal to the display name, not merely containing it.
    EXPECT_EQ(popUp.startupVolumePosition, 3);
    EXPECT_EQ(populatePopUp(root, "Macintosh").startupVolumePosition, 0);
    EXPECT_EQ(popUp.positionOf("Applications "), 6);
    EXPECT_EQ(popUp.positionOf("Applications"), 13);
    EXPECT_EQ(popUp.positionOf("Nowhere"), std::nullopt);
    EXPECT_EQ(popUp.positionOf(""), std::nullopt);
    EXPECT_EQ(popUp.items[13].indentation, 1);
    EXPECT_EQ(popUp.items[12].indentation, 0);
    EXPECT_EQ(popUp.items[12].folder, "/Users/robin");
    EXPECT_EQ(popUp.items[6].folder, "/Applications");
}

TEST_F(FolderPopUpTest, StartFolderOfEachPosition)
{
    const FolderPopUp popUp = populatePopUp(root, "Macintosh HD");
    const std::optional<StartFolder> none;
    const std::optional<StartFolder> expected[] = {
        StartFolder{"/", false},                    // All Volumes
        none,                                       // separator
        StartFolder{"/Volumes/Backup Disk", false}, // another volume
        StartFolder{"/", true},                     // the start-up volume stays on its volume
        StartFolder{"/Volumes/Macintosh HD 2", false},
        none,
        StartFolder{"/Applications", false},
        StartFolder{"/Library", false},
        StartFolder{"/System", false},
        StartFolder{"/tmp", false},
        StartFolder{"/Users", false},
        none,
        StartFolder{"/Users/robin", false},
        StartFolder{"/Users/robin/Applications", false},
        StartFolder{"/Users/robin/Desktop", false},
        StartFolder{"/Users/robin/Library", false},
        StartFolder{"/Users/robin/Linked", false},
        StartFolder{"/Users/robin/My Files", false},
    };
    ASSERT_EQ(popUp.items.size(), std::size(expected));
    for (int p = 0; p < int(std::size(expected)); ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(startFolderOf(popUp, p, "Macintosh HD"), expected[p]);
    }
    EXPECT_EQ(startFolderOf(popUp, -1, "Macintosh HD"), none);
    EXPECT_EQ(startFolderOf(popUp, int(popUp.items.size()), "Macintosh HD"), none);
}

TEST(SearchOptionsTest, LoadingWritesEveryMissingOptionAsNo)
{
    TempRoot machine;
    Settings settings(machine.root().settingsFile());
    settings.setBool(keys::searchForDepth, true);
    settings.setString(keys::searchForCase, "yes please"); // not a boolean YES
    SearchOptions expected;
    expected.searchIsDeep = true;
    EXPECT_EQ(loadSearchOptions(settings), expected);
    for (const char* key : {keys::searchForEmail, keys::searchForWebHistory, keys::searchForCase,
                            keys::searchForContent, keys::searchForString}) {
        SCOPED_TRACE(key);
        EXPECT_TRUE(settings.contains(key));
        EXPECT_FALSE(settings.boolForKey(key));
    }
}

} // namespace
