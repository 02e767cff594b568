#pragma once

// The dashboard file: an INI file with the tiles of each provider (sensor, display type,
// subtitle, in dashboard order), the window's geometry and view state and the theme. One file
// per computer, written only on the user's command, with a shared file for first use.

#include "dashboard/themecontroller.h"
#include "dashboard/tilelist.h"
#include "platform/inifile.h"
#include "platform/safefile.h"

#include <QRect>
#include <QString>

namespace gaugeloft {

// The window as the dashboard file sees it.
class DashboardWindow {
public:
    virtual ~DashboardWindow() = default;
    virtual QRect WindowBounds() const = 0;               // left, top, width, height
    virtual void SetWindowBounds(const QRect& bounds) = 0;
    virtual int TreeWidth() const = 0;
    virtual void SetTreeWidth(int width) = 0;              // the remembered width follows
    virtual bool TreeVisible() const = 0;
    virtual void ToggleTree() = 0;                         // with the window-size compensation
    virtual bool TitleVisible() const = 0;
    virtual void ToggleTitle() = 0;
    virtual int WindowStateNumber() const = 0;             // 0 normal, 1 minimized, 2 maximized
    virtual bool SetWindowStateNumber(int state) = 0;      // false: cannot be applied
    virtual int SidePanelPlacement() const = 0;            // 3 left, 4 right
    virtual bool SetSidePanelPlacement(int placement) = 0; // false: cannot be applied
    virtual bool SidePanelVisible() const = 0;
    virtual void SetSidePanelVisible(bool visible) = 0;
    virtual void SetColorDialogColor(TColor color) = 0;
    // The title and tree buttons show the visibility of their elements.
    virtual void SyncToggleButtons() = 0;
};

// Where the file lives. Per computer "<base>.<computer>.ini", where base is the program's file
// name without extension, in the user's config folder; a per-computer file already beside the
// program (in a folder that can be written) marks a portable copy, which keeps using it, and so
// does a location without a config folder. Reading falls back to a per-computer file beside the
// program, then to the shared "<base>.ini" beside the program.
struct DashboardFileLocation {
    QString ExecutablePath;
    QString ComputerName;
    QString ConfigFolder;      // ${XDG_CONFIG_HOME:-~/.config}/gaugeloft
    bool ProgramFolderWritable = true;  // a per-computer file there counts only then
};
QString DashboardFileName(const DashboardFileLocation& location, bool forWriting);

// The computer's part of the file name: characters that cannot stand in a file name (a slash,
// control characters) become "_"; an empty name is the host name's.
QString DashboardComputerName(const QString& computerName, const QString& hostName);

// "" for provider 0 (or below), "#n" otherwise.
QString ProviderSuffix(int provider);

// Tiles the file may ask for at most; a larger count is a damaged file.
inline constexpr int kMaxDashboardTiles = 1024;
// A dashboard file is a few kilobytes; anything past this is not one.
inline constexpr qint64 kMaxDashboardFileBytes = 4 * 1024 * 1024;

struct DashboardParts {
    DashboardWindow& Window;
    ThemeController& Theme;
    TTileList& Tiles;
    int Provider;
};

// The file's new contents, from `existing` (the file as it is; nothing of it is removed).
QByteArray SaveDashboardText(const QByteArray& existing, const DashboardParts& parts);
// Applies a file's contents (empty: no file) to the window, theme and tiles.
void LoadDashboardText(const QByteArray& text, const DashboardParts& parts);

// Writes the dashboard to the file named for writing. On failure returns the message
// "Unable to write to <path>" with the reason on a second line, and the old file is intact;
// else an empty string. A file in the way that cannot be read (not a regular file, too large)
// is never replaced.
QString SaveDashboard(const DashboardFileLocation& location, const DashboardParts& parts,
                      const platform::FileWriter& writer = {});
// Reads the file named for reading (when there is none, every key takes its default). A file
// that cannot be read counts as none and gives "Unable to read <path>" with the reason on a
// second line; else an empty string.
QString LoadDashboard(const DashboardFileLocation& location, const DashboardParts& parts);

} // namespace gaugeloft
