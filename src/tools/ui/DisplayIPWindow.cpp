#include "tools/ui/DisplayIPWindow.h"

#include "tools/NetworkAddresses.h"
#include "tools/ui/WindowPlacement.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace trevalo {

namespace {

QLabel* addressField(const char* name)
{
    auto* field = new QLabel;
    field->setObjectName(QString::fromLatin1(name));
    field->setTextInteractionFlags(Qt::TextSelectableByMouse);
    field->setMinimumWidth(200);
    QFont font = field->font();
    font.setBold(true);
    field->setFont(font);
    return field;
}

/// A field's text as the window lines it up: the scripts' answers end with the line feed of their output,
/// and the external address begins with a blank.
QString shown(const QString& text)
{
    return text.trimmed();
}

} // namespace

DisplayIPWindow::DisplayIPWindow(TRDisplayIP& controller, QWidget* parent)
    : QWidget(parent), m_controller(&controller)
{
    makeFloating(this);
    auto* column = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_externalIP = addressField("externalIP");
    m_routerAddress = addressField("routerAddress");
    m_localNode = addressField("localNode");
    form->addRow(tr("External IP:"), m_externalIP);
    form->addRow(tr("Router:"), m_routerAddress);
    form->addRow(tr("Local IP:"), m_localNode);
    column->addLayout(form);

    auto* bar = new QHBoxLayout;
    m_spinner = new QProgressBar;
    m_spinner->setObjectName(QStringLiteral("spinner"));
    m_spinner->setRange(0, 0); // turns until the refresh is in
    m_spinner->setTextVisible(false);
    m_spinner->setMaximumWidth(90);
    QSizePolicy keepPlace = m_spinner->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_spinner->setSizePolicy(keepPlace);
    bar->addWidget(m_spinner);
    bar->addStretch();
    m_refresh = new QPushButton(tr("Refresh"));
    m_refresh->setObjectName(QStringLiteral("refreshIP"));
    m_refresh->setToolTip(tr("Look up the three addresses again"));
    connect(m_refresh, &QPushButton::clicked, this, [this] {
        if (m_controller)
            m_controller->refreshIP();
    });
    bar->addWidget(m_refresh);
    column->addLayout(bar);

    connect(&controller, &TRDisplayIP::changed, this, &DisplayIPWindow::showFields);
    showFields();
    setWindowPosition();
}

void DisplayIPWindow::setWindowPosition()
{
    placeAtTopRight(this, 5, 5);
}

void DisplayIPWindow::showFields()
{
    if (!m_controller)
        return;
    m_externalIP->setText(shown(m_controller->externalIP()));
    m_routerAddress->setText(shown(m_controller->routerAddress()));
    m_localNode->setText(shown(m_controller->localNode()));
    m_spinner->setVisible(m_controller->isRefreshing());
}

} // namespace trevalo
