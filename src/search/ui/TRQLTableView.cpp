#include "search/ui/TRQLTableView.h"

#include <QKeyEvent>

namespace trevalo {

void TRQLTableView::keyPressEvent(QKeyEvent* event)
{
    // The characters of the key, whatever modifiers are held: a single blank is the space bar.
    if (event->text() == QLatin1String(" ") || event->key() == Qt::Key_Space) {
        emit togglePreviewPanel();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

} // namespace trevalo
