#pragma once

// What the main window asks of the desktop: the tray, the colour dialog, the taskbar button,
// message boxes, modal dialogs and writing files. The program passes the real desktop
// (SystemDesktop); tests pass one that answers for the user and records what was shown.

#include <QByteArray>
#include <QColor>
#include <QString>

#include <optional>

class QDialog;
class QWidget;
class QWindow;

namespace gaugeloft {

class DesktopServices {
public:
    virtual ~DesktopServices() = default;
    // Whether the desktop shows a system tray.
    virtual bool TrayAvailable() const = 0;
    // The colour dialog; nothing when cancelled.
    virtual std::optional<QColor> PickColor(QWidget* parent, const QColor& initial) = 0;
    // Takes the window's button off the taskbar or puts it back; false when the desktop cannot.
    virtual bool SetTaskbarHidden(QWindow* window, bool hide) = 0;
    virtual void ShowError(QWidget* parent, const QString& text) = 0;
    // Runs a dialog modally; its result code.
    virtual int ExecDialog(QDialog& dialog) = 0;
    // Replaces a file's contents whole (never half-written); false with a reason on failure.
    virtual bool WriteFile(const QString& path, const QByteArray& data, QString* reason) = 0;
};

class SystemDesktop : public DesktopServices {
public:
    bool TrayAvailable() const override;
    std::optional<QColor> PickColor(QWidget* parent, const QColor& initial) override;
    bool SetTaskbarHidden(QWindow* window, bool hide) override;
    void ShowError(QWidget* parent, const QString& text) override;
    int ExecDialog(QDialog& dialog) override;
    bool WriteFile(const QString& path, const QByteArray& data, QString* reason) override;
};

} // namespace gaugeloft
