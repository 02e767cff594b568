// The main window and the Options dialog: start-up from the stored options, opening the
// dialog with the live state, and applying what the user confirmed.

#include "ui/mainform.h"

#include "ui/launcherpanel.h"
#include "ui/optionsform.h"

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

} // namespace gaugeloft
