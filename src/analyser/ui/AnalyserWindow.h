#pragma once

#include <QPointer>
#include <QWidget>
#include <optional>

class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QTabWidget;
class QTableView;

namespace trevalo {

class TRAnalyser;

/// The Analyser window: the results tab, and the tabs other subsystems add (the profile report and the
/// change log). It shows what its TRAnalyser holds and hands every action to it; it closes when that
/// controller goes (every scan makes a new one).
class AnalyserWindow : public QWidget {
    Q_OBJECT
public:
    explicit AnalyserWindow(TRAnalyser& controller);

    void selectTab(int index);
    /// Adds a tab after the existing ones; the window owns it from then on.
    void addTab(QWidget* tab, const QString& title);

    // The controls tests reach.
    QTableView* tableView() const { return m_table; }
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

signals:
    /// The user closed the window (not a window that goes with its retired controller).
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildResultsTab();
    void showState();

    QPointer<TRAnalyser> m_controller;
    QSortFilterProxyModel* m_sorted;
    QTabWidget* m_tabs;
    QTableView* m_table;
    QLabel* m_issueCount;
    QLabel* m_ignoreLabel;
    QLabel* m_doneChecking;
    QLabel* m_backupWarning;
    QLabel* m_downloadsLabel;
    QLabel* m_dmgCount;
    QPushButton* m_openDownloads;
};

} // namespace trevalo
