#pragma once

#include "analyser/ScanResults.h"
#include "analyser/Scanner.h"
#include "platform/Services.h"

#include <QObject>
#include <QPointer>
#include <functional>

namespace trevalo {

class TRAnalyser;

/// The Analyser subsystem's owner: the scan, its results, and the Analyser window's controller, which
/// every scan replaces. Windows observe it through its signals; the menu calls its operations.
class Analyser : public QObject {
    Q_OBJECT
public:
    /// What a scan finds. The program's scan reads the signature files compiled into it; tests give
    /// their own.
    using ScanFunction = std::function<ScanOutcome(const Services&)>;

    explicit Analyser(Services services, ScanFunction scan = {}, QObject* parent = nullptr);
    ~Analyser() override;

    /// Scans and opens the Analyser window on the new results ("analyser").
    void analyser();
    /// Opens the Analyser window on the last results with a new controller ("showAnalyser:").
    void showAnalyser();
    /// The scripting command: a scan whose window opens on the profile tab.
    void runAnalyserCommand();

    ScanResults& scanResults() { return m_results; }
    /// The current window controller; null before the first showAnalyser().
    TRAnalyser* wins() const;
    const Services& services() const { return m_services; }

    /// When true, the Analyser window opens on its profile tab ("profileTab").
    bool profileTab = false;

signals:
    /// A new controller exists and its window should show; its set-up runs right after.
    void controllerCreated(trevalo::TRAnalyser* controller);
    /// A scan has replaced the results.
    void resultsChanged();

private:
    Services m_services;
    ScanFunction m_scan;
    ScanResults m_results;
    QPointer<TRAnalyser> m_current;
};

/// The program's scan: the signature files compiled into it.
ScanOutcome scanWithBuiltInSignatures(const Services& services);

} // namespace trevalo
