#pragma once

// The side panel of the main window: ten flat tool buttons with their glyphs and hints, and
// the separator lines between the groups.

#include "dashboard/themepalette.h"

#include <QIcon>
#include <QWidget>

#include <array>

class QToolButton;

namespace gaugeloft {

// Glyph slots of the side panel's pictures.
enum LauncherGlyphSlot : int {
    kGlyphSave = 19,
    kGlyphThemes = 20,
    kGlyphTitle = 21,
    kGlyphReset = 22,
    kGlyphTree = 23,
    kGlyphAbout = 25,
    kGlyphCustomColor = 26,
    kGlyphAutoTheme = 27,
    kGlyphOptions = 29,
    kGlyphAdd = 15,
};

// A 16x16 picture of a glyph slot, drawn in code; a null icon for other slots. Strokes that
// stand on the panel itself take `outerInk` (a dark grey when invalid).
QIcon LauncherGlyph(int slot, const QColor& outerInk = QColor());

// The side panel's buttons; the number is the button's name, SpeedButton1 .. SpeedButton10.
enum class SideButton {
    Detect = 1,        // resets all hardware and sensors and starts a new detection
    AddTile = 2,
    Tree = 3,          // shows or hides the tree
    Save = 4,          // saves the dashboard
    TitleStrip = 5,    // shows or hides the title strip
    SwitchTheme = 6,
    AutoTheme = 7,     // the theme follows the time of day
    Options = 8,
    About = 9,
    CustomColour = 10,
};

class LauncherPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 33;

    explicit LauncherPanel(QWidget* parent = nullptr);

    // SpeedButton1 .. SpeedButton10.
    QToolButton* SpeedButton(int number) const { return m_buttons[size_t(number - 1)]; }
    QToolButton* Button(SideButton button) const { return SpeedButton(int(button)); }

    void SetPalette(const ThemePalette& palette);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<QToolButton*, 10> m_buttons {};
    QColor m_lineColor;
    QColor m_glyphInk;
};

} // namespace gaugeloft
