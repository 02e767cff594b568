#include "ui/desktopservices.h"

#include "platform/desktop/taskbarhint.h"
#include "platform/safefile.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QMessageBox>
#include <QSystemTrayIcon>

namespace gaugeloft {

bool SystemDesktop::TrayAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

std::optional<QColor> SystemDesktop::PickColor(QWidget* parent, const QColor& initial)
{
    const QColor chosen = QColorDialog::getColor(initial, parent, QString());
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

bool SystemDesktop::SetTaskbarHidden(QWindow* window, bool hide)
{
    return platform::SetSkipTaskbar(window, hide);
}

void SystemDesktop::ShowError(QWidget* parent, const QString& text)
{
    QMessageBox::critical(parent, QGuiApplication::applicationDisplayName(), text);
}

int SystemDesktop::ExecDialog(QDialog& dialog)
{
    return dialog.exec();
}

bool SystemDesktop::WriteFile(const QString& path, const QByteArray& data, QString* reason)
{
    return platform::WriteFileSafely(path, data, reason);
}

} // namespace gaugeloft
