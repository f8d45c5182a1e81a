// The shipped signature data: what the build encoded, and whether the lists are fit to scan with.

#include "analyser/SignatureCodec.h"
#include "analyser/Signatures.h"
#include "analyser/ThreatClassifier.h"
#include "platform/PlistFormat.h"
#include "support/QtPrinters.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <gtest/gtest.h>

using namespace trevalo;

namespace {

const QString kLists = QStringLiteral(TREVALO_TEST_DATA "/../../resources/signatures");
const QString kHome = QStringLiteral("/Users/robin");

QString readText(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll());
}

QVector<ListEntry> readableList(const QString& name)
{
    const ParsedList parsed = parseSignatureList(readText(kLists + "/" + name + ".list"));
    EXPECT_TRUE(parsed.errors.isEmpty())
        << name.toStdString() << ": " << parsed.errors.join('\n').toStdString();
    return parsed.entries;
}

/// The files the build encoded, where the program's build puts them.
FolderSignatures builtSignatures()
{
    return FolderSignatures(QFileInfo(QStringLiteral(TREVALO_BINARY)).absolutePath() +
                            "/resources/signatures");
}

/// A location entry as a path in the sample Mac, for the entries that are paths. Its temporary folder is
/// where the /var link leads.
std::optional<QString> locationPath(const QString& entry)
{
    if (entry.startsWith("~/"))
        return kHome + entry.mid(1);
    if (entry.startsWith("$TEMP/"))
        return "/private/var/folders/7k/h3b4qmx91z2d5wfv0c8n_l6r0000gn/T/" + entry.mid(6);
    if (entry.startsWith('/'))
        return entry;
    return std::nullopt; // a bundle identifier
}

/// The product a family line names: the family without its parenthesised detail.
QString product(const QString& family)
{
    return family.section(" (", 0, 0);
}

ThreatClassifier shippedClassifier()
{
    std::array<QStringList, 6> lists;
    for (size_t i = 0; i < kNameLists.size(); ++i) {
        for (const ListEntry& e : readableList(kNameLists[i].resource))
            lists[i] << e.entry;
    }
    return ThreatClassifier(lists);
}

} // namespace

TEST(SignatureData, EveryBuiltFileDecodesToItsReadableList)
{
    FolderSignatures built = builtSignatures();
    for (const char* name : kSignatureNames) {
        QStringList expected;
        for (const ListEntry& e : readableList(name))
            expected << e.entry;
        const QByteArray bytes = built.read(name);
        ASSERT_FALSE(bytes.isNull()) << name << " was not built";
        const DecodedText decoded = decodeBytes(bytes);
        EXPECT_EQ(decoded.skipped, 0) << name;
        EXPECT_EQ(entries(decoded.text), expected) << name;
    }
}

TEST(SignatureData, ListsAreFilledAndFreeOfDuplicates)
{
    // The scan is only as good as its lists: hundreds of places to look, fragments for every issue.
    EXPECT_GE(readableList("trnums").size(), 400);
    for (const NameList& list : kNameLists)
        EXPECT_FALSE(readableList(list.resource).isEmpty()) << list.resource;

    for (const char* name : kSignatureNames) {
        QHash<QString, int> seen;
        for (const ListEntry& e : readableList(name)) {
            const QString key = e.entry.toCaseFolded();
            EXPECT_FALSE(seen.contains(key)) << name << ": " << e.entry.toStdString() << " on lines "
                                             << seen.value(key) << " and " << e.line;
            seen.insert(key, e.line);
        }
    }
}

TEST(SignatureData, NothingMatchesOrdinaryMacFiles)
{
    const ThreatClassifier classifier = shippedClassifier();
    QSet<QString> locations;
    for (const ListEntry& e : readableList("trnums")) {
        if (const auto path = locationPath(e.entry))
            locations.insert(path->toCaseFolded());
    }

    int checked = 0;
    const QStringList lines = readText(TREVALO_TEST_DATA "/signatures/ordinary-macos-paths.txt").split('\n');
    for (QString line : lines) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith("~/"))
            line = kHome + line.mid(1);
        ++checked;
        EXPECT_EQ(classifier.getThreatNameFor(line), QString()) << line.toStdString();
        EXPECT_FALSE(locations.contains(line.toCaseFolded())) << line.toStdString();
    }
    EXPECT_GT(checked, 300);
}

TEST(SignatureData, NothingMatchesTheSampleMacsCleanFolders)
{
    // Everything in the sample Mac except the planted items: the scan locations that exist there (with
    // what lies inside them) and the applications planted for bundle-identifier entries.
    const QString mac = QStringLiteral(TREVALO_SAMPLE_MAC);
    QStringList planted;
    QSet<QString> bundleIds;
    for (const ListEntry& e : readableList("trnums")) {
        if (const auto path = locationPath(e.entry))
            planted << *path;
        else
            bundleIds.insert(e.entry);
    }
    QDirIterator apps(mac + "/Applications", {"Info.plist"}, QDir::Files, QDirIterator::Subdirectories);
    while (apps.hasNext()) {
        const QString plist = apps.next();
        QFile f(plist);
        f.open(QIODevice::ReadOnly);
        const auto info = plistToVariant(f.readAll());
        if (info && bundleIds.contains(info->toMap().value("CFBundleIdentifier").toString()))
            planted << plist.mid(mac.size()).section("/Contents/", 0, 0);
    }
    auto isPlanted = [&planted](const QString& path) {
        for (const QString& p : planted) {
            // The item, what it holds, and the folders made to hold it.
            if (path.compare(p, Qt::CaseInsensitive) == 0 || path.startsWith(p + '/', Qt::CaseInsensitive) ||
                p.startsWith(path + '/', Qt::CaseInsensitive))
                return true;
        }
        return false;
    };

    const ThreatClassifier classifier = shippedClassifier();
    int checked = 0;
    QDirIterator it(mac, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next().mid(mac.size());
        if (path.startsWith("/.sim") || isPlanted(path))
            continue;
        ++checked;
        EXPECT_EQ(classifier.getThreatNameFor(path), QString()) << path.toStdString();
    }
    EXPECT_GT(checked, 50) << "the sample Mac looks empty";
}

TEST(SignatureData, EachProductsLocationsGetItsOneIssue)
{
    const ThreatClassifier classifier = shippedClassifier();

    // Which issue the name lists give each product whose fragments they hold.
    QHash<QString, QString> listIssue;
    for (const NameList& list : kNameLists) {
        for (const ListEntry& e : readableList(list.resource)) {
            const QString p = product(e.family);
            EXPECT_TRUE(!listIssue.contains(p) || listIssue.value(p) == list.issue)
                << p.toStdString() << " has fragments in lists of two issues";
            listIssue.insert(p, list.issue);
        }
    }

    QHash<QString, QString> productIssue;
    for (const ListEntry& e : readableList("trnums")) {
        const auto path = locationPath(e.entry);
        if (!path)
            continue; // an application's path depends on where it is installed
        const QString issue = classifier.getThreatNameFor(*path);
        const QString p = product(e.family);
        EXPECT_FALSE(issue.isEmpty())
            << e.entry.toStdString() << " (" << p.toStdString() << ") matches no name list";
        if (productIssue.contains(p)) {
            EXPECT_EQ(issue, productIssue.value(p))
                << e.entry.toStdString() << " (" << p.toStdString() << ")";
        } else {
            productIssue.insert(p, issue);
        }
        if (listIssue.contains(p)) {
            EXPECT_EQ(issue, listIssue.value(p)) << e.entry.toStdString() << " (" << p.toStdString() << ")";
        }
    }
}
