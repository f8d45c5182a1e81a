#pragma once

#include <QTableView>

namespace trevalo {

/// The results table: the space bar asks for the preview panel; every other key does what it does in
/// any table.
class TRQLTableView : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;

signals:
    void togglePreviewPanel();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace trevalo
