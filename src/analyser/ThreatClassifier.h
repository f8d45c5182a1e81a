#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace trevalo {

class SignatureSource;

/// The six name lists in the order they are consulted, with the issue each one gives. The last list
/// that matches decides, so "Keylogger" beats "Detritus", which beats "Malware", then "Performance",
/// then "Adware".
struct NameList {
    const char* resource;
    const char* issue;
};
inline constexpr std::array<NameList, 6> kNameLists = {{
    {"awNames", "Adware"},
    {"cwareNames", "Performance"},
    {"mwNames", "Malware"},
    {"exNames", "Malware"},
    {"dtNames", "Detritus"},
    {"kNames", "Keylogger"},
}};

/// The issue shown for a found item that no list matches.
inline constexpr const char* kNoIssue = "n/a";

/// What kind of issue a found item has, decided once from its issue name: the advice shown for an item
/// and the buttons of its alert follow from this.
enum class IssueKind { Adware, Malware, Keylogger, Performance, Detritus, Unclassified };
IssueKind issueKindOf(const QString& issueName);

/// Classifies paths by the name lists: a list matches when one of its fragments occurs in the path,
/// ignoring case (both are compared in Unicode case-folded form).
///
/// The lists are compiled once, so that a scan decodes them once and then costs about the length of
/// each path, not the number of fragments. Each fragment is indexed by one run of its characters (eight,
/// or four for a fragment shorter than eight), the run the fragments share least, since many start
/// alike ("com.", "library/"); a path's runs of the same lengths are looked up by a rolling hash.
class ThreatClassifier {
public:
    /// Matches nothing.
    ThreatClassifier() = default;
    /// One list of fragments per entry of kNameLists, in that order. Empty fragments are ignored.
    explicit ThreatClassifier(const std::array<QStringList, 6>& lists);
    /// Decodes the six name lists (a missing one is empty).
    static ThreatClassifier load(SignatureSource& source);

    /// The issue name of the path, or a null text when no list matches.
    QString getThreatNameFor(QStringView path) const;
    /// Index in kNameLists of the last list that matches, or -1.
    int matchingList(QStringView path) const;

private:
    struct Fragment {
        std::u16string text; // case-folded
        int list = 0;
    };
    struct Keyed {
        quint64 key; // hash of the run, salted by its length
        int fragment;
        int offset; // where the run starts in the fragment
        bool operator<(const Keyed& other) const { return key < other.key; }
    };
    struct Slot {
        quint64 key = 0;
        int first = -1; // into m_keyed; -1 for an empty slot
        int count = 0;
    };

    int matchFolded(std::u16string_view text) const;
    const Slot* find(quint64 key) const;

    std::vector<Fragment> m_fragments;
    std::vector<int> m_short;      // fragments shorter than four characters, looked for one by one
    bool m_hasRunLength[2] = {};   // whether any fragment is indexed by a run of 8, of 4
    std::vector<Keyed> m_keyed;    // sorted by key
    std::vector<Slot> m_table;     // open addressing over the distinct keys of m_keyed
    std::vector<quint64> m_filter; // one bit per key: most runs of a path are rejected here
    int m_lastList = -1;           // the highest list that has any fragment
};

} // namespace trevalo
