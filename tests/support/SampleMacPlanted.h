#pragma once

#include <QStringList>

namespace trevalo::test {

/// What the planted items are listed as, in the table's order.
inline const QStringList kPlanted = {
    "Dock Master Helper.app\tn/a\t/Applications/Dock Master Helper.app", // found by identifier only
    "Genieo\tAdware\t/Applications/Genieo",
    "Genieo.app\tAdware\t/Applications/Genieo.app",
    "iMunizator.app\tPerformance\t/Applications/iMunizator.app",
    "com.apple.questd\tMalware\t/Library/AppQuest/com.apple.questd",
    "logKext\tKeylogger\t/Library/Application Support/logKext",
    "logKextKeymap.plist\tKeylogger\t/Library/Application Support/logKext/logKextKeymap.plist",
    "Flash Player.plugin\tDetritus\t/Library/Internet Plug-Ins/Flash Player.plugin",
    // The Mac's own Oracle Java plug-in, which no browser loads any more: rightly found too.
    "JavaAppletPlugin.plugin\tDetritus\t/Library/Internet Plug-Ins/JavaAppletPlugin.plugin",
    "com.genieo.completer.update.plist\tAdware\t/Library/LaunchAgents/com.genieo.completer.update.plist",
    "com.oracle.java.Java-Updater.plist\tDetritus\t/Library/LaunchAgents/com.oracle.java.Java-Updater.plist",
    "com.apple.questd.plist\tMalware\t/Library/LaunchDaemons/com.apple.questd.plist",
    "com.mackeeper.AntiVirus.plist\tPerformance\t/Library/LaunchDaemons/com.mackeeper.AntiVirus.plist",
    "logKext.plist\tKeylogger\t/Library/LaunchDaemons/logKext.plist",
    "JavaControlPanel.prefPane\tDetritus\t/Library/PreferencePanes/JavaControlPanel.prefPane",
    "com.genieo.completer.update.plist\tAdware\t/Users/robin/Library/LaunchAgents/"
    "com.genieo.completer.update.plist",
    ".3FAD0F65-FC6E-4889-B975-B96CBF807B78\tPerformance\t/Users/robin/Library/Preferences/"
    ".3FAD0F65-FC6E-4889-B975-B96CBF807B78",
    "Omnibar.safariextz\tAdware\t/Users/robin/Library/Safari/Extensions/Omnibar.safariextz",
    // A $TEMP entry, in the folder the Mac's getconf names.
    "MacKeeperOffers\tPerformance\t/var/folders/7k/h3b4qmx91z2d5wfv0c8n_l6r0000gn/T/MacKeeperOffers",
};

} // namespace trevalo::test
