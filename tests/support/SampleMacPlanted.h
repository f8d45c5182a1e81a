#pragma once

#include <QStringList>

namespace trevalo::test {

/// What the planted items are listed as, in the table's order.
inline const QStringList kPlanted = {
    "Dock Master Helper.app	n/a	/Applications/Dock Master Helper.app", // found by identifier only
    "Genieo	Adware	/Applications/Genieo",
    "Genieo.app	Adware	/Applications/Genieo.app",
    "iMunizator.app	Performance	/Applications/iMunizator.app",
    "com.apple.questd	Malware	/Library/AppQuest/com.apple.questd",
    "logKext	Keylogger	/Library/Application Support/logKext",
    "logKextKeymap.plist	Keylogger	/Library/Application Support/logKext/logKextKeymap.plist",
    "Flash Player.plugin	Detritus	/Library/Internet Plug-Ins/Flash Player.plugin",
    // The Mac's own Oracle Java plug-in, which no browser loads any more: rightly found too.
    "JavaAppletPlugin.plugin	Detritus	/Library/Internet Plug-Ins/JavaAppletPlugin.plugin",
    "com.genieo.completer.update.plist	Adware	/Library/LaunchAgents/com.genieo.completer.update.plist",
    "com.oracle.java.Java-Updater.plist	Detritus	/Library/LaunchAgents/com.oracle.java.Java-Updater.plist",
    "com.apple.questd.plist	Malware	/Library/LaunchDaemons/com.apple.questd.plist",
    "com.mackeeper.AntiVirus.plist	Performance	/Library/LaunchDaemons/com.mackeeper.AntiVirus.plist",
    "logKext.plist	Keylogger	/Library/LaunchDaemons/logKext.plist",
    "JavaControlPanel.prefPane	Detritus	/Library/PreferencePanes/JavaControlPanel.prefPane",
    "com.genieo.completer.update.plist	Adware	/Users/robin/Library/LaunchAgents/"
    "com.genieo.completer.update.plist",
    ".3FAD0F65-FC6E-4889-B975-B96CBF807B78	Performance	/Users/robin/Library/Preferences/"
    ".3FAD0F65-FC6E-4889-B975-B96CBF807B78",
    "Omnibar.safariextz	Adware	/Users/robin/Library/Safari/Extensions/Omnibar.safariextz",
    // A $TEMP entry, in the folder the Mac's getconf names.
    "MacKeeperOffers	Performance	/var/folders/7k/h3b4qmx91z2d5wfv0c8n_l6r0000gn/T/MacKeeperOffers",
};

} // namespace trevalo::test
