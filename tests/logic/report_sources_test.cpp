#include "platform/PlistFormat.h"
#include "profile/ReportSources.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <QTimeZone>
#include <ctime>
#include <gtest/gtest.h>

using namespace trevalo;
using namespace trevalo::reportsources;

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Gatekeeper, SIP and the installer check ---------------------------------------------------------------

TEST(ReportSources, GatekeeperLineFromSpctl)
{
    const QString disabled = "Gatekeeper status: disabled. Caution! Allowing apps downloaded from anywhere.";
    const QString appStore = "Gatekeeper status: enabled for App Store only.";
    const QString identified = "Gatekeeper status: enabled for App Store and identified developers.";
    const struct Case {
        const char* name;
        std::optional<QString> result;
        QString line;
    } cases[] = {
        {"no result", std::nullopt, " "},
        {"assessments disabled", "assessments disabled\n", disabled},
        {"DISABLED in capitals still matches", "assessments DISABLED\ndeveloper id enabled\n", disabled},
        {"disabled wins over developer id", "assessments disabled\ndeveloper id disabled\n", disabled},
        {"enabled", "assessments enabled\ndeveloper id enabled\n", identified},
        {"developer id disabled", "assessments enabled\ndeveloper id disabled\n", appStore},
        // Only the lower-case words match the App Store only line.
        {"Developer ID in capitals", "assessments enabled\nDeveloper ID disabled\n", identified},
        // An empty result is still a result: only a missing one is the blank.
        {"empty result", "", identified},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gatekeeperLine(c.result), c.line);
    }
}

TEST(ReportSources, SipLineFromTheStatusMenuTitle)
{
    const struct Case {
        const char* title;
        const char* line;
    } cases[] = {
        {"   SIP:     ON", "System Integrity Protection: enabled."},
        {"   SIP:     OFF", "System Integrity Protection: disabled."},
        {"   SIP:     on", "System Integrity Protection: disabled."}, // case matters
        {"   SIP:     ", "System Integrity Protection: disabled."},   // not read yet
    };
    for (const Case& c : cases)
        EXPECT_EQ(sipLine(c.title), c.line) << c.title;
}

TEST(ReportSources, InstallerCheckLine)
{
    EXPECT_EQ(installerCheckLine(false), "Installer check: OK.");
    EXPECT_EQ(
        installerCheckLine(true),
        "\nInstaller check: Scandril found a startup executable that should not normally be present after "
        "a successful OS upgrade. If your mac is exhibiting unexpected behaviour, please contact Quorvex "
        "Support for further help.");
}

// Sudoers ------------------------------------------------------------------------------------------------

/// Sets the process's local time zone for the life of the object.
class LocalZone {
public:
    explicit LocalZone(const char* zone) : m_had(qEnvironmentVariableIsSet("TZ")), m_old(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~LocalZone()
    {
        if (m_had)
            qputenv("TZ", m_old);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    bool m_had;
    QByteArray m_old;
};

/// Seconds since 1970 of a UTC date and time.
qint64 utcSeconds(int year, int month, int day, int hour, int minute, int second)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), QTimeZone::utc())
        .toSecsSinceEpoch();
}

TEST(ReportSources, SudoersDatesEqualOrModified)
{
    const LocalZone berlin("Europe/Berlin");
    const qint64 march = utcSeconds(2024, 3, 1, 8, 5, 7);
    const qint64 july = utcSeconds(2023, 7, 10, 22, 30, 0);
    const QString unchanged =
        "/etc/sudoers was created on 2024-03-01 09:05:07 +0100 and does not appear to have "
        "been modified since.";
    const QString alertSameSecond =
        "ALERT: /etc/sudoers has been modified since installation.\nIt was modified "
        "on 2024-03-01 09:05:07 +0100\n.It was created on 2024-03-01 09:05:07 +0100";
    const struct Case {
        const char* name;
        FileDates dates;
        QString text;
    } cases[] = {
        {"equal to the nanosecond", fileDatesFromEpoch(march, 123'456'789, march, 123'456'789), unchanged},
        {"half a millisecond apart", fileDatesFromEpoch(march, 123'456'789, march, 122'956'789),
         alertSameSecond},
        {"one nanosecond apart", fileDatesFromEpoch(march, 1, march, 0), alertSameSecond},
        {"a millisecond apart", fileDatesFromEpoch(march, 124'000'000, march, 123'000'000), alertSameSecond},
        // Each date shows its own offset: summer time in July, not the offset of the other date or of today.
        {"modified in another season", fileDatesFromEpoch(march, 0, july, 0),
         "ALERT: /etc/sudoers has been modified since installation.\nIt was modified on 2024-03-01 09:05:07 "
         "+0100\n.It was created on 2023-07-11 00:30:00 +0200"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sudoersText("/etc/sudoers", c.dates), c.text);
    }
}

