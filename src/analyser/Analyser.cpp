#include "analyser/Analyser.h"

#include "analyser/Signatures.h"
#include "analyser/TRAnalyser.h"

namespace trevalo {

ScanOutcome scanWithBuiltInSignatures(const Services& services)
{
    ResourceSignatures signatures;
    return Scanner(services, signatures).analyser();
}

Analyser::Analyser(Services services, ScanFunction scan, QObject* parent)
    : QObject(parent), m_services(services), m_scan(scan ? std::move(scan) : scanWithBuiltInSignatures)
{
}

Analyser::~Analyser() = default;

TRAnalyser* Analyser::wins() const
{
    return m_current.data();
}

void Analyser::analyser()
{
    applyScan(m_scan(m_services), m_results);
    emit resultsChanged();
    showAnalyser();
}

void Analyser::showAnalyser()
{
    // The old controller may be inside its own set-up right now (an alert's event loop is how a
    // notification click gets here), so it is retired rather than deleted: it goes once it returns.
    if (m_current)
        m_current->retire();
    auto* controller = new TRAnalyser(*this, this);
    m_current = controller;
    emit controllerCreated(controller);
    controller->windowDidLoad();
}

void Analyser::runAnalyserCommand()
{
    profileTab = true;
    analyser();
    profileTab = false;
}

} // namespace trevalo
