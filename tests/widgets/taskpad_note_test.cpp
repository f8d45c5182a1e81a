#include "taskpad/ui/NoteRichText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

using namespace trevalo;

/// Notes in and out of Qt rich text, as the notes pane shows and stores them.
class TaskPadNoteTest : public QObject {
    Q_OBJECT

    static TextStyle style(const QString& family, double size, bool bold, bool italic,
                           std::optional<TextColor> color = {}, bool underline = false)
    {
        TextStyle s;
        s.setFont(family, size, bold, italic);
        s.color = color;
        s.underline = underline;
        return s;
    }

private slots:
    void stylesSurviveTheEditor()
    {
        StyledText note;
        note.append("Heading", style("Helvetica Neue", 18, true, false));
        note.append("\nsecond line ", style("Menlo", 11, false, true, TextColor{0.8, 0.25, 0, 1}));
        note.append("underlined 🎨", style("Menlo", 11, false, false, {}, true));
        note.append("\n\nplain", {});
        QTextDocument document;
        showNote(document, note);
        QCOMPARE(document.toPlainText(), note.text());
        QCOMPARE(document.blockCount(), 4);

        QTextCursor cursor(&document);
        cursor.setPosition(2);
        QCOMPARE(cursor.charFormat().fontWeight(), int(QFont::Bold));
        QCOMPARE(cursor.charFormat().fontFamilies().toStringList(), QStringList{"Helvetica Neue"});
        QCOMPARE(cursor.charFormat().fontPointSize(), 18.0);

        const StyledText back = noteFromDocument(document);
        QCOMPARE(back.text(), note.text());
        QCOMPARE(back.runs(), note.runs());
        QVERIFY(!back.archived());
    }

    void aTypedNoteHasNoStyles()
    {
        QTextDocument document;
        document.setPlainText("first\nsecond");
        const StyledText note = noteFromDocument(document);
        QCOMPARE(note.text(), QStringLiteral("first\nsecond"));
        QCOMPARE(note.runs().size(), 1);
        QCOMPARE(note.runs()[0].style, TextStyle{});
    }
};

QTEST_MAIN(TaskPadNoteTest)
#include "taskpad_note_test.moc"
