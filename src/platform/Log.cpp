#include "platform/Log.h"

#include <QFile>
#include <QMutex>
#include <syslog.h>

namespace trevalo {

QString logPrefix(const char* function, int line)
{
    return QString::asprintf("%s [Line %d] ", function, line);
}

void writeLog(const QString& line)
{
    static QMutex mutex;
    const QByteArray bytes = line.toUtf8();
    QMutexLocker lock(&mutex);
    syslog(LOG_NOTICE, "%s", bytes.constData());
    const QString file = qEnvironmentVariable("TREVALO_LOG");
    if (file.isEmpty())
        return;
    QFile f(file);
    if (f.open(QIODevice::Append | QIODevice::WriteOnly))
        f.write(bytes + '\n');
}

} // namespace trevalo
