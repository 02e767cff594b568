// The main window and its side-panel dialogs: the Options dialog (start-up from the stored
// options, opening it with the live state, applying what the user confirmed) and the About
// window.

#include "ui/mainform.h"

#include "platform/nativepath.h"
#include "ui/aboutform.h"
#include "ui/launcherpanel.h"
#include "ui/optionsform.h"
#include "update/versioninfo.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QRadioButton>
#include <QToolButton>

namespace gaugeloft {

void TMainForm::SetOptionsForm(TOptionsForm* options)
{
    m_options = options;
    SetLiveOptions(options);
    if (!options)
        return;
    connect(m_launcher->Button(SideButton::Options), &QToolButton::clicked, this, &TMainForm::SpeedButton8Click,
            Qt::UniqueConnection);
    // start-up: the stored options into the window, then the provider
    m_timers->SetAnimationInterval(options->AnimationInterval());
    m_provider.UseRefresher = options->RefresherBox()->isChecked();
    KeepInTray = options->KeepInTrayBox()->isChecked();
    m_poll->ShowFahrenheit = options->FahrenheitBox()->isChecked();
    ApplyProviderAddresses(*options);
    m_provider.SetupProvider(options->ProviderList()->currentIndex());
}

void TMainForm::SpeedButton8Click()
{
    if (!m_options)
        return;
    TOptionsForm& options = *m_options;
    const int openedTheme = m_theme.CurrentTheme;
    switch (openedTheme) {
    case thDark:
        options.DarkRadio()->setChecked(true);
        break;
    case thGray:
        options.GrayRadio()->setChecked(true);
        break;
    case thLight:
        options.LightRadio()->setChecked(true);
        break;
    default:
        break;
    }
    options.AutoThemeBox()->setChecked(m_theme.AutoSwitch());
    options.WebUpdateBox()->setChecked(options.StartupCheck);
    options.RefresherBox()->setChecked(m_provider.UseRefresher);
    options.KeepInTrayBox()->setChecked(KeepInTray);
    options.FahrenheitBox()->setChecked(m_poll->ShowFahrenheit);
    options.CurrentProvider = m_provider.CurrentProvider;

    const int result = m_desktop.ExecDialog(options);
    if (const QString setAside = m_settingsNotice ? m_settingsNotice() : QString(); !setAside.isEmpty())
        m_desktop.ShowError(this, setAside);
    if (result != QDialog::Accepted)
        return;
    ApplyOptions(openedTheme);
}

// An OK of the Options dialog, in order: theme switching, theme, the copied options, the
// taskbar, the animation rate, the provider, and a full detection when one is needed.
void TMainForm::ApplyOptions(int openedTheme)
{
    TOptionsForm& options = *m_options;
    const bool autoSwitch = options.AutoThemeBox()->isChecked();
    if (autoSwitch != m_theme.AutoSwitch())
        m_theme.SetAutoSwitch(autoSwitch);
    if (!autoSwitch) {
        int chosen = openedTheme;
        if (options.LightRadio()->isChecked())
            chosen = thLight;
        else if (options.GrayRadio()->isChecked())
            chosen = thGray;
        else if (options.DarkRadio()->isChecked())
            chosen = thDark;
        if (chosen != m_theme.CurrentTheme)
            m_theme.ApplyPreset(chosen);
    }
    m_provider.UseRefresher = options.RefresherBox()->isChecked();
    m_poll->ShowFahrenheit = options.FahrenheitBox()->isChecked();
    KeepInTray = options.KeepInTrayBox()->isChecked();
    ApplyTaskbarOption();

    bool detect = false;
    if (options.AnimationInterval() != m_poll->PendingAnimationInterval) {
        m_poll->PendingAnimationInterval = options.AnimationInterval();
        detect = true;
    }
    // a new address of the provider in use is asked from the next poll on; the tree empties
    // until it answers and fills again by the usual detection
    ApplyProviderAddresses(options);
    const int provider = options.ProviderList()->currentIndex();
    if (provider != m_provider.CurrentProvider) {
        m_provider.SetupProvider(provider);
        LoadDashboard();
        detect = true;
    }
    if (detect) {
        SpeedButton1Click();
        // a provider without tiles of its own starts with one empty tile
        if (m_tiles->Count() == 0)
            m_tiles->AddTile(-1);
    }
}

void TMainForm::ApplyProviderAddresses(const TOptionsForm& options)
{
    for (int index = 0; index < kProviderCount; ++index) {
        if (IsRemoteProvider(index))
            m_provider.SetProviderAddress(index, options.ProviderAddress(index));
    }
}

// ---- About

void TMainForm::SpeedButton9Click()
{
    const QString program = platform::ExecutablePath();
    ShowAbout(QStringLiteral("Gaugeloft"), update::GetVersionInfoValue(program, QStringLiteral("FileVersion")),
              update::GetVersionInfoValue(program, QStringLiteral("LegalCopyright")));
}

void TMainForm::ShowAbout(const QString& title, const QString& fileVersion, const QString& legalCopyright)
{
    if (m_about)
        m_about->close();  // it deletes itself
    auto* about = new TAboutForm(this);
    about->Fill(title, fileVersion, legalCopyright);
    connect(about, &TAboutForm::checkForUpdatesRequested, this, [this] {
        if (CheckForUpdates)
            CheckForUpdates();
    });
    m_about = about;
    about->show();
    QApplication::beep();
}

QDialog* TMainForm::AboutWindow() const
{
    return m_about;
}

} // namespace gaugeloft
