#pragma once

#include <QString>
#include <QStringList>
#include <optional>

/// The status menu's facts: each function turns the raw output of one tool (or one figure) into the
/// title or state its menu item shows. They work on the raw text, blanks and line feeds included, because
/// the menu titles keep them. Where a tool's output is malformed and the menu should keep the item's
/// title unchanged, the function returns nullopt.
namespace trevalo::facts {

struct OsVersionTitles {
    QString osxTitle;   ///< "OSX:  " + version
    QString buildTitle; ///< "Build: " + build
    QString version;    ///< the version text kept as `theOSFinal` (leading tab(s) and line feed kept)
};
/// `sw_vers` output. The version and the build come from their own lines, so that the extra line of a
/// rapid security response (ProductVersionExtra) does not shift them. Each value keeps the blanks after
/// its colon and its line feed, the form the titles have always had. Nullopt without both lines.
std::optional<OsVersionTitles> osVersionTitles(const QString& swVersOutput);

/// Whether the System Integrity Protection item belongs in the menu: OS X 10.10 has no such protection.
bool hasSip(const QString& theOSFinal);

/// `system_profiler SPHardwareDataType`: the twelve lines at zero-based indices 5 to 16 (the pieces
/// between line feeds), unchanged. Nullopt when the output has fewer than 17 pieces.
std::optional<QStringList> hardwareLines(const QString& systemProfilerOutput);

/// "Disk:      %@" with the start-up volume's display name.
QString bootDiskTitle(const QString& displayName);

/// `diskutil list`: "Recovery Disk: YES" when any disk lists a volume or partition named Recovery.
QString recoveryDiskTitle(const QString& diskutilListOutput);

/// `system_profiler SPSerialATADataType | grep -i trim`: "   TRIM:  ON" or "   TRIM:  OFF".
QString trimTitle(const QString& output);

/// `csrutil status`: "   SIP:     ON" only for the plain "enabled." status; a custom configuration is OFF.
QString sipTitle(const QString& csrutilOutput);

/// `uptime`: "Uptime: %@" with the text between "up" and the last comma before the user count.
/// Nullopt without "up", without "user" after it, or without a comma before that.
std::optional<QString> uptimeTitle(const QString& uptimeOutput);

/// The Folder Actions script's result: "Folder Actions: enabled" or "Folder Actions: disabled".
QString folderActionsTitle(const QString& osascriptOutput);

/// `system_profiler SPFirewallDataType`: true when the firewall blocks (its mode does not allow all).
/// Nullopt without "Mode" or with fewer than 20 characters from it.
std::optional<bool> firewallBlocks(const QString& systemProfilerFirewallOutput);

/// "User:       %@ (Admin)" or "User:       %@".
QString userTitle(const QString& displayName, bool isAdmin);

/// Whether `userName` is a member of the group "admin" in a POSIX group file ("admin:*:80:root,robin").
/// A missing group means no.
bool isAdmin(const QString& userName, const QString& groupFileText);

/// The user Library script's result (the `ls -aOl` line of ~/Library): marked unless it shows "hidden".
bool userLibraryVisible(const QString& osascriptOutput);

/// Dock size as the script prints it: the "minimum size" item is marked when the number is not above 0.
bool dockMini(const QString& osascriptOutput);
/// Dock autohide as the script prints it: "true\n" marks the item.
bool dockHiding(const QString& osascriptOutput);
enum class DockEdge { Left, Right, Bottom };
/// Dock screen edge as the script prints it, told apart by length ("left\n", "right\n", "bottom\n");
/// nullopt for any other length, which leaves the three items as they were.
std::optional<DockEdge> dockEdge(const QString& osascriptOutput);

struct InvisibleFilesDecision {
    bool marked = false;
    /// The value to write back with callDefaultsTask (which restarts the Finder), if any.
    std::optional<QString> rewriteValue;
    /// " Invisible Files" when the item's title is to be set; the true/false branch leaves it alone.
    std::optional<QString> title;
};
/// `defaults read com.apple.finder AppleShowAllFiles`. A value stored as text true or false is normalised
/// to 1 or 0. Any other output is compared with "1" in numeric order: after it ("1\n", the usual form)
/// marks, before it ("0\n", or nothing) unmarks, and exactly "1" is written back as 0 and unmarks.
InvisibleFilesDecision invisibleFilesDecision(const QString& defaultsOutput);

struct SpaceTitles {
    QString size; ///< "   -size  %.2f GB"
    QString used; ///< "   -used %.2f%"
    QString free; ///< "   -free  %.2f GB"
};
/// The start-up volume's three figures: size and free space in GB, used share in percent.
SpaceTitles spaceTitles(double t, double percent, double f);

/// The status item's text for "menubaricon": 2 the used percentage ("63.27%"), 1 the free space
/// ("12.3 GB"), anything else none.
QString menuBarTitle(int mode, double percent, double f);

/// " Last run: %@" with the stored last run.
QString lastRunTitle(const QString& text);

/// Compares two texts as the Finder setting's rule does: runs of digits by their numeric value, every
/// other character by its code; a text that is a prefix of the other orders first. Negative, zero or
/// positive as `a` orders before, with or after `b`.
int compareNumeric(const QString& a, const QString& b);

} // namespace trevalo::facts
