#include "analyser/ThreatClassifier.h"

#include "analyser/Signatures.h"

#include <algorithm>

namespace trevalo {

namespace {

constexpr int kKeyLength = 4;
constexpr int kFilterBits = 1 << 16;

quint64 pack(const char16_t* s)
{
    return (quint64(s[0]) << 48) | (quint64(s[1]) << 32) | (quint64(s[2]) << 16) | quint64(s[3]);
}

quint32 filterSlot(quint64 key)
{
    return quint32((key * 0x9E3779B97F4A7C15ull) >> 48);
}

} // namespace

ThreatClassifier::ThreatClassifier(const std::array<QStringList, 6>& lists)
{
    m_filter.assign(kFilterBits / 64, 0);
    for (int list = 0; list < int(lists.size()); ++list) {
        for (const QString& fragment : lists[size_t(list)]) {
            if (fragment.isEmpty())
                continue;
            const QString folded = fragment.toCaseFolded();
            const int index = int(m_fragments.size());
            m_fragments.push_back({folded.toStdU16String(), list});
            m_lastList = std::max(m_lastList, list);
            if (folded.size() < kKeyLength) {
                m_short.push_back(index);
                continue;
            }
            const quint64 key = pack(reinterpret_cast<const char16_t*>(folded.utf16()));
            m_keyed.push_back({key, index});
            const quint32 slot = filterSlot(key);
            m_filter[slot / 64] |= quint64(1) << (slot % 64);
        }
    }
    std::sort(m_keyed.begin(), m_keyed.end());
}

ThreatClassifier ThreatClassifier::load(SignatureSource& source)
{
    std::array<QStringList, 6> lists;
    for (size_t i = 0; i < kNameLists.size(); ++i)
        lists[i] = loadSignatureEntries(source, QString::fromLatin1(kNameLists[i].resource));
    return ThreatClassifier(lists);
}

int ThreatClassifier::matchingList(QStringView path) const
{
    if (m_fragments.empty())
        return -1;
    const QString folded = path.toString().toCaseFolded();
    const std::u16string_view text(reinterpret_cast<const char16_t*>(folded.utf16()), size_t(folded.size()));
    int best = -1;
    for (int index : m_short) {
        const Fragment& f = m_fragments[size_t(index)];
        if (f.list > best && text.find(f.text) != std::u16string_view::npos)
            best = f.list;
    }
    if (text.size() < size_t(kKeyLength))
        return best;
    const char16_t* s = text.data();
    quint64 key = pack(s);
    for (size_t i = 0; i + kKeyLength <= text.size(); ++i) {
        if (i > 0)
            key = (key << 16) | quint64(s[i + kKeyLength - 1]);
        const quint32 slot = filterSlot(key);
        if (!(m_filter[slot / 64] & (quint64(1) << (slot % 64))))
            continue;
        auto [from, to] = std::equal_range(m_keyed.begin(), m_keyed.end(), Keyed{key, 0});
        for (auto it = from; it != to; ++it) {
            const Fragment& f = m_fragments[size_t(it->fragment)];
            if (f.list > best && text.substr(i, f.text.size()) == f.text)
                best = f.list;
        }
        if (best == m_lastList)
            break; // nothing later can change the answer
    }
    return best;
}

QString ThreatClassifier::getThreatNameFor(QStringView path) const
{
    const int list = matchingList(path);
    return list < 0 ? QString() : QString::fromLatin1(kNameLists[size_t(list)].issue);
}

} // namespace trevalo
