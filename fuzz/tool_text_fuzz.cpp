// Every reader of a tool's text output (and of the text files read the same way) behind one target: the
// first byte of the input picks the reader, the rest is the output. Each reader's checks are properties
// its result keeps for any output. Seeds in corpus/tool_text begin with the letter of their reader.

#include "FuzzCheck.h"
#include "analyser/JobStopper.h"
#include "analyser/SignatureCodec.h"
#include "app/SystemFacts.h"
#include "platform/TextEscape.h"
#include "profile/ReportSources.h"
#include "profile/TextNumbers.h"
#include "tools/DiskTools.h"
#include "tools/FreeMemory.h"
#include "tools/NetworkAddresses.h"

#include <QSet>
#include <array>
#include <cctype>
#include <climits>

using namespace trevalo;
using trevalo::fuzz::require;

namespace {

bool oneOf(const QString& text, std::initializer_list<const char*> choices)
{
    for (const char* choice : choices) {
        if (text == QLatin1String(choice))
            return true;
    }
    return false;
}

/// The word a shell makes of a command line's word, when it is one word taken literally: backslashes
/// and single quotes removed as the shell removes them; nothing when a character would mean something
/// to the shell (it splits, expands, redirects or quotes) or the word is empty.
std::optional<QString> shellUnquote(QStringView word)
{
    static const QString special = QStringLiteral(" \t\n\\'\"`$&|;<>()*?[]#~{}!");
    QString out;
    bool any = false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar c = word[i];
        if (c == u'\\') {
            if (++i == word.size())
                return std::nullopt;
            if (word[i] != u'\n')
                out += word[i];
            any = true;
        } else if (c == u'\'') {
            const qsizetype end = word.indexOf(u'\'', i + 1);
            if (end < 0)
                return std::nullopt;
            out += word.mid(i + 1, end - i - 1);
            i = end;
            any = true;
        } else if (special.contains(c)) {
            return std::nullopt;
        } else {
            out += c;
            any = true;
        }
    }
    return any ? std::optional(out) : std::nullopt;
}

/// The text an AppleScript expression made of string literals joined by (character id N) stands for;
/// nothing when it is not only that.
std::optional<QString> appleScriptUnquote(QStringView expression)
{
    if (expression.startsWith(u'(') && expression.endsWith(u')'))
        expression = expression.mid(1, expression.size() - 2);
    static const QLatin1String join(" & (character id ");
    QString out;
    qsizetype i = 0;
    while (true) {
        if (i >= expression.size() || expression[i] != u'"')
            return std::nullopt;
        for (++i;; ++i) {
            if (i >= expression.size())
                return std::nullopt;
            const QChar c = expression[i];
            if (c == u'"')
                break;
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                return std::nullopt; // a control character only ever stands escaped or joined
            if (c != u'\\') {
                out += c;
                continue;
            }
            if (++i >= expression.size())
                return std::nullopt;
            switch (expression[i].unicode()) {
            case '\\':
            case '"':
                out += expression[i];
                break;
            case 'n':
                out += u'\n';
                break;
            case 'r':
                out += u'\r';
                break;
            case 't':
                out += u'\t';
                break;
            default:
                return std::nullopt;
            }
        }
        if (++i == expression.size())
            return out;
        if (!expression.mid(i).startsWith(join))
            return std::nullopt;
        i += join.size();
        const qsizetype close = expression.indexOf(u')', i);
        bool isNumber = false;
        const uint code = close < 0 ? 0 : expression.mid(i, close - i).toUInt(&isNumber);
        if (!isNumber || code > 0xFFFF)
            return std::nullopt;
        out += QChar(char16_t(code));
        i = close + 1;
        if (!expression.mid(i).startsWith(QLatin1String(" & ")))
            return std::nullopt;
        i += 3;
    }
}

CommandRunner::Result finished(const QByteArray& output)
{
    CommandRunner::Result result;
    result.started = true;
    result.exitStatus = 0;
    result.output = output;
    return result;
}

