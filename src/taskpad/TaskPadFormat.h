#pragma once

#include "taskpad/ListItem.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <memory>
#include <optional>

namespace trevalo {

class Archiver;
class Unarchiver;

/// Tasks nest at most this deep (a top-level task is level 1). Deeper files are refused, and the
/// outline adds or moves no task below it, so every file written here can be read again.
inline constexpr int kMaxTaskDepth = 100;

/// The tasks of a task pad file: the children of `root`, an item that is never shown or saved.
struct TaskPadContent {
    std::unique_ptr<ListItem> root = std::make_unique<ListItem>(QString());
    /// The archive's root was null rather than a list.
    bool rootAbsent = false;
};

/// Reads a task pad file: a keyed archive whose root is a list of "ListItem" objects. Nothing, with a
/// one-line reason in `error`, when the bytes are not such an archive or break any of its rules: a
/// reference outside the archive or to the wrong kind of object, a task listed twice or inside itself,
/// tasks nested deeper than kMaxTaskDepth, a note whose styles do not cover its text.
std::optional<TaskPadContent> readTaskPad(const QByteArray& bytes, QString& error);

/// Writes the tasks below `root` as a task pad file. Each item's remaining-days text is computed at
/// `now` as it is written.
QByteArray writeTaskPad(ListItem& root, const QDateTime& now,
                        const QTimeZone& zone = QTimeZone::systemTimeZone());

/// A note (an NSAttributedString) inside an archive; nothing, with the reason in `error`, when the
/// object is not one that can be read without loss.
std::optional<StyledText> readNote(const Unarchiver& archive, quint64 reference, QString& error);
/// Writes a note into an archive and returns its reference: as the file held it while it is unchanged,
/// else as a new NSMutableAttributedString.
quint64 writeNote(Archiver& archive, const StyledText& note);

/// Archives whose root is a note, as the field's attributed strings are.
std::optional<StyledText> readNoteArchive(const QByteArray& bytes, QString& error);
QByteArray writeNoteArchive(const StyledText& note);

} // namespace trevalo
