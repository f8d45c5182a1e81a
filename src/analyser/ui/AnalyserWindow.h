#pragma once

#include <QPointer>
#include <QWidget>
#include <optional>

class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QTabWidget;
class QTableView;
class QTextEdit;

namespace trevalo {

class TRAnalyser;

/// The Analyser window: results, profile report and change-log tabs. It shows what its TRAnalyser holds
/// and hands every action to it; it closes when that controller goes (every scan makes a new one).
class AnalyserWindow : public QWidget {
    Q_OBJECT
public:
    explicit AnalyserWindow(TRAnalyser& controller);

    void selectTab(int index);

    // The controls tests and the profile code reach.
    QTableView* tableView() const { return m_table; }
    QTextEdit* textViewB() const { return m_report; }
    QTextEdit* recorderView() const { return m_recorder; }
    QTabWidget* tabView() const { return m_tabs; }
    QLabel* issueCount() const { return m_issueCount; }
    QLabel* ignoreLabel() const { return m_ignoreLabel; }
    QLabel* doneCheckingText() const { return m_doneChecking; }
    QLabel* backupWarning() const { return m_backupWarning; }
    QLabel* downloadsStaticLabel() const { return m_downloadsLabel; }
    QLabel* aDMG() const { return m_dmgCount; }
    QPushButton* openDLFolder() const { return m_openDownloads; }
    QPushButton* button(const QString& title) const;

    /// The selected row of the controller's table (not of the sorted view), if any.
    std::optional<int> selectedRow() const;

private:
    QWidget* buildResultsTab();
    QWidget* buildReportTab();
    void showState();

    QPointer<TRAnalyser> m_controller;
    QSortFilterProxyModel* m_sorted;
    QTabWidget* m_tabs;
    QTableView* m_table;
    QTextEdit* m_report;
    QTextEdit* m_recorder;
    QLabel* m_issueCount;
    QLabel* m_ignoreLabel;
    QLabel* m_doneChecking;
    QLabel* m_backupWarning;
    QLabel* m_downloadsLabel;
    QLabel* m_dmgCount;
    QPushButton* m_openDownloads;
};

} // namespace trevalo