void swVers(const QByteArray& bytes)
{
    const QString output = QString::fromUtf8(bytes);
    if (const std::optional<facts::OsVersionTitles> titles = facts::osVersionTitles(output)) {
        require(titles->osxTitle == QStringLiteral("OSX:  ") + titles->version, "the title shows the version",
                titles->osxTitle);
        require(output.contains(titles->version) && output.contains(titles->buildTitle.mid(7)),
                "the version and the build come from the output", output);
        require(output.contains(u"ProductVersion") && output.contains(u"BuildVersion"),
                "both lines are there");
        facts::hasSip(titles->version);
    }
}

void uptime(const QByteArray& bytes)
{
    const QString output = QString::fromUtf8(bytes);
    if (const std::optional<QString> title = facts::uptimeTitle(output)) {
        require(title->startsWith(u"Uptime: ") && output.contains(title->mid(8)),
                "the time comes from the output", *title);
        require(!title->mid(8).contains(u"user", Qt::CaseInsensitive), "the time ends before the users",
                *title);
    }
}

void csrutil(const QByteArray& bytes)
{
    const QString output = QString::fromUtf8(bytes);
    const QString title = facts::sipTitle(output);
    require(oneOf(title, {"   SIP:     ON", "   SIP:     OFF"}), "a SIP title", title);
    require(title.endsWith(u"OFF") || output.contains(u"enabled."), "ON only for an enabled status", output);
    const QString sip = reportsources::sipLine(output);
    require(sip == (output.contains(u"ON") ? QStringLiteral("System Integrity Protection: enabled.")
                                           : QStringLiteral("System Integrity Protection: disabled.")),
            "a SIP line", sip);
}

void diskutilList(const QByteArray& bytes)
{
    const QString output = QString::fromUtf8(bytes);
    const QString title = facts::recoveryDiskTitle(output);
    require(oneOf(title, {"Recovery Disk: YES", "Recovery Disk: NO"}), "a recovery title", title);
    require(title.endsWith(u"NO") || output.contains(u"Recovery"), "YES only with a recovery volume", output);
    const QString trim = facts::trimTitle(output);
    require(oneOf(trim, {"   TRIM:  ON", "   TRIM:  OFF"}), "a TRIM title", trim);
}

void firewall(const QByteArray& bytes)
{
    const QString output = QString::fromUtf8(bytes);
    const std::optional<bool> blocks = facts::firewallBlocks(output);
    require(blocks.has_value() == (output.contains(u"Mode") && output.size() - output.indexOf(u"Mode") >= 20),
            "a mode is read where the output has one", output);
}

void bluetooth(const QByteArray& bytes)
{
    const QString output = QString::fromUtf8(bytes);
    const QString info = reportsources::blueToothInfo(output);
    require(!info.isEmpty(), "an empty part shows as a blank");
    require(info == u" " || info.startsWith(u"Bluetooth Low Energy") || info.startsWith(u"Bluetooth Power"),
            "what is shown is a part", info);
    if (info.startsWith(u"Bluetooth Low Energy"))
        require(output.contains(u"Manuf"), "the Low Energy part ends before Manuf", info);
    require(info == u" " || info.size() <= output.size() + 1, "the parts come from the output", info);
}

void hardware(const QByteArray& bytes)
{
    const QString output = QString::fromUtf8(bytes);
    if (const std::optional<QStringList> lines = facts::hardwareLines(output)) {
        require(lines->size() == 12, "twelve lines");
        for (const QString& line : *lines)
            require(!line.contains(u'\n') && output.contains(line), "each line is one of the output", line);
    }
}

