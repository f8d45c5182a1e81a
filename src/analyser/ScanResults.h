#pragma once

#include <QMap>
#include <QString>

namespace trevalo {

/// Results of the last Analyser scan, shared with the Analyser window.
struct ScanResults {
    /// Found path to item name (the path's last component). Keyed by path, so that two found items
    /// with the same name each keep their row. The name is the one outside callers know it by.
    QMap<QString, QString> appDict;
    QMap<QString, QString> threats; ///< found path to issue name; no entry for "n/a"
    bool haveBackup = false;
};

} // namespace trevalo
