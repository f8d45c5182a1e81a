#pragma once

#include <QMap>
#include <QString>

namespace trevalo {

/// Results of the last Analyser scan, shared with the Analyser window.
struct ScanResults {
    /// Found path to item name (the path's last component): the delegate's "appDict". Keyed by path,
    /// so that two found items with the same name each keep their row.
    QMap<QString, QString> foundItems;
    QMap<QString, QString> issues; ///< found path to issue name ("threats"); no entry for "n/a"
    bool haveBackup = false;
};

} // namespace trevalo
