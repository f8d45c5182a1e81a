#include "profile/TextNumbers.h"

#include <algorithm>
#include <climits>

namespace trevalo {

int leadingInt(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    qint64 value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = std::min(value * 10 + (text[i].unicode() - u'0'), qint64(INT_MAX) + 1);
    return int(negative ? std::max(-value, qint64(INT_MIN)) : std::min(value, qint64(INT_MAX)));
}

} // namespace trevalo
