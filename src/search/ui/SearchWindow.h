#pragma once

#include "search/PreviewItem.h"

#include <QPointer>
#include <QWidget>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace trevalo {

class PreviewPanel;
class SuperSearch;
class TRQLTableView;

/// The SuperSearch window: a floating panel that shows its SuperSearch's options, pop-up, counter and
/// results, and hands every control's action to it.
class SearchWindow : public QWidget {
    Q_OBJECT
public:
    explicit SearchWindow(SuperSearch& search, QWidget* parent = nullptr);

    /// Places the window 300 points left of the screen's right edge and 25 below its top
    /// ("setWindowPosition").
    void setWindowPosition();
    /// Shows the preview panel for the selected rows, or closes it when it is shown
    /// ("togglePreviewPanel:").
    void togglePreviewPanel();
    /// The selected rows of the results, in the model's order.
    QList<int> selectedRows() const;

    // The controls tests reach.
    QLineEdit* searchField() const { return m_field; }
    QRadioButton* fasterRadio() const { return m_faster; }
    QRadioButton* deeperRadio() const { return m_deeper; }
    QRadioButton* nameRadio() const { return m_name; }
    QRadioButton* contentRadio() const { return m_content; }
    QRadioButton* wordRadio() const { return m_word; }
    QRadioButton* stringRadio() const { return m_string; }
    QCheckBox* checkCaseBtn() const { return m_case; }
    QCheckBox* checkWebBtn() const { return m_web; }
    QCheckBox* checkEmailBtn() const { return m_email; }
    QComboBox* directoryPopUp() const { return m_popUp; }
    QProgressBar* spinner() const { return m_spinner; }
    QLabel* resultCounter() const { return m_counter; }
    QLabel* failureText() const { return m_failure; }
    QPushButton* revealBtn() const { return m_reveal; }
    QToolButton* searchFieldAction() const { return m_action; }
    QMenu* actionMenu() const { return m_actionMenu; }
    QMenu* tableMenu() const { return m_tableMenu; }
    TRQLTableView* resultsTable() const { return m_table; }
    /// The preview panel once it has been opened; null before.
    PreviewPanel* previewPanel() const;

private:
    void showState();
    void showPopUp();
    QMenu* makeResultMenu(const QString& title);
    void menuWillOpen(QMenu* menu);
    QList<PreviewItem> selectedPreviewItems() const;

    SuperSearch& m_search;
    QLineEdit* m_field;
    QRadioButton* m_faster;
    QRadioButton* m_deeper;
    QRadioButton* m_name;
    QRadioButton* m_content;
    QRadioButton* m_word;
    QRadioButton* m_string;
    QCheckBox* m_case;
    QCheckBox* m_web;
    QCheckBox* m_email;
    QComboBox* m_popUp;
    QStringList m_popUpTitles;
    QProgressBar* m_spinner;
    QLabel* m_counter;
    QLabel* m_failure;
    QPushButton* m_reveal;
    QToolButton* m_action;
    QMenu* m_actionMenu;
    QMenu* m_tableMenu;
    TRQLTableView* m_table;
    QPointer<PreviewPanel> m_preview;
};

} // namespace trevalo
