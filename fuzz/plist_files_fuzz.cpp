// The files the program reads as property lists and keyed archives, every one over the same bytes: the
// settings file, the installer history, a task pad and a note's archive. What a reader accepts it must
// write back in a form it reads again to the same values; what it refuses it refuses with a reason.

#include "FuzzCheck.h"
#include "platform/PlistFormat.h"
#include "profile/ReportSources.h"
#include "taskpad/TaskPadFormat.h"

using namespace trevalo;
using trevalo::fuzz::require;

namespace {

/// The settings file: a property list read and saved again is the same once saved. A value of a kind
/// the settings never hold (a keyed archive's reference) reads as no value and is saved as an empty text.
void settings(const QByteArray& bytes)
{
    const std::optional<QVariant> value = plistToVariant(bytes);
    if (!value)
        return;
    const QByteArray saved = variantToXmlPlist(*value);
    const std::optional<QVariant> reread = plistToVariant(saved);
    require(reread.has_value(), "what was saved reads again", QString::fromUtf8(saved));
    require(!value->isValid() || reread->typeId() == value->typeId() ||
                value->typeId() == QMetaType::QStringList || reread->typeId() == QMetaType::QStringList,
            "the saved value keeps its type", QString::fromUtf8(saved));
    require(variantToXmlPlist(*reread) == saved, "saving again changes nothing", QString::fromUtf8(saved));
}

void installerHistory(const QByteArray& bytes)
{
    const QStringList lines = reportsources::installerHistoryLines(bytes);
    require(lines.size() <= 15, "at most the last 15 entries");
    for (const QString& line : lines)
        require(line.contains(u" installed on "), "each line names an installation", line);
}

/// A task pad: tasks that were read can be written and read again; a refusal always says why.
void taskPad(const QByteArray& bytes)
{
    QString error;
    if (std::optional<TaskPadContent> content = readTaskPad(bytes, error)) {
        const QDateTime now = QDateTime::fromSecsSinceEpoch(1780000000, QTimeZone::utc());
        const QByteArray written = writeTaskPad(*content->root, now, QTimeZone::utc());
        QString again;
        require(readTaskPad(written, again).has_value(), "a task pad written reads again", again);
    } else {
        require(!error.isEmpty(), "a refusal says why");
    }
    if (!readNoteArchive(bytes, error))
        require(!error.isEmpty(), "a note's refusal says why");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy: notes read from a file keep its bytes.
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    settings(bytes);
    installerHistory(bytes);
    taskPad(bytes);
    return 0;
}