TEST(ReportSources, SudoersDatesInAZoneBehindUniversalTime)
{
    const LocalZone newfoundland("America/St_Johns");
    const qint64 january = utcSeconds(2024, 1, 2, 3, 4, 5);
    EXPECT_EQ(
        sudoersText("/etc/sudoers", fileDatesFromEpoch(january, 0, january, 0)),
        "/etc/sudoers was created on 2024-01-01 23:34:05 -0330 and does not appear to have been modified "
        "since.");
}

TEST(ReportSources, SudoersDatesThatCouldNotBeRead)
{
    EXPECT_EQ(sudoersText("/etc/sudoers", std::nullopt), "The dates of /etc/sudoers could not be read.");
    EXPECT_EQ(sudoersText("/etc/sudoers", FileDates{}), "The dates of /etc/sudoers could not be read.");
}

// Installer history --------------------------------------------------------------------------------------

/// An installer history of `count` entries shaped like the system's: entry i (from 1) is "Update i",
/// installed on day i of 2024 at 09:05:07 UTC.
QByteArray installHistory(int count)
{
    QVariantList entries;
    for (int i = 1; i <= count; ++i) {
        entries << QVariantMap{
            {"date", QDateTime(QDate(2024, 1, 1).addDays(i - 1), QTime(9, 5, 7), QTimeZone::utc())},
            {"displayName", QStringLiteral("Update %1").arg(i)},
            {"displayVersion", QStringLiteral("1.%1").arg(i)},
            {"packageIdentifiers", QStringList{QStringLiteral("com.example.pkg.update%1").arg(i)}},
            {"processName", "softwareupdated"},
        };
    }
    return variantToXmlPlist(entries);
}

QString installHistoryLine(int i)
{
    return QStringLiteral("Update %1 installed on %2 09:05:07 +0000")
        .arg(i)
        .arg(QDate(2024, 1, 1).addDays(i - 1).toString(Qt::ISODate));
}

TEST(ReportSources, InstallerHistoryShowsTheLastFifteenOldestFirst)
{
    const struct Case {
        int count;
        int first; // the first entry shown; the last shown is always the last one
    } cases[] = {{0, 1}, {1, 1}, {15, 1}, {16, 2}, {40, 26}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        QStringList expected;
        for (int i = c.first; i <= c.count; ++i)
            expected << installHistoryLine(i);
        EXPECT_EQ(installerHistoryLines(installHistory(c.count)), expected);
    }
}

// A history captured on a Mac (macOS 10.15, five entries, one with an empty version).
constexpr char kCatalinaHistory[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<array>
	<dict>
		<key>contentType</key>
		<string>config-data</string>
		<key>date</key>
		<date>2019-10-07T20:09:37Z</date>
		<key>displayName</key>
		<string>XProtectPlistConfigData</string>
		<key>displayVersion</key>
		<string>2106</string>
		<key>packageIdentifiers</key>
		<array>
			<string>com.apple.pkg.XProtectPlistConfigData_10_15.16U4081</string>
		</array>
		<key>processName</key>
		<string>softwareupdated</string>
	</dict>
	<dict>
		<key>contentType</key>
		<string>config-data</string>
		<key>date</key>
		<date>2019-10-07T20:09:37Z</date>
		<key>displayName</key>
		<string>Gatekeeper Configuration Data</string>
		<key>displayVersion</key>
		<string>181</string>
		<key>packageIdentifiers</key>
		<array>
			<string>com.apple.pkg.GatekeeperConfigData.16U1873</string>
		</array>
		<key>processName</key>
		<string>softwareupdated</string>
	</dict>
	<dict>
		<key>contentType</key>
		<string>config-data</string>
		<key>date</key>
		<date>2019-10-07T20:09:37Z</date>
		<key>displayName</key>
		<string>MRTConfigData</string>
		<key>displayVersion</key>
		<string>1.50</string>
		<key>packageIdentifiers</key>
		<array>
			<string>com.apple.pkg.MRTConfigData_10_15.16U4082</string>
		</array>
		<key>processName</key>
		<string>softwareupdated</string>
	</dict>
	<dict>
		<key>date</key>
		<date>2019-10-09T02:37:33Z</date>
		<key>displayName</key>
		<string>Chef Infra Client</string>
		<key>displayVersion</key>
		<string></string>
		<key>packageIdentifiers</key>
		<array>
			<string>com.getchef.pkg.chef</string>
		</array>
		<key>processName</key>
		<string>installer</string>
	</dict>
	<dict>
		<key>date</key>
		<date>2019-10-09T02:47:02Z</date>
		<key>displayName</key>
		<string>Command Line Tools for Xcode</string>
		<key>displayVersion</key>
		<string>11.0</string>
		<key>packageIdentifiers</key>
		<array>
			<string>com.apple.pkg.CLTools_Executables</string>
			<string>com.apple.pkg.CLTools_SDK_macOS1015</string>
		</array>
		<key>processName</key>
		<string>softwareupdated</string>
	</dict>
</array>
</plist>
)";

