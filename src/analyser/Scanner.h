#pragma once

#include "analyser/ScanResults.h"
#include "platform/Services.h"

#include <QString>
#include <QVector>

namespace trevalo {

class SignatureSource;

/// One found item: a row of the Analyser table.
struct ScanRow {
    QString name;  ///< the path's last component
    QString issue; ///< null when no name list matches (the table shows "n/a")
    QString path;  ///< the macOS path
};

struct ScanOutcome {
    QVector<ScanRow> rows; ///< one per found path, in the order of the location list
    bool haveBackup = false;
    /// What could not be checked (a folder that cannot be read, Spotlight or Time Machine that could not
    /// be asked): without these, "nothing found" would read as "nothing there".
    QStringList warnings;
};

/// The Analyser scan: checks every scan location for existence, leaves out what the user ignored,
/// classifies the rest by the name lists and probes for a backup.
///
/// Two things differ from the scan this program grew from, on purpose: an ignored path hides only an
/// item at exactly that path (ignoring case), never one whose path merely occurs inside the ignored
/// paths; and every found path keeps its own row, even when two share a last component.
class Scanner {
public:
    Scanner(const Services& services, SignatureSource& signatures);

    /// Runs the whole scan. Reads the signature files anew, each once.
    ScanOutcome analyser();

    /// The macOS path a location entry stands for, or a null text (an application that is not
    /// installed). Rules, in order: an entry holding "~" is the home folder joined with what follows
    /// the "~" and its next character; an entry starting with "$TEMP" is the temporary folder followed
    /// by what follows "$TEMP" and its next character; anything not starting with "/" or "~/" is an
    /// application's bundle identifier.
    QString pathForLocation(const QString& entry) const;

    /// True when any sign of a backup is there: Time Machine names a latest backup, or Carbon Copy
    /// Cloner, SuperDuper! or the Time Machine preferences exist.
    bool hasBackup() { return probeBackup().found; }

    /// The last path component ("/" for the root folder itself).
    static QString getItemNameFor(const QString& path);

private:
    struct BackupProbe {
        bool found = false;
        bool timeMachineUnknown = false; ///< Time Machine could not be asked: no answer, not "none"
    };
    BackupProbe probeBackup();
    bool exists(const QString& macPath) const;
    /// Appends the host path of a macOS path, as the file system wants it.
    void appendHostPath(QByteArray& out, QStringView macPath) const;

    Services m_services;
    SignatureSource& m_signatures;
    mutable int m_failedLookups = 0; // identifiers Spotlight could not be asked about, this scan
    QByteArray m_hostRoot;           // the root's folder on the host; empty for the machine itself
};

/// Puts a scan's outcome into the shared results the way a scan does: the item map is replaced, the
/// issue map is updated path by path (a found path without an issue loses its entry), the backup flag
/// is set.
void applyScan(const ScanOutcome& outcome, ScanResults& results);

/// The Analyser window's Ignore: appends the path to the whitelist as it is stored now, so entries added
/// meanwhile by another process stay. False when the settings cannot be written (Settings::errorString()).
bool addToWhitelist(Settings& settings, const QString& path);
/// The Analyser window's Reset: stores an empty whitelist. False when the settings cannot be written.
bool resetWhitelist(Settings& settings);

} // namespace trevalo
