#include "analyser/ThreatClassifier.h"

#include "analyser/Signatures.h"

#include <QHash>
#include <QVarLengthArray>
#include <algorithm>
#include <cstdint>

namespace trevalo {

namespace {

constexpr size_t kRunLengths[2] = {8, 4};
constexpr int kFilterShift = 46; // 18 bits: 32 KiB of filter, about one false pass in 25
constexpr int kFilterBits = 1 << (64 - kFilterShift);
constexpr int kFrequencyBits = 1 << 16;
constexpr quint64 kBase = 0x100000001B3ull;

constexpr quint64 power(quint64 base, size_t exponent)
{
    quint64 result = 1;
    for (size_t i = 0; i < exponent; ++i)
        result *= base;
    return result;
}
constexpr quint64 kTopPower[2] = {power(kBase, kRunLengths[0] - 1), power(kBase, kRunLengths[1] - 1)};

/// Polynomial hash of a run, rolled one character at a time along a text.
struct RollingHash {
    size_t length;
    quint64 top; // kBase to the power length - 1
    quint64 value = 0;

    void start(const char16_t* s)
    {
        value = 0;
        for (size_t i = 0; i < length; ++i)
            value = value * kBase + s[i];
    }
    void roll(char16_t out, char16_t in) { value = (value - out * top) * kBase + in; }
};

/// The key of a run: its hash mixed with its length, so that runs of the two lengths never meet.
quint64 keyOf(quint64 hash, size_t length)
{
    return (hash ^ (quint64(length) << 56)) * 0x9E3779B97F4A7C15ull;
}

quint32 filterBit(quint64 key)
{
    return quint32(key >> kFilterShift);
}

quint32 frequencySlot(quint64 key)
{
    return quint32(key >> 48);
}

/// The case-folded text, folded by hand when it is ASCII, as fragments nearly always are.
std::u16string foldedText(const QString& text)
{
    std::u16string out(size_t(text.size()), u'\0');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c >= 0x80)
            return text.toCaseFolded().toStdU16String();
        out[size_t(i)] = (c >= 'A' && c <= 'Z') ? char16_t(c + ('a' - 'A')) : c;
    }
    return out;
}

} // namespace

ThreatClassifier::ThreatClassifier(const std::array<QStringList, 6>& lists)
{
    for (int list = 0; list < int(lists.size()); ++list) {
        for (const QString& fragment : lists[size_t(list)]) {
            if (fragment.isEmpty())
                continue;
            m_fragments.push_back({foldedText(fragment), list});
            m_lastList = std::max(m_lastList, list);
        }
    }

    auto tierOf = [](size_t length) {
        return length >= kRunLengths[0] ? 0 : length >= kRunLengths[1] ? 1 : -1;
    };
    // Calls `visit(position, key)` for every run of the fragment's index length.
    auto forEachRun = [](const std::u16string& text, int tier, auto&& visit) {
        RollingHash hash{kRunLengths[tier], kTopPower[tier]};
        hash.start(text.data());
        for (size_t i = 0;; ++i) {
            visit(i, keyOf(hash.value, hash.length));
            if (i + hash.length >= text.size())
                break;
            hash.roll(text[i], text[i + hash.length]);
        }
    };

    // How often each run occurs over all fragments (counted by hash slot: a shared slot only makes a
    // run look commoner than it is).
    std::vector<quint16> frequency(kFrequencyBits, 0);
    for (size_t index = 0; index < m_fragments.size(); ++index) {
        const std::u16string& text = m_fragments[index].text;
        const int tier = tierOf(text.size());
        if (tier < 0) {
            m_short.push_back(int(index));
            continue;
        }
        m_hasRunLength[tier] = true;
        forEachRun(text, tier, [&frequency](size_t, quint64 key) {
            quint16& count = frequency[frequencySlot(key)];
            if (count < UINT16_MAX)
                ++count;
        });
    }

    m_filter.assign(kFilterBits / 64, 0);
    m_keyed.reserve(m_fragments.size());
    for (size_t index = 0; index < m_fragments.size(); ++index) {
        const std::u16string& text = m_fragments[index].text;
        const int tier = tierOf(text.size());
        if (tier < 0)
            continue;
        Keyed best{0, int(index), -1};
        quint32 bestCount = UINT32_MAX;
        forEachRun(text, tier, [&](size_t i, quint64 key) {
            if (frequency[frequencySlot(key)] < bestCount) {
                bestCount = frequency[frequencySlot(key)];
                best.key = key;
                best.offset = int(i);
            }
        });
        m_keyed.push_back(best);
        const quint32 bit = filterBit(best.key);
        m_filter[bit / 64] |= quint64(1) << (bit % 64);
    }
    std::sort(m_keyed.begin(), m_keyed.end());

    size_t size = 16;
    while (size < 2 * m_keyed.size())
        size *= 2;
    m_table.assign(size, Slot{});
    for (size_t i = 0; i < m_keyed.size();) {
        size_t j = i;
        while (j < m_keyed.size() && m_keyed[j].key == m_keyed[i].key)
            ++j;
        size_t slot = m_keyed[i].key & (size - 1);
        while (m_table[slot].first >= 0)
            slot = (slot + 1) & (size - 1);
        m_table[slot] = {m_keyed[i].key, int(i), int(j - i)};
        i = j;
    }
}