void launchctlList(const QByteArray& bytes)
{
    const QString output = QString::fromUtf8(bytes);
    const QStringList lines = jobLinesToStop(output);
    require(lines.size() <= output.count(u'\n') + 1, "no more jobs than lines");
    for (const QString& line : lines) {
        require(!line.contains(u'\n') && output.contains(line), "a job line is a line of the output", line);
        require(line.contains(u"mackeeper", Qt::CaseInsensitive) ||
                    line.contains(u"macbooster", Qt::CaseInsensitive),
                "only the products' jobs", line);
        require(!line.contains(u"apple", Qt::CaseInsensitive) &&
                    !line.contains(u"Trevalo", Qt::CaseInsensitive),
                "never an excluded job", line);
        if (const std::optional<QString> label = jobLabelFromLine(line))
            require(line.endsWith(*label) && !label->isEmpty() && line.size() > label->size() &&
                        line.at(line.size() - label->size() - 1) == u'\t',
                    "the label ends the line after a tab", line);
    }
}

void wcHosts(const QByteArray& bytes)
{
    const QString output = QString::fromUtf8(bytes);
    const QString line = reportsources::hostsLine(output);
    require(line.startsWith(u"/etc/hosts -count: ") && line.endsWith(u"\n\n"), "the line's frame", line);
    bool isNumber = false;
    line.mid(19, line.size() - 21).toInt(&isNumber);
    require(isNumber, "the count is a number", line);
    if (!output.contains(u'/'))
        require(line == u"/etc/hosts -count: 0\n\n", "no path, no count", line);
}

void spctl(const QByteArray& bytes)
{
    static const QSet<QString> gatekeeperLines{
        QStringLiteral("Gatekeeper status: disabled. Caution! Allowing apps downloaded from anywhere."),
        QStringLiteral("Gatekeeper status: enabled for App Store only."),
        QStringLiteral("Gatekeeper status: enabled for App Store and identified developers."),
    };
    const QString gatekeeper = reportsources::gatekeeperLine(QString::fromUtf8(bytes));
    require(gatekeeperLines.contains(gatekeeper), "a Gatekeeper line", gatekeeper);
    require(reportsources::gatekeeperLine(std::nullopt) == u" ", "no result is a blank");
}

/// The unmounted volumes the mount script lists: each becomes a menu item, and its title reaches the
/// shell and AppleScript as the one name it is.
void unmountedVolumes(const QByteArray& bytes)
{
    const QString result = QString::fromUtf8(bytes);
    const QList<VolumeMenuEntry> entries = mountMenuEntries(result);
    require(!entries.isEmpty() && entries.size() <= qMax<qsizetype>(1, result.count(u',')),
            "one item per listed volume, or the placeholder");
    for (const VolumeMenuEntry& entry : entries) {
        const QString name = volumeNameOfTitle(entry.title);
        const QString line = mountCommandLine(entry.title);
        require(line.startsWith(u"diskutil mount "), "the mount line", line);
        require(shellUnquote(QStringView(line).mid(15)) == name, "the shell sees the name as one word", line);
        const QString eject = ejectScript(entry.title, 1);
        const QString head =
            QStringLiteral("try\ntell application \"Finder\" to eject every disk whose name is ");
        require(eject.startsWith(head) && eject.endsWith(u"\nend try"), "the eject script", eject);
        const QStringView literal = QStringView(eject).mid(head.size(), eject.size() - head.size() - 8);
        require(appleScriptUnquote(literal) == name, "AppleScript sees the name as it is", eject);
    }
}

void groupFile(const QByteArray& bytes)
{
    const QString text = QString::fromUtf8(bytes);
    for (const QString& user : {QStringLiteral("robin"), QStringLiteral("root"), QString()}) {
        if (facts::isAdmin(user, text))
            require(!user.isEmpty() && text.contains(user) && text.contains(u"admin"),
                    "a member is named in the admin group", text);
    }
}

/// The Finder setting: the decision, and the order it rests on, which must be one.
void finderSetting(const QByteArray& bytes)
{
    const QString output = QString::fromUtf8(bytes);
    const facts::InvisibleFilesDecision decision = facts::invisibleFilesDecision(output);
    require(!decision.rewriteValue || oneOf(*decision.rewriteValue, {"0", "1"}), "only 0 or 1 is written");
    const qsizetype split = output.indexOf(u'\n');
    const QString a = output.left(split < 0 ? output.size() / 2 : split);
    const QString b = output.mid(a.size());
    const int ab = facts::compareNumeric(a, b);
    require(ab == -facts::compareNumeric(b, a), "the order is antisymmetric", output);
    require(facts::compareNumeric(a, a) == 0, "a text orders with itself", a);
    require(ab != 0 || a == b || a.contains(u'0') || b.contains(u'0'),
            "texts order equal only when they are equal up to leading zeros", output);
}

