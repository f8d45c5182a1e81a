// Fuzz target for the task pad reader: whatever bytes a task pad file holds, reading them gives tasks
// or a refusal with a reason, never a crash, a hang or memory without bound; and tasks that were read
// can be written and read again. The same bytes are also read as a note's own archive.
//
// Seeds: fuzz/corpus/taskpad_reader (task pads written here and by python's plistlib, notes written on
// Macs).

#include "taskpad/TaskPadFormat.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace trevalo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy: notes read from a file keep its bytes.
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    if (std::optional<TaskPadContent> content = readTaskPad(bytes, error)) {
        const QDateTime now = QDateTime::fromSecsSinceEpoch(1780000000, QTimeZone::utc());
        const QByteArray written = writeTaskPad(*content->root, now, QTimeZone::utc());
        QString again;
        if (!readTaskPad(written, again))
            std::abort();
    } else if (error.isEmpty()) {
        std::abort(); // a refusal always says why
    }
    readNoteArchive(bytes, error);
    return 0;
}