ThreatClassifier ThreatClassifier::load(SignatureSource& source)
{
    std::array<QStringList, 6> lists;
    for (size_t i = 0; i < kNameLists.size(); ++i)
        lists[i] = loadSignatureEntries(source, QString::fromLatin1(kNameLists[i].resource));
    return ThreatClassifier(lists);
}

const ThreatClassifier::Slot* ThreatClassifier::find(quint64 key) const
{
    const size_t mask = m_table.size() - 1;
    for (size_t slot = key & mask;; slot = (slot + 1) & mask) {
        const Slot& s = m_table[slot];
        if (s.first < 0)
            return nullptr;
        if (s.key == key)
            return &s;
    }
}

int ThreatClassifier::matchFolded(std::u16string_view text) const
{
    int best = -1;
    for (int index : m_short) {
        const Fragment& f = m_fragments[size_t(index)];
        if (f.list > best && text.find(f.text) != std::u16string_view::npos)
            best = f.list;
    }
    for (int tier = 0; tier < 2; ++tier) {
        if (!m_hasRunLength[tier] || text.size() < kRunLengths[tier])
            continue;
        RollingHash hash{kRunLengths[tier], kTopPower[tier]};
        hash.start(text.data());
        for (size_t i = 0;; ++i) {
            if (best == m_lastList)
                return best; // nothing can change the answer any more
            const quint64 key = keyOf(hash.value, hash.length);
            const quint32 bit = filterBit(key);
            if (m_filter[bit / 64] & (quint64(1) << (bit % 64))) {
                if (const Slot* slot = find(key)) {
                    for (int k = slot->first; k < slot->first + slot->count; ++k) {
                        const Keyed& keyed = m_keyed[size_t(k)];
                        const Fragment& f = m_fragments[size_t(keyed.fragment)];
                        if (f.list <= best || size_t(keyed.offset) > i)
                            continue;
                        if (text.substr(i - size_t(keyed.offset), f.text.size()) == f.text)
                            best = f.list;
                    }
                }
            }
            if (i + hash.length >= text.size())
                break;
            hash.roll(text[i], text[i + hash.length]);
        }
    }
    return best;
}

int ThreatClassifier::matchingList(QStringView path) const
{
    if (m_fragments.empty())
        return -1;
    // Paths are nearly always ASCII: fold those without building a string.
    QVarLengthArray<char16_t, 256> ascii(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t c = path.utf16()[i];
        if (c >= 0x80) {
            const QString folded = path.toString().toCaseFolded();
            return matchFolded({reinterpret_cast<const char16_t*>(folded.utf16()), size_t(folded.size())});
        }
        ascii[i] = (c >= 'A' && c <= 'Z') ? char16_t(c + ('a' - 'A')) : c;
    }
    return matchFolded({ascii.constData(), size_t(ascii.size())});
}

QString ThreatClassifier::getThreatNameFor(QStringView path) const
{
    // Shared texts: a scan names thousands of items.
    static const std::array<QString, 6> issues = [] {
        std::array<QString, 6> names;
        for (size_t i = 0; i < names.size(); ++i)
            names[i] = QString::fromLatin1(kNameLists[i].issue);
        return names;
    }();
    const int list = matchingList(path);
    return list < 0 ? QString() : issues[size_t(list)];
}

IssueKind issueKindOf(const QString& issueName)
{
    static const QHash<QString, IssueKind> kinds{
        {QStringLiteral("Adware"), IssueKind::Adware},
        {QStringLiteral("Malware"), IssueKind::Malware},
        {QStringLiteral("Keylogger"), IssueKind::Keylogger},
        {QStringLiteral("Performance"), IssueKind::Performance},
        {QStringLiteral("Detritus"), IssueKind::Detritus},
    };
    return kinds.value(issueName, IssueKind::Unclassified);
}

} // namespace trevalo