/// A signature file: the decoded text holds only allowed characters, encodes back to what decodes to it,
/// and the bytes decode as their text does.
void signatureFile(const QByteArray& bytes)
{
    const DecodedText decoded = decodeBytes(bytes);
    const QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() == bytes) {
        const DecodedText fromText = decodeText(text);
        require(fromText.text == decoded.text && fromText.skipped == decoded.skipped,
                "bytes and text decode alike", text);
    }
    require(decoded.skipped >= 0 && decoded.text.size() <= bytes.size(), "decoded counts are bounded");
    for (const char32_t code : decoded.text.toUcs4())
        require(isSignatureCharacter(code), "only allowed characters", decoded.text);
    const DecodedText again = decodeText(encode(decoded.text));
    require(again.text == decoded.text && again.skipped == 0, "the decoded text encodes back", decoded.text);
    for (const QString& entry : entries(decoded.text))
        require(!entry.isEmpty() && !entry.contains(u',') && entry == entry.trimmed(), "an entry is trimmed",
                entry);
    const ParsedList list = parseSignatureList(text);
    for (const ListEntry& entry : list.entries)
        require(!entry.entry.contains(u',') && !entry.family.isEmpty() && !entry.source.isEmpty() &&
                    entry.line >= 1 && entry.line <= text.count(u'\n') + 1,
                "a list entry is whole", entry.entry);
}

/// Numbers read as the old integer value read them: a value needs a digit, and reads the same however
/// much text follows.
void numbers(const QByteArray& bytes)
{
    const QString text = QString::fromUtf8(bytes);
    const std::optional<qint64> value = readIntValue(text);
    bool digit = false;
    for (const QChar c : text)
        digit = digit || (c >= u'0' && c <= u'9');
    require(digit || !value, "no digit, no value", text);
    const int leading = leadingInt(text);
    require(leadingInt(text + QStringLiteral("x9")) == leading, "what follows the number changes nothing",
            text);
    if (value && *value >= INT_MIN && *value <= INT_MAX && !text.trimmed().startsWith(u'+'))
        require(leading == *value || text.contains(u'\n') || text.contains(u'\r'), "the two readers agree",
                text);
}

/// The memory, router and local address scripts' outputs.
void scriptResults(const QByteArray& bytes)
{
    const CommandRunner::Result result = finished(bytes);
    const QString memory = memoryLine(result);
    require(memory.size() <= bytes.size(), "the memory line comes from the output", memory);
    const QString gateway = gatewayText(result);
    require(!gateway.trimmed().isEmpty(), "the router field is never blank", gateway);
    localAddressText(result);
    if (isIpAddress(bytes)) {
        require(bytes.size() <= kMaxAddressBytes, "an address is short");
        for (const char c : bytes)
            require(std::isxdigit(uchar(c)) || c == '.' || c == ':',
                    "an address holds its notation's characters", QString::fromLatin1(bytes));
    }
}

using Reader = void (*)(const QByteArray&);
constexpr std::array<Reader, 16> kReaders{
    swVers,           // a
    uptime,           // b
    csrutil,          // c
    diskutilList,     // d
    firewall,         // e
    bluetooth,        // f
    hardware,         // g
    launchctlList,    // h
    wcHosts,          // i
    spctl,            // j
    unmountedVolumes, // k
    groupFile,        // l
    finderSetting,    // m
    signatureFile,    // n
    numbers,          // o
    scriptResults,    // p
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t reader = uint8_t(data[0] - 'a') % kReaders.size();
    kReaders[reader](QByteArray(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1)));
    return 0;
}
