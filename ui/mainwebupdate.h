#pragma once

// The main window's web update: the component with the program's own settings, its progress
// window and its HTTP client, wired into one run. The program makes it after the main window
// and before the options (which set its start-up check).

#include "update/mywebupdate.h"
#include "update/webclient.h"


#include <memory>

namespace gaugeloft::platform {
class SettingsStore;
}

namespace gaugeloft {

class TMainForm;
class TSimpleWebUpdateForm;

// Made after the main window and ended before it.
class MainWebUpdate {
public:
    // The program's identity in the update catalog.
    static inline const QString kCheckGuid = QStringLiteral("{5B1E7C2A-4D3F-4E8B-9A61-0C7D2F8E3B45}");
    static inline const QString kDefaultUpdatesRoot = QStringLiteral("https://downloads.marrowind.example/gaugeloft/");

    MainWebUpdate(TMainForm& window, platform::SettingsStore& store, const QString& executablePath);
    ~MainWebUpdate();
    MainWebUpdate(const MainWebUpdate&) = delete;
    MainWebUpdate& operator=(const MainWebUpdate&) = delete;

    update::TMyWebUpdate& Component() { return *m_component; }
    TSimpleWebUpdateForm& ProgressWindow() { return *m_progress; }

    // The start-up of the component (the single-instance mutex first); false when the program
    // must end with exit code 1 (another copy kept the mutex).
    bool Load(const QStringList& arguments);

private:
    TMainForm& m_window;
    std::unique_ptr<TSimpleWebUpdateForm> m_progress;
    update::WebClient m_client;
    std::unique_ptr<update::TMyWebUpdate> m_component;
    bool m_terminated = false;
};

// The updates root: GAUGELOFT_UPDATES_ROOT when set (mirrors, tests), else the maker's, ending in "/".
QString UpdatesRootFromEnvironment();

} // namespace gaugeloft
