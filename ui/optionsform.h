#pragma once

// The Options dialog: theme choices, application options, the monitoring provider and the
// animation rate. It loads and saves the options in the settings store and the autostart
// entry; the taskbar and reminder boxes, as last loaded or saved, are the live options the
// tray behaviour reads.

#include "platform/settingsstore.h"
#include "sensors/providertable.h"
#include "ui/liveoptions.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace gaugeloft {

class TOptionsForm : public QDialog, public LiveOptions {
    Q_OBJECT
public:
    static inline const QString kSettingsKey = QStringLiteral("Software\\Marrowind\\Gaugeloft");

    // `executablePath`: the running program, as the autostart entry names it.
    TOptionsForm(platform::SettingsStore& store, QString executablePath, QWidget* parent = nullptr);

    // Controls by role.
    QTabWidget* Tabs() const;
    QGroupBox* ColorThemeGroup() const;
    QCheckBox* AutoThemeBox() const;       // "&Switch automatically (theme follows the Sun)"
    QRadioButton* DarkRadio() const;
    QRadioButton* GrayRadio() const;
    QRadioButton* LightRadio() const;
    QCheckBox* AutostartBox() const;       // "Load Dashboard application at log&in" (the autostart entry)
    QCheckBox* TaskbarBox() const;         // "Do not show in &Taskbar active applications"
    QCheckBox* ReminderBox() const;        // "Show a reminder &Balloon Tip when minimized"
    QCheckBox* KeepInTrayBox() const;      // "Keep &Running in background in System tray"
    QCheckBox* FahrenheitBox() const;      // "Show temperature readings in &Fahrenheit"
    QCheckBox* WebUpdateBox() const;       // "Check for application Web &Updates on launch"
    QComboBox* ProviderList() const;
    QPushButton* WebPageButton() const;    // "Web Page..."
    QLineEdit* AddressBox() const;         // "Address:" of the selected remote provider
    QCheckBox* RefresherBox() const;       // "Use WMI Refresher interface for data caching"
    QComboBox* RateList() const;           // "Animations per second:"
    QPushButton* OkButton() const;
    QPushButton* CancelButton() const;

    // Fills the controls from the store; a missing settings key leaves them as they are.
    void LoadSettings();
    // Writes the autostart entry and those of the eight values and the remote providers'
    // addresses the user changed since the controls were filled, and those missing from the store. SettingsError when the store
    // fails; a failed autostart write is reported the same way (and the box then shows the
    // entry as it is).
    void SaveSettings();
    // The address of a remote provider as loaded, edited or saved ("Provider Address #N";
    // its default when the store has none); empty for a provider of this computer.
    QString ProviderAddress(int index) const;
    // 200, 100 or 40 ms from the rate list.
    int AnimationInterval() const;

    // The provider in use, compared at OK (the window sets it before showing the dialog).
    int CurrentProvider = 0;
    // The "Do Web Update" state as loaded by the first LoadSettings of the run.
    bool StartupCheck = false;

    // LiveOptions: the taskbar and reminder boxes as last loaded or saved.
    bool HideInTaskbar() const override;
    bool ShowReminder() const override;

    // Replaceable for tests: the provider-change question (true: OK), opening a web page and
    // showing an error.
    std::function<bool(const QString& text, const QPoint& topLeft)> ConfirmProviderChange;
    std::function<void(const QUrl& url)> OpenUrl;
    std::function<void(const QString& text)> ShowError;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    struct StoredValue {
        QString name;
        std::uint32_t value = 0;
    };
    static constexpr std::size_t kStoredValueCount = 8;
    // The eight stored values as the controls show them.
    std::array<StoredValue, kStoredValueCount> StoredValues() const;
    bool Stored(const QString& name) const;
    bool ReadFlag(const QString& name, bool missing) const;
    void ReadIndex(const QString& name, QComboBox* list, int missing) const;
    void ApplyAutoSwitch();
    void OkClick();
    void WebPageClick();
    void ShowAddressOf(int index);
    void ReadAddresses();
    bool StoredAddress(int index) const;
    bool CheckAddresses();

    platform::SettingsStore& m_store;
    QString m_executable;
    QTabWidget* m_tabs = nullptr;
    QGroupBox* m_themeGroup = nullptr;
    QCheckBox* m_autoTheme = nullptr;
    QRadioButton* m_dark = nullptr;
    QRadioButton* m_gray = nullptr;
    QRadioButton* m_light = nullptr;
    QCheckBox* m_autostart = nullptr;
    QCheckBox* m_taskbar = nullptr;
    QCheckBox* m_reminder = nullptr;
    QCheckBox* m_keepInTray = nullptr;
    QCheckBox* m_fahrenheit = nullptr;
    QCheckBox* m_webUpdate = nullptr;
    QComboBox* m_provider = nullptr;
    QPushButton* m_webPage = nullptr;
    QLineEdit* m_address = nullptr;
    int m_addressShown = -1;  // the provider whose address the box shows
    std::array<QString, kProviderCount> m_addressTexts;     // per provider, as the user left them
    std::array<QString, kProviderCount> m_filledAddresses;  // as last loaded or saved
    QCheckBox* m_refresher = nullptr;
    QComboBox* m_rate = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    // The taskbar and reminder boxes as last loaded or saved.
    bool m_hideInTaskbar = false;
    bool m_showReminder = false;
    bool m_loadedOnce = false;
    // What the controls showed when they were last filled from the store (or saved).
    std::array<StoredValue, kStoredValueCount> m_filled;
};

} // namespace gaugeloft
