#include "dashboard/dashboardfile.h"

#include <QDir>
#include <QFileInfo>

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
    const QFileInfo program(executablePath);
    const QString name = program.fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

bool IsFile(const QString& path)
{
    return QFileInfo(path).isFile();
}

} // namespace

QString DashboardFileName(const DashboardFileLocation& location, bool forWriting)
{
    const QString programFolder = QFileInfo(location.ExecutablePath).absolutePath();
    const QString base = BaseName(location.ExecutablePath);
    const QString perComputer = QStringLiteral("%1.%2.ini").arg(base, location.ComputerName);
    const QString home = location.ProgramFolderWritable ? programFolder : location.ConfigFolder;
    const QString other = location.ProgramFolderWritable ? location.ConfigFolder : programFolder;
    const QString candidate = QDir(home).filePath(perComputer);
    if (forWriting || IsFile(candidate))
        return candidate;
    if (!other.isEmpty() && IsFile(QDir(other).filePath(perComputer)))
        return QDir(other).filePath(perComputer);
    return QDir(programFolder).filePath(base + QStringLiteral(".ini"));
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
    QByteArray existing;
    platform::ReadWholeFile(path, &existing);
    const QByteArray text = SaveDashboardText(existing, parts);
    QDir().mkpath(QFileInfo(path).absolutePath());  // the config folder on a first save
    QString reason;
    const bool written = writer ? writer(path, text, &reason) : platform::WriteFileAtomically(path, text, &reason);
    if (written)
        return {};
    return QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(path));
}

void LoadDashboard(const DashboardFileLocation& location, const DashboardParts& parts)
{
    QByteArray text;
    platform::ReadWholeFile(DashboardFileName(location, false), &text);
    LoadDashboardText(text, parts);
}

} // namespace gaugeloft
