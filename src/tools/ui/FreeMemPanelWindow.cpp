#include "tools/ui/FreeMemPanelWindow.h"

#include "tools/FreeMemory.h"
#include "tools/ui/WindowPlacement.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace trevalo {

FreeMemPanelWindow::FreeMemPanelWindow(TRFreeMemPanel& controller, QWidget* parent)
    : QWidget(parent), m_controller(&controller)
{
    makeFloating(this);
    auto* column = new QVBoxLayout(this);
    auto* caption = new QLabel(tr("Memory use"));
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    column->addWidget(caption);
    m_memoryUsage = new QLabel;
    m_memoryUsage->setObjectName(QStringLiteral("memoryUsage"));
    m_memoryUsage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_memoryUsage->setMinimumWidth(320);
    column->addWidget(m_memoryUsage);

    auto* bar = new QHBoxLayout;
    m_purge = new QPushButton(tr("Purge"));
    m_purge->setObjectName(QStringLiteral("purgeButton"));
    m_purge->setToolTip(tr("Free inactive memory (asks for an administrator's password)"));
    connect(m_purge, &QPushButton::clicked, this, [this] {
        if (m_controller)
            m_controller->purgeButton();
    });
    bar->addWidget(m_purge);
    m_spinner = new QProgressBar;
    m_spinner->setObjectName(QStringLiteral("spinner"));
    m_spinner->setRange(0, 0); // turns until the purge and the memory line after it are done
    m_spinner->setTextVisible(false);
    m_spinner->setMaximumWidth(90);
    QSizePolicy keepPlace = m_spinner->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_spinner->setSizePolicy(keepPlace);
    bar->addWidget(m_spinner);
    m_msg = new QLabel;
    m_msg->setObjectName(QStringLiteral("msg"));
    bar->addWidget(m_msg, 1);
    column->addLayout(bar);

    connect(&controller, &TRFreeMemPanel::changed, this, &FreeMemPanelWindow::showState);
    showState();
    setWindowPosition();
}

void FreeMemPanelWindow::setWindowPosition()
{
    placeAtTopRight(this, 5, 153);
}

void FreeMemPanelWindow::showState()
{
    if (!m_controller)
        return;
    m_memoryUsage->setText(m_controller->memoryUsage());
    m_msg->setText(m_controller->msg());
    const bool purging = m_controller->isPurging();
    m_spinner->setVisible(purging);
    // One purge at a time: the password prompt of the first is still open.
    m_purge->setEnabled(!purging);
}

} // namespace trevalo
