#pragma once

// A label whose caption is written in a small markup: <a href=... target=...> links, <b>,
// <i>, <u>, <p>, </p> and <br>, with entities. It wraps words, paints the runs, reports link
// hover and clicks (OnLinkHover, OnLinkClick: URI, link text, target), fires a link from its
// accelerator (Alt and the character after "&"), sizes itself, and lets the keyboard reach
// each link (Tab, Shift+Tab, Enter or Space). The layout is kept and replayed on paint; a new
// one is made only when the width changed or the label is measured.

#include <QColor>
#include <QCursor>
#include <QFontMetrics>
#include <QKeySequence>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <array>
#include <optional>
#include <vector>

namespace gaugeloft {

// Styles of a run (sets over bold, italic, underline).
inline constexpr unsigned lsBold = 1, lsItalic = 2, lsUnderline = 4, lsAll = 7;

// One run of the layout: a stretch of text drawn with one style.
struct TLinkClick {
    QString Text;  // as written, accelerator markers included
    QString URI;
    QString Target;
    unsigned StyleOn = 0;
    unsigned StyleOff = 0;
    int LineBreaks = 0;
    std::array<QRect, 3> Rects{};  // where the pointer hits the run: first line, middle lines, last line
    int RectCount = 0;
};

class TLinkLabel : public QWidget {
    Q_OBJECT
public:
    explicit TLinkLabel(QWidget* parent = nullptr);

    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool on);
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool on);
    bool LockWidth() const { return m_lockWidth; }
    void SetLockWidth(bool on);
    bool ShowAccelChar() const { return m_showAccelChar; }
    void SetShowAccelChar(bool on);
    Qt::Alignment Alignment() const { return m_alignment; }
    void SetAlignment(Qt::Alignment alignment) { m_alignment = alignment; }
    QWidget* FocusControl() const { return m_focusControl; }
    void SetFocusControl(QWidget* control) { m_focusControl = control; }

    bool UnderlineLinks() const { return m_underlineLinks; }
    void SetUnderlineLinks(bool on);
    QColor LinkColor() const { return m_linkColor; }
    void SetLinkColor(const QColor& color);
    QCursor LinkCursor() const { return m_linkCursor; }
    void SetLinkCursor(const QCursor& cursor);

    // The layout result, and the plain text that assistive technology reads.
    const std::vector<TLinkClick>& Runs() const { return m_runs; }
    QString PlainText() const { return m_plainText; }
    int HoveredRun() const { return m_hovered; }
    int PressedRun() const { return m_pressed; }
    int FocusedRun() const { return m_focused; }
    int LayoutCount() const { return m_layoutCount; }

    // Measures again with the current width and, with auto-size, takes the measured size
    // (only the height with LockWidth; the right edge stays with right alignment).
    void AdjustBounds();
    QSize sizeHint() const override { return m_measured; }

    // The caption as laid out: line feeds removed, carriage returns as one space, trimmed.
    static QString PreparedCaption(const QString& caption);

Q_SIGNALS:
    void OnLinkClick(const QString& uri, const QString& text, const QString& target);
    void OnLinkHover(const QString& uri, const QString& text, const QString& target);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    struct Fragment {
        int run;
        QString text;  // as written
        QRect rect;
        unsigned style;
        bool link;
    };
    struct Pen;

    void Layout();
    void EnsureLayout();
    void LayoutRun(TLinkClick& run, int index, Pen& pen);
    const QFontMetrics& Metrics(unsigned style);
    QFont StyledFont(unsigned style) const;
    void DrawFragments(QPainter& painter, const QPoint& offset, const QColor* only);
    int RunAt(const QPoint& point) const;
    QString LinkText(int run) const;
    void ResetHover();
    void UpdateShortcuts();
    void UpdateFocusPolicy();
    std::vector<int> LinkRuns() const;

    QString m_caption;
    bool m_autoSize = true;
    bool m_wordWrap = false;
    bool m_lockWidth = false;
    bool m_showAccelChar = true;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    QPointer<QWidget> m_focusControl;
    bool m_underlineLinks = true;
    QColor m_linkColor;
    QCursor m_linkCursor{Qt::PointingHandCursor};

    std::vector<TLinkClick> m_runs;
    std::vector<Fragment> m_fragments;
    std::array<std::optional<QFontMetrics>, 8> m_metrics;
    QSize m_measured;
    QString m_plainText;
    int m_layoutWidth = -1;
    bool m_dirty = true;
    bool m_busy = false;
    int m_layoutCount = 0;

    int m_hovered = -1;
    int m_pressed = -1;
    bool m_linkCursorShown = false;
    int m_focused = -1;
    std::vector<std::pair<int, QKeySequence>> m_shortcuts;  // id, key
};

} // namespace gaugeloft