TEST(ReportSources, InstallerHistoryOfRealFiles)
{
    EXPECT_EQ(installerHistoryLines(kCatalinaHistory),
              (QStringList{
                  "XProtectPlistConfigData installed on 2019-10-07 20:09:37 +0000",
                  "Gatekeeper Configuration Data installed on 2019-10-07 20:09:37 +0000",
                  "MRTConfigData installed on 2019-10-07 20:09:37 +0000",
                  "Chef Infra Client installed on 2019-10-09 02:37:33 +0000",
                  "Command Line Tools for Xcode installed on 2019-10-09 02:47:02 +0000",
              }));

    // The simulated Mac's history holds 20 entries: the 6th to the 20th are shown.
    const QStringList sample =
        installerHistoryLines(readFile(TREVALO_SAMPLE_MAC "/Library/Receipts/InstallHistory.plist"));
    ASSERT_EQ(sample.size(), 15);
    EXPECT_EQ(sample.first(), "Microsoft AutoUpdate installed on 2021-03-16 10:22:10 +0000");
    EXPECT_EQ(sample.last(), "XProtectPayloads installed on 2024-05-29 08:12:33 +0000");
}

TEST(ReportSources, InstallerHistoryThatIsMissingOrDamaged)
{
    const QByteArray real(kCatalinaHistory);
    const struct Case {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"missing file", QByteArray()},
        {"not a property list", "Install history\n"},
        {"cut off half way", real.left(real.size() / 2)},
        {"binary header, garbage after it", QByteArray("bplist00") + QByteArray(40, '\xff')},
        {"a dictionary at the top", variantToXmlPlist(QVariantMap{{"displayName", "Safari"}})},
        {"an array of texts", variantToXmlPlist(QStringList{"Safari", "2024-03-01"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(installerHistoryLines(c.bytes), QStringList());
    }
}

TEST(ReportSources, InstallerHistoryEntriesWithoutANameOrADate)
{
    const QDateTime date(QDate(2024, 3, 1), QTime(9, 5, 7), QTimeZone::utc());
    QVariantList entries{
        QVariantMap{{"displayName", "Old"}, {"date", date}},
        QVariantMap{{"date", date}},                             // no name
        QVariantMap{{"displayName", "No date"}},                 // no date
        QVariantMap{{"displayName", 7}, {"date", "2024-03-01"}}, // both of another type
        QStringLiteral("not a dictionary"),                      // counts for the window, shows nothing
        QVariantMap{{"displayName", "Safari"}, {"date", date}},
    };
    // Ten more ordinary entries: the window of 15 then starts at the second entry.
    for (int i = 0; i < 10; ++i)
        entries << QVariantMap{{"displayName", "Safari"}, {"date", date}};
    const QStringList lines = installerHistoryLines(variantToXmlPlist(entries));
    ASSERT_EQ(lines.size(), 14);
    EXPECT_EQ(lines[0], " installed on 2024-03-01 09:05:07 +0000");
    EXPECT_EQ(lines[1], "No date installed on ");
    EXPECT_EQ(lines[2], " installed on ");
    EXPECT_EQ(lines[3], "Safari installed on 2024-03-01 09:05:07 +0000");
}

// Bluetooth ----------------------------------------------------------------------------------------------

// The controller part of a capture from macOS 10.13.
constexpr char kHighSierraBluetooth[] = R"(Bluetooth:

      Apple Bluetooth Software Version: 6.0.7f11
      Hardware, Features, and Settings:
          Address: AA-00-BB-11-CC-22
          Bluetooth Low Energy Supported: Yes
          Handoff Supported: Yes
          Instant Hot Spot Supported: Yes
          Manufacturer: Broadcom
          Transport: UART
          Chipset: 1234
          Firmware Version: v00 c0000
          Bluetooth Power: On
          Auto Seek Pointing: On
          Remote wake: On
          Vendor ID: 0x0000
          Product ID: 0x0000
      Devices (Paired, Configured, etc.):
)";

// A capture from Mac OS X 10.6.8: no Low Energy.
constexpr char kSnowLeopardBluetooth[] = R"(Bluetooth:

      Apple Bluetooth Software Version: 2.4.5f3
      Hardware Settings:
          Address: 58-B0-35-8B-A2-D2
          Manufacturer: Broadcom
          Firmware Version: v186 c396
          Bluetooth Power: Off
          Discoverable: Yes
          Vendor ID: 0x5ac
          Product ID: 0x8213
)";

