#include "platform/ui/QtSeams.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>

namespace trevalo {

int QtAlerts::runModal(const Alert& alert)
{
    QMessageBox box;
    box.setWindowTitle(alert.messageText);
    box.setText(alert.messageText);
    box.setInformativeText(alert.informativeText);
    box.setIcon(QMessageBox::Information);
    QVector<QAbstractButton*> buttons;
    for (int i = 0; i < alert.buttons.size(); ++i) {
        const QMessageBox::ButtonRole role = i == 0 ? QMessageBox::AcceptRole
                                             : alert.buttons[i] == QLatin1String("Cancel")
                                                 ? QMessageBox::RejectRole
                                                 : QMessageBox::ActionRole;
        buttons << box.addButton(alert.buttons[i], role);
    }
    if (!buttons.isEmpty())
        box.setDefaultButton(qobject_cast<QPushButton*>(buttons.first()));
    box.exec();
    const int index = buttons.indexOf(box.clickedButton());
    return index < 0 ? 0 : index;
}

void QtClipboard::setText(const QString& text)
{
    QApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

TrayNotifier::TrayNotifier(QSystemTrayIcon* tray) : m_tray(tray)
{
    connect(tray, &QSystemTrayIcon::messageClicked, this, [this] { emit activated(m_last); });
}

void TrayNotifier::deliver(const Notification& notification)
{
    m_last = notification;
    if (m_tray)
        m_tray->showMessage(notification.title,
                            notification.subtitle.isEmpty()
                                ? notification.informativeText
                                : notification.subtitle + u'\n' + notification.informativeText,
                            QSystemTrayIcon::NoIcon);
}

} // namespace trevalo
