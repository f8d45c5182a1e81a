#pragma once

#include <QString>

namespace trevalo {

/// A field of line-oriented output, so that one row stays one line whatever a file or tool name holds:
/// backslash, tab, line feed and carriage return as \\, \t, \n and \r, any other control character
/// (C0, DEL, C1) as \xHH.
QString escapeField(const QString& field);

/// An AppleScript expression for a text, so that no name from the disk can end its literal and become
/// script, nor change on the way: a string literal with backslash, double quote, line feed, carriage
/// return and tab escaped; any other control character, which a literal cannot spell, joined in as
/// (character id N). Plain text gives a plain literal: "Macintosh HD".
QString appleScriptString(const QString& text);

/// A text as one word of a shell command line, taken literally: a backslash before each character the
/// shell treats specially outside quotes (a blank gives "\ "), or, for a text holding a line feed (which
/// a backslash would remove) or is empty, the whole text in single quotes.
QString shellWord(const QString& text);

/// A text for the inside of a shell's double quotes, taken literally: a backslash before the double
/// quote, the backslash, the dollar sign and the backquote. What the text means to the tool it reaches (a
/// find pattern, a grep expression) stays.
QString doubleQuotedContent(const QString& text);

} // namespace trevalo
