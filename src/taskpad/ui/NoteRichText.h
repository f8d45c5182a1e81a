#pragma once

#include "taskpad/StyledText.h"

class QTextDocument;

namespace trevalo {

/// Puts a note into a rich-text document, as the notes pane shows it. Notes stay in their own form
/// until a pane shows one, so loading a task pad converts none.
void showNote(QTextDocument& document, const StyledText& note);

/// The note a rich-text document holds: its text and, per run, font family and size, bold, italic,
/// underline and text colour. Styles that a note cannot keep are dropped.
StyledText noteFromDocument(const QTextDocument& document);

} // namespace trevalo
