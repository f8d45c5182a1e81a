// The task pad file: the program's reader and writer, python's plistlib as a second writer and reader,
// and the field's keyed archives for notes and dates.

#include "support/QtPrinters.h"
#include "taskpad/KeyedArchive.h"
#include "taskpad/TaskPadFormat.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace trevalo;

namespace {

const QString kFixtures = QStringLiteral(TREVALO_TEST_DATA "/taskpad");
const QTimeZone kZone("Asia/Tokyo");
const QDateTime kNow(QDate(2026, 6, 10), QTime(10, 0), kZone);

QByteArray readFile(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

/// A keyed archive written on a Mac (tests/data/taskpad/field).
QByteArray fieldSample(const QString& name)
{
    return readFile(kFixtures + "/field/" + name);
}

/// One line per task in outline order, as dump_taskpad.py prints them, from the program's own model.
void outline(const ListItem& parent, int level, QStringList& lines)
{
    for (const auto& child : parent.children()) {
        const ListItem& item = *child;
        QString runs;
        if (item.notes()) {
            for (const StyleRun& run : item.notes()->runs()) {
                const TextStyle& s = run.style;
                QString color = "-";
                if (s.color) {
                    color =
                        QStringLiteral("%1,%2,%3").arg(s.color->red).arg(s.color->green).arg(s.color->blue);
                    if (s.color->alpha != 1)
                        color += QStringLiteral(",%1").arg(s.color->alpha);
                }
                runs += QStringLiteral("%1%2:%3/%4/%5")
                            .arg(runs.isEmpty() ? "" : " ")
                            .arg(run.length)
                            .arg(s.fontName.isEmpty() ? "-" : s.fontName + "/" + QString::number(s.fontSize))
                            .arg(color)
                            .arg(int(s.underline));
            }
        }
        lines << QStringLiteral("%1|%2|done=%3|note=%4|days=%5|due=%6|%7|%8")
                     .arg(level)
                     .arg(item.name())
                     .arg(int(item.taskIsDone()))
                     .arg(int(item.hasNote()))
                     .arg(item.storedDaysToComplete().isNull() ? "-" : item.storedDaysToComplete())
                     .arg(QString::number(item.completionInterval(), 'f', 1))
                     .arg(item.notes() ? QString(item.notes()->text()).replace("\n", "\\n") : "-")
                     .arg(runs);
        outline(item, level + 1, lines);
    }
}

QStringList outline(const ListItem& root)
{
    QStringList lines;
    outline(root, 1, lines);
    return lines;
}

/// What python's plistlib reads in a task pad file (dump_taskpad.py), due dates to a tenth of a second.
QStringList pythonOutline(const QByteArray& bytes)
{
    QTemporaryDir dir;
    QFile f(dir.filePath("t.tp"));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    QProcess python;
    python.start("python3", {kFixtures + "/dump_taskpad.py", f.fileName()});
    EXPECT_TRUE(python.waitForFinished(30000));
    EXPECT_EQ(python.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    QStringList lines;
    for (QString line : QString::fromUtf8(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
        // due=<python repr> to one decimal, as outline() prints it
        const qsizetype at = line.indexOf("|due=") + 5;
        const qsizetype end = line.indexOf('|', at);
        line.replace(at, end - at, QString::number(line.mid(at, end - at).toDouble(), 'f', 1));
        lines << line;
    }
    return lines;
}

std::unique_ptr<ListItem> read(const QByteArray& bytes)
{
    QString error;
    std::optional<TaskPadContent> content = readTaskPad(bytes, error);
    EXPECT_TRUE(content) << error.toStdString();
    return content ? std::move(content->root) : std::make_unique<ListItem>(QString());
}

TextStyle style(const QString& family, double size, bool bold, bool italic,
                std::optional<TextColor> color = {}, bool underline = false)
{
    TextStyle s;
    s.setFont(family, size, bold, italic);
    s.color = color;
    s.underline = underline;
    return s;
}

/// An outline with every kind of value: nesting, flags, due dates, styled notes, texts beyond ASCII.
std::unique_ptr<ListItem> sampleOutline()
{
    auto root = std::make_unique<ListItem>(QString());
    ListItem* house = root->addChild(std::make_unique<ListItem>("House"));
    ListItem* paint = house->addChild(std::make_unique<ListItem>("Paint the hall"));
    paint->setCompletionDate(kNow.addDays(3));
    paint->addChild(std::make_unique<ListItem>("Buy brushes"))->setTaskIsDoneFlag(true);
    StyledText note;
    note.append("Colours: ", style("Helvetica Neue", 12, true, false));
    note.append("ochre", style("Helvetica Neue", 12, false, true, TextColor{0.8, 0.5, 0.125, 1}));
    note.append(QString(200, 'x'), style("Menlo", 11, false, false, {}, true)); // a run length of two bytes
    note.append(" 🎨 done", {});
    house->setNotes(note);
    house->setHasNote(true);
    ListItem* tax = root->addChild(std::make_unique<ListItem>("Steuererklärung\tabgeben"));
    tax->setCompletionDate(kNow.addDays(-2));
    tax->setTaskIsDoneFlag(true);
    tax->setNotes(StyledText::plain("plain"));
    root->addChild(std::make_unique<ListItem>(""));
    return root;
}

TEST(TaskPadFormat, ReadsAFileWrittenByPythonsPlistlib)
{
    const std::unique_ptr<ListItem> root = read(readFile(kFixtures + "/handmade.tp"));
    EXPECT_EQ(outline(*root), QStringList({"1|Errands|done=1|note=1|days=3|due=800000000.0|Buy milk\\nand "
                                           "bread|8:Helvetica-Bold/13/1,0,0/0 10:-/-/1",
                                           "2|    Sub-task|done=0|note=0|days=-|due=-978307200.0|-|",
                                           "3|        Deepest|done=0|note=0|days=-|due=-978307200.0|-|",
                                           "1|Wäsche 🧺|done=0|note=0|days=-|due=-978307200.0|-|"}));
    const TextStyle& bold = root->child(0)->notes()->runs()[0].style;
    EXPECT_EQ(bold.fontFamily(), "Helvetica");
    EXPECT_TRUE(bold.bold());
    EXPECT_FALSE(bold.italic());
    EXPECT_FALSE(root->child(1)->hasDueDate());
}

// Write, read, write again: both files hold the same outline, and python reads the same from them.
TEST(TaskPadFormat, RoundTripKeepsEveryValueAndASecondReaderAgrees)
{
    const std::unique_ptr<ListItem> original = sampleOutline();
    const QByteArray first = writeTaskPad(*original, kNow, kZone);
    const std::unique_ptr<ListItem> reread = read(first);
    const QByteArray second = writeTaskPad(*reread, kNow, kZone);
    const std::unique_ptr<ListItem> again = read(second);

    const QStringList expected = outline(*original);
    EXPECT_EQ(outline(*reread), expected);
    EXPECT_EQ(outline(*again), expected);
    EXPECT_EQ(pythonOutline(first), expected);
    EXPECT_EQ(pythonOutline(second), expected);
    // The remaining days are written as computed at the time of writing; null without a due date.
    EXPECT_EQ(reread->child(0)->child(0)->storedDaysToComplete(), "3");
    EXPECT_EQ(reread->child(1)->storedDaysToComplete(), "-2");
    EXPECT_TRUE(reread->child(0)->storedDaysToComplete().isNull());
    // A note read back is written back as it was read while it is unchanged.
    EXPECT_TRUE(reread->child(0)->notes()->archived());
    EXPECT_FALSE(original->child(0)->notes()->archived());
}

TEST(TaskPadFormat, WritesTheArchiveLayoutOfThePlatform)
{
    const std::unique_ptr<ListItem> root = sampleOutline();
    const QByteArray bytes = writeTaskPad(*root, kNow, kZone);
    EXPECT_TRUE(bytes.startsWith("bplist00"));
    QString error;
    const std::unique_ptr<Unarchiver> archive = Unarchiver::open(bytes, error);
    ASSERT_TRUE(archive) << error.toStdString();
    EXPECT_EQ(plistText(archive->object(0)), std::nullopt); // object 0 is "$null", never followed
    EXPECT_EQ(archive->root(), 1u);
    EXPECT_EQ(archive->className(1), "NSMutableArray");
    const quint64 first = archive->arrayItems(1)->at(0);
    EXPECT_EQ(archive->className(first), "ListItem");

    // The seven keys in their order, then the class.
    QStringList keys;
    plist_dict_iter it = nullptr;
    plist_t task = archive->object(first);
    plist_dict_new_iter(task, &it);
    for (char* key = nullptr;;) {
        plist_t value = nullptr;
        plist_dict_next_item(task, it, &key, &value);
        if (!key)
            break;
        keys << key;
        free(key);
    }
    free(it);
    EXPECT_EQ(keys, QStringList({"name", "notes", "children", "taskIsDone", "hasNote", "daysToComplete",
                                 "completionDate", "$class"}));
    EXPECT_EQ(plist_get_node_type(archive->member(first, "taskIsDone")), PLIST_BOOLEAN);
    EXPECT_EQ(archive->memberReference(first, "daysToComplete"), 0u); // null without a due date
    EXPECT_EQ(archive->dateInterval(*archive->memberReference(first, "completionDate")),
              -ListItem::kReferenceDateOffset);
    EXPECT_TRUE(archive->isKindOf(*archive->memberReference(first, "notes"), "NSAttributedString"));
}

// The platform's own notes, read from the field's archives.
TEST(TaskPadFormat, ReadsTheFieldsStyledTexts)
{
    QString error;
    const std::optional<StyledText> appkit =
        readNoteArchive(fieldSample("NSMutableAttributedString-NSColor-NSMutableArray-appkit.bplist"), error);
    ASSERT_TRUE(appkit) << error.toStdString();
    EXPECT_EQ(appkit->text(), "firstsecondthird");
    ASSERT_EQ(appkit->runs().size(), 2);
    EXPECT_EQ(appkit->runs()[0].length, 5);
    ASSERT_TRUE(appkit->runs()[0].style.color);
    EXPECT_NEAR(appkit->runs()[0].style.color->red, 0.9859541655, 1e-9);
    EXPECT_NEAR(appkit->runs()[0].style.color->blue, 0.02694000863, 1e-9);
    EXPECT_EQ(appkit->runs()[1], (StyleRun{11, {}}));

    const std::optional<StyledText> sketch = readNoteArchive(
        fieldSample("NSAttributedString-NSFontDescriptor-NSColor-NSParagraphStyle-sketch.bplist"), error);
    ASSERT_TRUE(sketch) << error.toStdString();
    EXPECT_EQ(sketch->text(), "200g granola and one pear\n107 calories gained");
    ASSERT_EQ(sketch->runs().size(), 1);
    EXPECT_EQ(sketch->runs()[0].style.color, (TextColor{1, 1, 1, 0.6}));
    EXPECT_TRUE(sketch->runs()[0].style.fontName.isEmpty()); // a font descriptor of Sketch's own key
}

/// An object of an archive with every reference followed: dictionaries and arrays as QVariant maps and
/// lists, "$class" as its class name.
QVariant resolved(const Unarchiver& archive, plist_t node, int depth = 0)
{
    if (depth > 40)
        return QStringLiteral("(too deep)");
    switch (plist_get_node_type(node)) {
    case PLIST_UID: {
        const std::optional<quint64> ref = archive.reference(node);
        if (!ref)
            return QStringLiteral("(bad reference)");
        return *ref == 0 ? QVariant(QStringLiteral("(null)"))
                         : resolved(archive, archive.object(*ref), depth + 1);
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (char* key = nullptr;;) {
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &key, &value);
            if (!key)
                break;
            map.insert(key, resolved(archive, value, depth + 1));
            free(key);
        }
        free(it);
        return map;
    }
    case PLIST_ARRAY: {
        QVariantList list;
        for (uint32_t i = 0; i < plist_array_get_size(node); ++i)
            list << resolved(archive, plist_array_get_item(node, i), depth + 1);
        return list;
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return QByteArray(bytes, qsizetype(length));
    }
    default:
        if (const auto text = plistText(node))
            return *text;
        if (const auto b = plistBool(node); b && plist_get_node_type(node) == PLIST_BOOLEAN)
            return *b;
        return plistNumber(node).value_or(0);
    }
}

// What the task pad does not model (paragraph style, kerning, a font descriptor, a colour space with
// its ICC profile) is written back unchanged with the note, until the note is edited.
TEST(TaskPadFormat, AFieldNoteComesBackWithEveryAttributeUntilItIsEdited)
{
    for (const char* sample : {"NSAttributedString-NSFontDescriptor-NSColor-NSParagraphStyle-sketch.bplist",
                               "NSMutableAttributedString-NSColor-NSMutableArray-appkit.bplist"}) {
        SCOPED_TRACE(sample);
        QString error;
        const QByteArray bytes = fieldSample(sample);
        const std::unique_ptr<Unarchiver> source = Unarchiver::open(bytes, error);
        ASSERT_TRUE(source);
        const QVariant original = resolved(*source, source->object(source->root()));

        auto root = std::make_unique<ListItem>(QString());
        ListItem* task = root->addChild(std::make_unique<ListItem>("with note"));
        task->setNotes(readNoteArchive(bytes, error));
        ASSERT_TRUE(task->notes());
        const QByteArray written = writeTaskPad(*root, kNow, kZone);
        const std::unique_ptr<Unarchiver> archive = Unarchiver::open(written, error);
        ASSERT_TRUE(archive);
        const quint64 first = archive->arrayItems(archive->root())->at(0);
        const quint64 noteRef = *archive->memberReference(first, "notes");
        EXPECT_EQ(resolved(*archive, archive->object(noteRef)), original);

        // Edited: written anew from what the task pad models; the text and its modelled styles stay.
        StyledText edited = *task->notes();
        edited.append("!");
        task->setNotes(edited);
        const std::unique_ptr<ListItem> reread = read(writeTaskPad(*root, kNow, kZone));
        EXPECT_EQ(*reread->child(0)->notes(), edited);
    }
}

TEST(TaskPadFormat, TheFieldsDatesKeepEverySecond)
{
    QString error;
    const std::unique_ptr<Unarchiver> swift =
        Unarchiver::open(fieldSample("NSDate-swift-kiler129.bplist"), error);
    const std::unique_ptr<Unarchiver> custom =
        Unarchiver::open(fieldSample("NSDate-in-custom-object-bpylist2.bplist"), error);
    ASSERT_TRUE(swift && custom) << error.toStdString();
    const std::optional<double> whole = swift->dateInterval(swift->root());
    const std::optional<double> fraction =
        custom->dateInterval(*custom->memberReference(custom->root(), "stamp"));
    ASSERT_TRUE(whole && fraction);
    EXPECT_EQ(*whole, 1210536312.0);
    EXPECT_EQ(*fraction, 509523358.684097);

    auto root = std::make_unique<ListItem>(QString());
    root->addChild(std::make_unique<ListItem>("a"))->setCompletionInterval(*whole);
    root->addChild(std::make_unique<ListItem>("b"))->setCompletionInterval(*fraction);
    const std::unique_ptr<ListItem> reread = read(writeTaskPad(*root, kNow, kZone));
    EXPECT_EQ(reread->child(0)->completionInterval(), *whole);
    EXPECT_EQ(reread->child(1)->completionInterval(), *fraction);
}

TEST(TaskPadFormat, AnEmptyListAndANullRootAreGoodFiles)
{
    ListItem empty{QString()};
    QString error;
    std::optional<TaskPadContent> content = readTaskPad(writeTaskPad(empty, kNow, kZone), error);
    ASSERT_TRUE(content) << error.toStdString();
    EXPECT_EQ(content->root->childCount(), 0);
    EXPECT_FALSE(content->rootAbsent);

    Archiver archive;
    content = readTaskPad(archive.finish(0), error);
    ASSERT_TRUE(content) << error.toStdString();
    EXPECT_TRUE(content->rootAbsent);
}

// Damaged and hostile archives, made with the archive writer: each is refused with a reason.
TEST(TaskPadFormat, RefusesWhatItCannotTrust)
{
    using Build = std::function<QByteArray()>;
    const QStringList kItemClasses{"ListItem", "NSObject"};
    const QStringList kArray{"NSMutableArray", "NSArray", "NSObject"};
    // A task whose members are given as nodes (each called with the archive to make them).
    using Member = std::function<plist_t(Archiver&)>;
    auto task = [&](Archiver& a, quint64 ref, const QString& name, plist_t children,
                    const std::vector<std::pair<const char*, Member>>& extra = {}) {
        plist_t dict = plist_new_dict();
        setMember(dict, "name", plist_new_uid(a.text(name)));
        setMember(dict, "notes", plist_new_uid(0));
        setMember(dict, "children", children);
        setMember(dict, "taskIsDone", plist_new_bool(false));
        for (auto& [key, make] : extra)
            setMember(dict, key, make(a));
        setMember(dict, "$class", plist_new_uid(a.classReference("ListItem", kItemClasses)));
        a.set(ref, dict);
    };
    auto list = [&](Archiver& a, quint64 ref, const std::vector<quint64>& items) {
        plist_t refs = plist_new_array();
        for (quint64 item : items)
            plist_array_append_item(refs, plist_new_uid(item));
        plist_t dict = plist_new_dict();
        setMember(dict, "NS.objects", refs);
        setMember(dict, "$class", plist_new_uid(a.classReference("NSMutableArray", kArray)));
        a.set(ref, dict);
    };
    // A note with the given runs over "abc", of one empty style dictionary.
    auto noteWithRuns = [&](const QByteArray& info) {
        return [info, &list](Archiver& a) {
            const quint64 note = a.reserve();
            const quint64 styles = a.reserve();
            plist_t dict = plist_new_dict();
            setMember(dict, "NS.keys", plist_new_array());
            setMember(dict, "NS.objects", plist_new_array());
            setMember(dict, "$class",
                      plist_new_uid(a.classReference("NSDictionary", {"NSDictionary", "NSObject"})));
            const quint64 style = a.add(dict);
            list(a, styles, {style});
            plist_t n = plist_new_dict();
            setMember(n, "NSString", plist_new_uid(a.text("abc")));
            setMember(n, "NSAttributes", plist_new_uid(styles));
            setMember(n, "NSAttributeInfo",
                      plist_new_uid(a.add(plist_new_data(info.constData(), info.size()))));
            setMember(
                n, "$class",
                plist_new_uid(a.classReference("NSAttributedString", {"NSAttributedString", "NSObject"})));
            a.set(note, n);
            return plist_new_uid(note);
        };
    };
    // root list -> one task "t" with the given extra members.
    auto oneTask = [&](const std::vector<std::pair<const char*, Member>>& extra) {
        return [=, &task, &list]() {
            Archiver a;
            const quint64 root = a.reserve();
            const quint64 t = a.reserve();
            const quint64 children = a.reserve();
            list(a, children, {});
            task(a, t, "t", plist_new_uid(children), extra);
            list(a, root, {t});
            return a.finish(root);
        };
    };

    const struct Case {
        const char* name;
        Build bytes;
    } cases[] = {
        {"no bytes", [] { return QByteArray(); }},
        {"text", [] { return QByteArray("name\tdone\n"); }},
        {"an XML property list", [] { return QByteArray("<?xml version=\"1.0\"?><plist><array/></plist>"); }},
        {"a cut-off file", [&] { return writeTaskPad(*sampleOutline(), kNow, kZone).left(300); }},
        {"a property list that is no keyed archive",
         [] {
             PlistNode dict(plist_new_dict());
             setMember(dict.get(), "$objects", plist_new_array());
             char* out = nullptr;
             uint32_t length = 0;
             plist_to_bin(dict.get(), &out, &length);
             QByteArray bytes(out, length);
             free(out);
             return bytes;
         }},
        {"a root that is a text",
         [] {
             Archiver a;
             return a.finish(a.text("tasks"));
         }},
        {"a root outside the archive",
         [] {
             Archiver a;
             return a.finish(7);
         }},
        {"a child list outside the archive",
         oneTask({{"children", [](Archiver&) { return plist_new_uid(999); }}})},
        {"a name that is a number",
         oneTask({{"name", [](Archiver& a) { return plist_new_uid(a.add(plist_new_uint(5))); }}})},
        {"a name given inline, not by reference",
         oneTask({{"name", [](Archiver&) { return plist_new_string("x"); }}})},
        {"a flag that is a text", oneTask({{"hasNote", [](Archiver&) { return plist_new_string("yes"); }}})},
        {"a due date that is a text",
         oneTask({{"completionDate", [](Archiver& a) { return plist_new_uid(a.text("tomorrow")); }}})},
        {"a note that is a task list", oneTask({{"notes", [](Archiver&) { return plist_new_uid(1); }}})},
        {"a note whose runs are longer than its text",
         oneTask({{"notes", noteWithRuns(QByteArray("\x04\x00", 2))}})},
        {"a note whose runs are shorter than its text",
         oneTask({{"notes", noteWithRuns(QByteArray("\x02\x00", 2))}})},
        {"a note whose run names a style it lacks",
         oneTask({{"notes", noteWithRuns(QByteArray("\x03\x01", 2))}})},
        {"a note whose runs end inside a number", oneTask({{"notes", noteWithRuns(QByteArray("\x83", 1))}})},
        // Texts that libplist could not write back as they were read: it copies a text with a NUL short,
        // or writes a file it cannot read again.
        {"a name with a NUL",
         [] { return readFile(kFixtures + "/handmade.tp").replace("Errands", QByteArray("Err\0nds", 7)); }},
        {"a note's text with a NUL",
         [] { return readFile(kFixtures + "/handmade.tp").replace("Buy milk", QByteArray("Buy\0milk", 8)); }},
        {"a note's text that is not UTF-8",
         [] { return readFile(kFixtures + "/handmade.tp").replace("Buy milk", "Buy\xffmilk"); }},
        // libplist reads such a text anywhere in a kept note, and writes a file it cannot read again.
        {"a style the task pad keeps without reading it, with a text that is not ASCII",
         [] {
             QString error;
             ListItem top{QString()};
             top.addChild(std::make_unique<ListItem>("t"))
                 ->setNotes(readNoteArchive(
                     fieldSample(
                         "NSAttributedString-NSFontDescriptor-NSColor-NSParagraphStyle-sketch.bplist"),
                     error));
             return writeTaskPad(top, kNow, kZone).replace("AvenirNext-Regular", "AvenirNext-R\xe9gular");
         }},
        {"a name that is not UTF-8",
         [] { return readFile(kFixtures + "/handmade.tp").replace("Errands", "Err\xe4nds"); }},
        {"a task inside itself",
         [&] {
             Archiver a;
             const quint64 root = a.reserve();
             const quint64 t = a.reserve();
             const quint64 children = a.reserve();
             list(a, children, {t});
             task(a, t, "t", plist_new_uid(children));
             list(a, root, {t});
             return a.finish(root);
         }},
        {"a sub-task that lists its grandparent",
         [&] {
             Archiver a;
             const quint64 root = a.reserve();
             const quint64 top = a.reserve();
             const quint64 sub = a.reserve();
             const quint64 topChildren = a.reserve();
             const quint64 subChildren = a.reserve();
             list(a, topChildren, {sub});
             list(a, subChildren, {top});
             task(a, top, "top", plist_new_uid(topChildren));
             task(a, sub, "    sub", plist_new_uid(subChildren));
             list(a, root, {top});
             return a.finish(root);
         }},
        {"a task listed twice",
         [&] {
             Archiver a;
             const quint64 root = a.reserve();
             const quint64 t = a.reserve();
             const quint64 children = a.reserve();
             list(a, children, {});
             task(a, t, "t", plist_new_uid(children));
             list(a, root, {t, t});
             return a.finish(root);
         }},
        {"tasks nested deeper than the limit",
         [&] {
             Archiver a;
             const quint64 root = a.reserve();
             std::vector<quint64> tasks;
             std::vector<quint64> lists;
             for (int level = 1; level <= kMaxTaskDepth + 1; ++level) {
                 tasks.push_back(a.reserve());
                 lists.push_back(a.reserve());
             }
             for (size_t i = 0; i < tasks.size(); ++i) {
                 task(a, tasks[i], "t", plist_new_uid(lists[i]));
                 list(a, lists[i],
                      i + 1 < tasks.size() ? std::vector<quint64>{tasks[i + 1]} : std::vector<quint64>{});
             }
             list(a, root, {tasks[0]});
             return a.finish(root);
         }},
        // Many tasks whose notes all reach one large part: copying it for each would take gigabytes.
        {"notes that share a large part over and over",
         [&] {
             Archiver a;
             const quint64 root = a.reserve();
             const quint64 empty = a.reserve();
             list(a, empty, {});
             const quint64 big = a.reserve();
             std::vector<quint64> parts;
             parts.reserve(20000);
             for (int i = 0; i < 20000; ++i)
                 parts.push_back(a.add(plist_new_uint(quint64(i))));
             list(a, big, parts);
             const quint64 note = a.reserve();
             plist_t n = plist_new_dict();
             setMember(n, "NSString", plist_new_uid(a.text("")));
             setMember(n, "NSKept", plist_new_uid(big));
             setMember(
                 n, "$class",
                 plist_new_uid(a.classReference("NSAttributedString", {"NSAttributedString", "NSObject"})));
             a.set(note, n);
             std::vector<quint64> tasks;
             for (int i = 0; i < 500; ++i) {
                 const quint64 t = a.reserve();
                 task(a, t, "t", plist_new_uid(empty),
                      {{"notes", [note](Archiver&) { return plist_new_uid(note); }}});
                 tasks.push_back(t);
             }
             list(a, root, tasks);
             return a.finish(root);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        EXPECT_FALSE(readTaskPad(c.bytes(), error));
        EXPECT_FALSE(error.isEmpty());
    }
}

// The control case for the hostile ones above: the same builders make a file that reads.
TEST(TaskPadFormat, TasksAtTheDepthLimitRead)
{
    auto root = std::make_unique<ListItem>(QString());
    ListItem* at = root.get();
    for (int level = 1; level <= kMaxTaskDepth; ++level)
        at = at->insertChild(0, std::make_unique<ListItem>("t"));
    const std::unique_ptr<ListItem> reread = read(writeTaskPad(*root, kNow, kZone));
    EXPECT_EQ(reread->height() - 1, kMaxTaskDepth);
}

} // namespace
