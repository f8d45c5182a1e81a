// --json on the commands that print rows, and profile --html: the real program on a copy of the
// simulated Mac, each machine-readable form read back and held against the text form.

#include "platform/TextEscape.h"
#include "profile/ReportHtml.h"
#include "support/Program.h"
#include "support/TempRoot.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringDecoder>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

using trevalo::escapeField;
using trevalo::test::TempRoot;

namespace {

struct Outcome {
    int status;
    QByteArray out;
    QString err;
};

class JsonProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mac = TempRoot::sampleMac();
        ASSERT_TRUE(mac);
    }
    Outcome trevalo(const QStringList& args) const
    {
        const trevalo::test::ProgramOutput run =
            trevalo::test::runProgram(QStringList{"--root", mac->path()} + args);
        return {run.status, run.out, QString::fromUtf8(run.err)};
    }
    /// Makes a file whose name is the given bytes, which need not be UTF-8.
    void plant(const QByteArray& folder, const QByteArray& name) const
    {
        const QByteArray path = QFile::encodeName(mac->path()) + folder + '/' + name;
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0) << path.constData();
        ::close(fd);
    }

    std::unique_ptr<TempRoot> mac;
};

/// The one object a --json run printed, or a failure saying why it is no such object.
::testing::AssertionResult readObject(const QByteArray& out, QJsonObject* object)
{
    if (!out.endsWith('\n') || out.count('\n') != 1)
        return ::testing::AssertionFailure() << "not one line: " << out.constData();
    for (const char byte : out.chopped(1))
        if (static_cast<unsigned char>(byte) < 0x20 || byte == 0x7F)
            return ::testing::AssertionFailure() << "a raw control character in " << out.constData();
    QStringDecoder utf8(QStringDecoder::Utf8);
    [[maybe_unused]] const QString decoded = utf8(out);
    if (utf8.hasError())
        return ::testing::AssertionFailure() << "not UTF-8: " << out.constData();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(out, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return ::testing::AssertionFailure()
               << error.errorString().toStdString() << " in " << out.constData();
    *object = document.object();
    return ::testing::AssertionSuccess();
}

QString rows(const QJsonValue& array, const QStringList& fields)
{
    QString text;
    for (const QJsonValue row : array.toArray()) {
        QStringList shown;
        for (const QString& field : fields)
            shown << escapeField(row[field].toString());
        text += shown.join('\t') + '\n';
    }
    return text;
}

TEST_F(JsonProgramTest, EveryCommandPrintsTheFieldsOfItsTextForm)
{
    // Hostile names for the searches: quotes, a line feed, control characters, bytes that are not UTF-8.
    const QByteArray documents = "/Users/robin/Documents";
    plant(documents, "zork \"quoted\" 'single' \\back.txt");
    plant(documents, "zork\nsecond line.txt");
    plant(documents, "zork\x01\x1b[31mred\x7f.txt");
    plant(documents, "zork\xc2\x9b"
                     "c1.txt");
    plant(documents, "zork\xff\xfe.txt");
    ASSERT_EQ(trevalo({"profile"}).status, 0);
    for (const QString& name : {QStringLiteral("Tab\there"), QStringLiteral("Quote \" and \\ \x02\u009b")})
        ASSERT_EQ(trevalo({"tasks", "add", name}).status, 0);

    // Each case: the text form's arguments, where --json goes, and the text its object stands for.
    const struct Case {
        const char* name;
        QStringList args;
        qsizetype jsonAt; // where --json goes among args
        int status;
        std::function<QString(const QJsonObject&)> asText; // what the text form prints on standard output
        bool live = false; // readings that move between two runs (disk space, minutes): digits not held
    } cases[] = {
        {"analyse",
         {"analyse"},
         1,
         0,
         [](const QJsonObject& o) {
             return rows(o["items"], {"name", "issue", "where"}) +
                    "Backup: " + (o["backup"].toBool() ? "yes" : "no") + '\n';
         }},
        {"facts",
         {"facts"},
         1,
         0,
         [](const QJsonObject& o) {
             QString text;
             for (const QJsonValue item : o["items"].toArray())
                 text += escapeField(item["title"].toString()) + (item["on"].toBool() ? "\ton" : "") + '\n';
             text += "Icon: " + escapeField(o["icon"].toString()) +
                     "\nTitle: " + escapeField(o["title"].toString()) + '\n';
             for (const QJsonValue n : o["notifications"].toArray())
                 text += "Notification: " + escapeField(n["title"].toString()) + ": " +
                         (n["subtitle"].toString().isEmpty() ? QString()
                                                             : escapeField(n["subtitle"].toString()) + ": ") +
                         escapeField(n["text"].toString()) + '\n';
             return text;
         },
         true},
        {"deep search over hostile names",
         {"search", "--deep", "--dir", "Documents", "--string", "zork"},
         1,
         0,
         [](const QJsonObject& o) {
             return rows(o["hits"], {"name", "path", "date"}) +
                    QStringLiteral("Results: %1\n").arg(o["results"].toInt());
         }},
        {"search's folder titles",
         {"search", "--list-dirs"},
         2,
         0,
         [](const QJsonObject& o) {
             QString text;
             for (const QJsonValue title : o["dirs"].toArray())
                 text += escapeField(title.toString()) + '\n';
             return text;
         }},
        {"tasks",
         {"tasks"},
         1,
         0,
         [](const QJsonObject& o) {
             QString text;
             for (const QJsonValue task : o["tasks"].toArray())
                 text += (task["done"].toBool() ? "[x] " : "[ ] ") + escapeField(task["name"].toString()) +
                         (task["days"].isNull() ? QString() : '\t' + task["days"].toString()) + '\n';
             return text;
         }},
        {"logs",
         {"logs"},
         1,
         0,
         [](const QJsonObject& o) {
             return QStringLiteral("Reports: %1\nSize: %2\n")
                 .arg(o["reports"].toInt())
                 .arg(o["size"].toString());
         }},
        {"one stored report",
         {"logs", "2"},
         1,
         0,
         [](const QJsonObject& o) {
             const QString report = trevalo::shownReportText(o["report"].toString());
             return report.endsWith('\n') ? report : report + '\n';
         }},
        // Failures keep their status and print no object.
        {"a report the log does not hold", {"logs", "9"}, 2, 1, nullptr},
        {"a task row that does not exist", {"tasks", "done", "7"}, 1, 1, nullptr},
        {"a search term too short", {"search", "ab"}, 1, 2, nullptr},
        {"analyse --json with --ignore", {"analyse", "--ignore", "/x"}, 1, 2, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList jsonArgs = c.args;
        jsonArgs.insert(c.jsonAt, "--json");
        const Outcome json = trevalo(jsonArgs);
        EXPECT_EQ(json.status, c.status) << json.err.toStdString();
        if (!c.asText) {
            EXPECT_TRUE(json.out.isEmpty()) << json.out.constData();
            EXPECT_EQ(json.err.count('\n'), 1) << json.err.toStdString();
            continue;
        }
        const Outcome text = trevalo(c.args);
        ASSERT_EQ(text.status, c.status) << text.err.toStdString();
        QJsonObject object;
        ASSERT_TRUE(readObject(json.out, &object));
        auto held = [&c](QString shown) {
            return c.live ? shown.replace(QRegularExpression("[0-9]+"), "#") : shown;
        };
        EXPECT_EQ(held(c.asText(object)), held(QString::fromUtf8(text.out))) << json.out.constData();
    }

    // The names as the program holds them: not-UTF-8 bytes read as replacement characters.
    QJsonObject found;
    ASSERT_TRUE(readObject(
        trevalo({"search", "--json", "--deep", "--dir", "Documents", "--string", "zork"}).out, &found));
    QStringList names;
    for (const QJsonValue hit : found["hits"].toArray())
        names << hit["name"].toString();
    const std::string shown = names.join('|').toStdString();
    EXPECT_TRUE(names.contains(QStringLiteral("zork \"quoted\" 'single' \\back.txt"))) << shown;
    EXPECT_TRUE(names.contains(QStringLiteral("zork\x01\x1b[31mred\x7f.txt"))) << shown;
    EXPECT_TRUE(names.contains(QStringLiteral("zork\u009b") + "c1.txt")) << shown;
    EXPECT_TRUE(names.contains(QStringLiteral("zork\ufffd\ufffd.txt"))) << shown;
    QJsonObject tasks;
    ASSERT_TRUE(readObject(trevalo({"tasks", "--json"}).out, &tasks));
    EXPECT_EQ(tasks["tasks"][2]["name"].toString(), QStringLiteral("Quote \" and \\ \x02\u009b"));
}

TEST_F(JsonProgramTest, ConfirmationsGoToStandardErrorBesideTheObject)
{
    ASSERT_EQ(trevalo({"profile"}).status, 0);
    const Outcome kept = trevalo({"logs", "--json", "--delete", "--answer", "Cancel"});
    EXPECT_EQ(kept.status, 1);
    QJsonObject object;
    ASSERT_TRUE(readObject(kept.out, &object));
    EXPECT_EQ(object, QJsonObject({{"deleted", false}}));
    EXPECT_TRUE(kept.err.startsWith("Alert: ")) << kept.err.toStdString();

    const Outcome deleted = trevalo({"logs", "--delete", "--json"});
    EXPECT_EQ(deleted.status, 0) << deleted.err.toStdString();
    ASSERT_TRUE(readObject(deleted.out, &object));
    EXPECT_EQ(object["deleted"], true);
    EXPECT_EQ(object["reports"], 1);
}

TEST_F(JsonProgramTest, ProfilePageHoldsTheReportEscapedAndFailsBeforeTheRun)
{
    mac->write("/Users/robin/Library/LaunchAgents/<script>alert('x&y \"z\"').plist", "<plist/>");
    const QString page = mac->path() + "/page.html";
    const Outcome run = trevalo({"profile", "--html", page});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(html.contains("&lt;script&gt;alert(&#39;x&amp;y &quot;z&quot;&#39;).plist"));
    EXPECT_FALSE(html.contains("<script>"));
    EXPECT_TRUE(html.contains("Timestamp (2):"));
    EXPECT_TRUE(html.contains("<td class=\"magenta\">+ added</td>")); // the first run's change records
    EXPECT_TRUE(run.out.startsWith("Timestamp (2):")); // the report is printed as without --html

    // A page that cannot be made fails with the reason before a run is spent.
    for (const QString& bad : {mac->path() + "/no/such/folder/page.html", page + "/inside-a-file.html"}) {
        SCOPED_TRACE(bad.toStdString());
        const Outcome failed = trevalo({"profile", "--html", bad});
        EXPECT_EQ(failed.status, 1);
        EXPECT_TRUE(failed.out.isEmpty());
        EXPECT_TRUE(failed.err.startsWith("trevalo: the page cannot be written to " + bad + ": "))
            << failed.err.toStdString();
        EXPECT_GT(failed.err.size(), 40 + bad.size());
    }
    EXPECT_TRUE(trevalo({"profile"}).out.startsWith("Timestamp (3):"));
    for (const QStringList& usage : {QStringList{"profile", "--html"}, QStringList{"profile", "--html="},
                                     QStringList{"profile", "--html", page, "--html", page}})
        EXPECT_EQ(trevalo(usage).status, 2) << usage.join(' ').toStdString();
}

} // namespace
