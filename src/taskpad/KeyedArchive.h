#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <plist/plist.h>
#include <vector>

namespace trevalo {

struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};
/// A libplist node and everything below it.
using PlistNode = std::unique_ptr<void, PlistFree>;

/// A part of a keyed archive kept as it was read, to be written into another archive unchanged: the
/// archive's bytes (shared, not copied) and the part's reference in them. The archive is read again, and
/// the part and everything it reaches copied out, only when it is written.
class ArchivedGraph {
public:
    QByteArray archive;
    quint64 root = 0;
};

/// Reads the platform's keyed archives (a binary property list of "$archiver", "$top" and "$objects",
/// objects naming each other by UID) without trusting them: every reference is checked against the
/// object table before it is followed, and every object against the kind it must be.
///
/// Objects are named by their reference (an index into "$objects"); reference 0 is null.
class Unarchiver {
public:
    /// Opens an archive; null, with the reason in `error`, when the bytes are not a keyed archive.
    static std::unique_ptr<Unarchiver> open(const QByteArray& bytes, QString& error);

    /// The object stored under "$top" "root" (0 when that is null).
    quint64 root() const { return m_root; }
    quint64 objectCount() const { return quint64(m_objects.size()); }
    /// The object a reference names; null for reference 0 and references outside the table.
    plist_t object(quint64 reference) const;

    /// The reference a value holds: nothing unless the value is a UID within the table.
    std::optional<quint64> reference(plist_t value) const;
    /// A member of an object that is an archived instance (a dictionary); null when absent.
    plist_t member(quint64 reference, const char* key) const;
    /// The reference stored under a key of an archived instance: 0 when the key is absent or null,
    /// nothing when its value is not a reference within the table.
    std::optional<quint64> memberReference(quint64 reference, const char* key) const;

    /// The object's class name ("$class" -> "$classname"); null when it names none.
    QString className(quint64 reference) const;
    /// Whether the object's class is `name`.
    bool hasClass(quint64 reference, const char* name) const;
    /// Whether the object's class is `name` or lists it among its superclasses ("$classes").
    bool isKindOf(quint64 reference, const char* name) const;

    // Decoders of the Foundation objects the task pad holds; nothing when the object is not one.
    /// A text: a string object, or an NSString instance ("NS.string", or UTF-8 "NS.bytes"). Nothing for
    /// a text holding a NUL or bytes that are not UTF-8, which could not be written back as they are.
    std::optional<QString> text(quint64 reference) const;
    /// The references an NSArray holds ("NS.objects"), each within the table.
    std::optional<std::vector<quint64>> arrayItems(quint64 reference) const;
    /// The key and object references of an NSDictionary ("NS.keys", "NS.objects"), in order.
    std::optional<std::vector<std::pair<quint64, quint64>>> dictionaryItems(quint64 reference) const;
    /// Bytes: a data object, or an NSData instance ("NS.data").
    std::optional<QByteArray> data(quint64 reference) const;
    /// An NSDate's seconds since 2001-01-01 UTC ("NS.time").
    std::optional<double> dateInterval(quint64 reference) const;

    /// An object with everything it reaches, kept for writing back; null when it reaches an object
    /// outside the table, or when the parts kept from this archive would add up to several times its
    /// size (parts that name the same objects over and over, to make the writer run out of memory).
    std::shared_ptr<const ArchivedGraph> keep(quint64 reference) const;

private:
    Unarchiver() = default;
    /// A class entry's name and superclasses, read once however many objects name it.
    struct ClassEntry {
        QByteArray name;
        QList<QByteArray> classes;
    };
    const ClassEntry* classOf(quint64 reference) const;

    QByteArray m_bytes;
    PlistNode m_document;
    std::vector<plist_t> m_objects;
    quint64 m_root = 0;
    mutable quint64 m_keepBudget = 0;
    mutable QHash<quint64, std::shared_ptr<const ClassEntry>> m_classEntries;
};

/// Writes a keyed archive as the platform's archiver does: "$null" first, each object given its place
/// when its encoding begins and its class after its members, texts and classes stored once.
class Archiver {
public:
    Archiver();
    ~Archiver();
    Archiver(const Archiver&) = delete;
    Archiver& operator=(const Archiver&) = delete;

    /// Takes the next place in the object table; its object follows with set().
    quint64 reserve();
    void set(quint64 reference, plist_t object);
    quint64 add(plist_t object);
    /// A text, stored once however often it is named.
    quint64 text(const QString& value);
    /// A class entry ("$classname", "$classes"), stored once per class.
    quint64 classReference(const QString& name, const QStringList& classes);
    /// Writes a part of another archive with everything it reaches; returns the reference of its root
    /// (0, null, should its archive no longer read).
    quint64 appendGraph(const ArchivedGraph& graph);

    /// The archive with `root` under "$top" "root", as a binary property list.
    QByteArray finish(quint64 root);

private:
    std::vector<plist_t> m_objects; // owned; freed by finish() or the destructor
    QHash<QString, quint64> m_texts;
    QHash<QString, quint64> m_classes;
    /// The archives kept parts come from, each read once per archive written.
    QHash<const char*, std::shared_ptr<const Unarchiver>> m_sources;
};

// Values of property-list nodes; nothing when the node is of another type.
std::optional<QString> plistText(plist_t node);
/// A real or an integer.
std::optional<double> plistNumber(plist_t node);
/// A boolean, or an integer 0 or 1 as some archivers write flags.
std::optional<bool> plistBool(plist_t node);

/// Sets a dictionary's member (the dictionary takes the value).
void setMember(plist_t dict, const char* key, plist_t value);

} // namespace trevalo