// The start of a capture from macOS 12 on Apple silicon, whose report has neither part.
constexpr char kMontereyBluetooth[] = R"(Bluetooth:

      Bluetooth Controller:
          Address: A0:78:17:81:3C:EC
          State: On
          Chipset: BCM_4378
          Discoverable: Off
          Firmware Version: 19.2.450.2295
          Product ID: 0x0001
          Transport: PCIe
          Vendor ID: 0x004C (Apple)
)";

TEST(ReportSources, BlueToothInfoTakesTheLowEnergyAndPowerParts)
{
    const QString lowEnergy = "Bluetooth Low Energy Supported: Yes\n          Handoff Supported: Yes\n"
                              "          Instant Hot Spot Supported: Yes\n          ";
    const QString power = "Bluetooth Power: On\n          Auto Seek Pointing: On\n          Remote wake: On\n"
                          "          ";
    const QString highSierra(kHighSierraBluetooth);
    const struct Case {
        const char* name;
        QString output;
        QString info;
    } cases[] = {
        {"both parts", highSierra, lowEnergy + "\n" + power},
        {"no Low Energy", kSnowLeopardBluetooth,
         "Bluetooth Power: Off\n          Discoverable: Yes\n          "},
        {"neither part", kMontereyBluetooth, " "},
        {"no Manuf: Low Energy left out", QString(highSierra).remove("Manufacturer: Broadcom\n"), power},
        // A "Manuf" before the phrase does not end it.
        {"Manuf only before Low Energy",
         "Manufacturer: Broadcom\n" + QString(highSierra).remove("Manufacturer: Broadcom\n"), power},
        {"no Vendor ID: power left out", QString(highSierra).remove("Vendor ID: 0x0000\n"), lowEnergy},
        {"no Bluetooth Power", QString(highSierra).remove("Bluetooth Power: On\n"), lowEnergy},
        {"empty output", "", " "},
        {"one character", "\n", " "},
        {"nothing recognised", "No information found.\n", " "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(blueToothInfo(c.output), c.info);
    }
}

TEST(ReportSources, BlueToothInfoOfTheSimulatedMac)
{
    const QString output =
        QString::fromUtf8(readFile(TREVALO_SAMPLE_MAC "/.sim/data/system_profiler/SPBluetoothDataType"));
    ASSERT_FALSE(output.isEmpty());
    EXPECT_EQ(
        blueToothInfo(output),
        "Bluetooth Low Energy Supported: Yes\n          Handoff Supported: Yes\n          Instant Hot Spot "
        "Supported: Yes\n          \nBluetooth Power: On\n          Discoverable: Off\n          "
        "Connectable: Yes\n          Auto Seek Pointing: On\n          Remote wake: On\n          ");
}

// Hosts --------------------------------------------------------------------------------------------------

TEST(ReportSources, HostsLineCountsWhatWcPrintedBeforeThePath)
{
    const struct Case {
        const char* output;
        int count;
    } cases[] = {
        {"      12 /etc/hosts\n", 12},
        {"\t 3 /private/etc/hosts\n", 3},
        {"", 0},     // wc failed: its error went to standard error
        {"12\n", 0}, // no path, no count
        {"wc: illegal option -- x\nusage: wc [-Lclmw] [file ...]\n", 0},
        {"wc: /etc/hosts: open: No such file or directory\n", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(hostsLine(c.output), QStringLiteral("/etc/hosts -count: %1\n\n").arg(c.count)) << c.output;
}

} // namespace
