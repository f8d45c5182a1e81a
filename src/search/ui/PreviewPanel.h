#pragma once

#include "search/PreviewItem.h"

#include <QList>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;

namespace trevalo {

/// The preview panel: one selected hit at a time, with buttons to step through the others. Images are
/// scaled to the panel, text files show their beginning, anything else its icon, name, size and dates.
class PreviewPanel : public QWidget {
    Q_OBJECT
public:
    explicit PreviewPanel(QWidget* parent = nullptr);

    void setItems(QList<PreviewItem> items);
    int currentIndex() const { return m_index; }
    void showItem(int index);

    // What tests look at.
    QLabel* imageView() const { return m_image; }
    QPlainTextEdit* textView() const { return m_text; }
    QLabel* infoView() const { return m_info; }
    QStackedWidget* pages() const { return m_pages; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

signals:
    /// The space bar in the panel closes it, as in the table.
    void togglePreviewPanel();

private:
    void drawImage();

    QList<PreviewItem> m_items;
    int m_index = 0;
    QStackedWidget* m_pages;
    QLabel* m_image;
    QPlainTextEdit* m_text;
    QLabel* m_icon;
    QLabel* m_name;
    QLabel* m_info;
    QLabel* m_position;
    QPushButton* m_previous;
    QPushButton* m_next;
};

} // namespace trevalo
