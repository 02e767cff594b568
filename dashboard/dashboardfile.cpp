#include "dashboard/dashboardfile.h"

#include "platform/nativepath.h"
#include "platform/safefile.h"

#include <QDir>

#include <algorithm>

namespace gaugeloft {

namespace {

using platform::IniFile;

const QString kSensors = QStringLiteral("Sensors");
const QString kDisplay = QStringLiteral("Display");
const QString kTitles = QStringLiteral("Titles");
const QString kScreen = QStringLiteral("Screen");
const QString kGeneral = QStringLiteral("General");
const QString kView = QStringLiteral("View");

QString TileKey(int position)
{
    return QStringLiteral("Id") + QString::number(position);
}

QString BaseName(const QString& executablePath)
{
    const QString name = executablePath.mid(executablePath.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

QString Join(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

QString PathForMessage(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// What may stand in one file name: no slash, no control characters.
QString FileNamePart(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (c == u'/' || c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u'_';
    }
    return out;
}

} // namespace

QString DashboardComputerName(const QString& computerName, const QString& hostName)
{
    QString name = FileNamePart(computerName.trimmed());
    if (name.isEmpty())
        name = FileNamePart(hostName.trimmed());
    return name.isEmpty() ? QStringLiteral("localhost") : name;
}

QString DashboardFileName(const DashboardFileLocation& location, bool forWriting)
{
    const QString programFolder = platform::FolderOf(location.ExecutablePath);
    const QString base = BaseName(location.ExecutablePath);
    const QString perComputer = base + u'.' + location.ComputerName + QStringLiteral(".ini");
    const QString besideProgram = Join(programFolder, perComputer);
    // A per-computer file beside the program marks a portable copy, which keeps using it.
    const bool portable = location.ProgramFolderWritable && platform::PathExists(besideProgram);
    if (location.ConfigFolder.isEmpty() || portable)
        return besideProgram;
    const QString inConfig = Join(location.ConfigFolder, perComputer);
    if (forWriting || platform::PathExists(inConfig))
        return inConfig;
    if (platform::PathExists(besideProgram))
        return besideProgram;
    return Join(programFolder, base + QStringLiteral(".ini"));
}

QString ProviderSuffix(int provider)
{
    return provider <= 0 ? QString() : QStringLiteral("#") + QString::number(provider);
}

QByteArray SaveDashboardText(const QByteArray& existing, const DashboardParts& parts)
{
    IniFile ini = IniFile::FromText(existing);
    const QString p = ProviderSuffix(parts.Provider);
    TTileList& tiles = parts.Tiles;
    ini.WriteInteger(kSensors + p, QStringLiteral("Count"), tiles.Count());
    for (int i = 0; i < tiles.Count(); ++i) {
        const TSensorFrame& tile = tiles.At(i);
        ini.WriteString(kSensors + p, TileKey(i), tile.SensorId);
        ini.WriteInteger(kDisplay + p, TileKey(i), tile.DisplayType);
        ini.WriteString(kTitles + p, TileKey(i), tile.CustomName);
    }

    DashboardWindow& window = parts.Window;
    const QRect bounds = window.WindowBounds();
    ini.WriteInteger(kScreen, QStringLiteral("Left"), bounds.left());
    ini.WriteInteger(kScreen, QStringLiteral("Top"), bounds.top());
    ini.WriteInteger(kScreen, QStringLiteral("Width"), bounds.width());
    ini.WriteInteger(kScreen, QStringLiteral("Height"), bounds.height());
    ini.WriteInteger(kScreen, QStringLiteral("Split"), window.TreeWidth());
    ini.WriteInteger(kScreen, QStringLiteral("State"), window.WindowStateNumber());
    ini.WriteInteger(kScreen, QStringLiteral("Theme"), parts.Theme.CurrentTheme);
    ini.WriteBool(kScreen, QStringLiteral("Tree"), window.TreeVisible());
    ini.WriteBool(kScreen, QStringLiteral("Clock"), window.TitleVisible());

    const ThemePalette& palette = parts.Theme.Palette();
    ini.WriteBool(kGeneral, QStringLiteral("AutoTheme"), parts.Theme.AutoSwitch());
    ini.WriteBool(kGeneral, QStringLiteral("UserTheme"), parts.Theme.CustomThemeActive);
    ini.WriteInteger(kGeneral, QStringLiteral("CustomColor"), int(palette.TileColor));
    ini.WriteInteger(kGeneral, QStringLiteral("CustomPenCol"), int(palette.PenColor));

    ini.WriteInteger(kView, QStringLiteral("ToolbarPos"), window.SidePanelPlacement());
    ini.WriteBool(kView, QStringLiteral("Toolbar"), window.SidePanelVisible());
    return ini.ToText();
}

void LoadDashboardText(const QByteArray& text, const DashboardParts& parts)
{
    DashboardWindow& window = parts.Window;
    ThemeController& theme = parts.Theme;
    TTileList& tiles = parts.Tiles;
    if (tiles.Count() > 0) {
        tiles.DeleteAll();
        tiles.ForgetArrangement();
    }
    const IniFile ini = IniFile::FromText(text);

    const QRect current = window.WindowBounds();
    window.SetWindowBounds(QRect(ini.ReadInteger(kScreen, QStringLiteral("Left"), current.left()),
                                 ini.ReadInteger(kScreen, QStringLiteral("Top"), current.top()),
                                 ini.ReadInteger(kScreen, QStringLiteral("Width"), current.width()),
                                 ini.ReadInteger(kScreen, QStringLiteral("Height"), current.height())));
    window.SetTreeWidth(ini.ReadInteger(kScreen, QStringLiteral("Split"), window.TreeWidth()));
    if (ini.ReadBool(kScreen, QStringLiteral("Tree"), window.TreeVisible()) != window.TreeVisible())
        window.ToggleTree();
    if (ini.ReadBool(kScreen, QStringLiteral("Clock"), window.TitleVisible()) != window.TitleVisible())
        window.ToggleTitle();

    const QString p = ProviderSuffix(parts.Provider);
    const int count = std::clamp(ini.ReadInteger(kSensors + p, QStringLiteral("Count"), 0), 0, kMaxDashboardTiles);
    for (int i = 0; i < count; ++i) {
        const QString id = ini.ReadString(kSensors + p, TileKey(i), QString());
        TSensorFrame& tile = tiles.At(tiles.AddTile(-1));
        tile.BindSensor(id);
        tile.SetDisplayType(std::uint8_t(ini.ReadInteger(kDisplay + p, TileKey(i), 0) & 0xFF));
        tile.SetCustomName(ini.ReadString(kTitles + p, TileKey(i), QString()));
    }

    if (!window.SetWindowStateNumber(ini.ReadInteger(kScreen, QStringLiteral("State"), window.WindowStateNumber())))
        window.SetWindowStateNumber(0);
    theme.ApplyPreset(ini.ReadInteger(kScreen, QStringLiteral("Theme"), theme.CurrentTheme));
    theme.FallbackTheme = theme.CurrentTheme;

    theme.SetAutoSwitch(ini.ReadBool(kGeneral, QStringLiteral("AutoTheme"), theme.AutoSwitch()));
    const auto customColor = TColor(ini.ReadInteger(kGeneral, QStringLiteral("CustomColor"), 0));
    window.SetColorDialogColor(customColor);
    const auto customPen = TColor(ini.ReadInteger(kGeneral, QStringLiteral("CustomPenCol"), 0));
    if (ini.ReadBool(kGeneral, QStringLiteral("UserTheme"), false))
        theme.DeriveCustom(customColor, customPen);
    else
        theme.CustomThemeActive = false;

    if (!window.SetSidePanelPlacement(ini.ReadInteger(kView, QStringLiteral("ToolbarPos"), window.SidePanelPlacement())))
        window.SetSidePanelPlacement(3);
    window.SetSidePanelVisible(ini.ReadBool(kView, QStringLiteral("Toolbar"), window.SidePanelVisible()));

    window.SyncToggleButtons();
    tiles.RestartArrangement();
}

QString SaveDashboard(const DashboardFileLocation& location, const DashboardParts& parts,
                      const platform::FileWriter& writer)
{
    const QString path = DashboardFileName(location, true);
    const auto failed = [&path](const QString& reason) {
        return QStringLiteral("Unable to write to %1\n%2").arg(PathForMessage(path), reason);
    };
    // What is in the file now is kept (other providers' tiles, unknown lines): a file that
    // cannot be read is never replaced.
    QByteArray existing;
    QString reason;
    if (platform::ReadRegularFile(path, kMaxDashboardFileBytes, &existing, &reason) == platform::ReadStatus::Failed)
        return failed(reason);
    const QByteArray text = SaveDashboardText(existing, parts);
    if (!platform::MakeFolders(platform::FolderOf(path), 0700, &reason))  // the config folder on a first save
        return failed(reason);
    const bool written = writer ? writer(path, text, &reason) : platform::WriteFileSafely(path, text, &reason);
    return written ? QString() : failed(reason);
}

QString LoadDashboard(const DashboardFileLocation& location, const DashboardParts& parts)
{
    const QString path = DashboardFileName(location, false);
    QByteArray text;
    QString reason;
    QString message;
    if (platform::ReadRegularFile(path, kMaxDashboardFileBytes, &text, &reason) == platform::ReadStatus::Failed)
        message = QStringLiteral("Unable to read %1\n%2").arg(PathForMessage(path), reason);
    LoadDashboardText(text, parts);
    return message;
}

} // namespace gaugeloft
