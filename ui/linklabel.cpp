#include "ui/linklabel.h"

#include "update/hyperparse.h"

#include <QAccessible>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include <algorithm>
#include <climits>

namespace gaugeloft {

namespace {

bool IsSeparator(QChar c)
{
    return c == u' ' || c == u'\r' || c == u'\n' || c == u'\b';
}

// Words with one leading space where separators came before them; separators at the end
// make a last word of one space, so "Hello <b>world</b>" keeps its space.
QStringList SplitWords(const QString& text)
{
    QStringList words;
    QString word;
    bool separated = false;
    for (const QChar c : text) {
        if (IsSeparator(c)) {
            if (!word.isEmpty()) {
                words << word;
                word.clear();
            }
            separated = true;
            continue;
        }
        if (word.isEmpty() && separated)
            word += u' ';
        separated = false;
        word += c;
    }
    if (!word.isEmpty())
        words << word;
    if (separated)
        words << QStringLiteral(" ");
    return words;
}

// With accelerators shown: "&&" draws as "&", a single "&" is not drawn and the first one
// underlines the character after it (its index in the result, -1 when there is none).
QString DrawnText(const QString& text, bool accelerators, int* underlined = nullptr)
{
    if (underlined)
        *underlined = -1;
    if (!accelerators || !text.contains(u'&'))
        return text;
    QString drawn;
    drawn.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'&') {
            drawn += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == u'&') {
            drawn += u'&';
            ++i;
        } else if (underlined && *underlined < 0 && i + 1 < text.size()) {
            *underlined = static_cast<int>(drawn.size());
        }
    }
    return drawn;
}

// The character after the first single "&", upper-cased; null when there is none.
QChar Accelerator(const QString& text)
{
    int underlined = -1;
    const QString drawn = DrawnText(text, true, &underlined);
    return underlined >= 0 ? drawn[underlined].toUpper() : QChar();
}

QRect Inclusive(const QRect& rect)
{
    return rect.adjusted(0, 0, 1, 1);  // the right and bottom edges hit too
}

} // namespace

struct TLinkLabel::Pen {
    int x = 0;
    int y = 0;
    unsigned style = 0;
    int space = 0;
    int right = 0;   // what the fragments cover
    int bottom = 0;
    QRect clip;
};

TLinkLabel::TLinkLabel(QWidget* parent) : QWidget(parent), m_linkColor(palette().color(QPalette::Link))
{
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    AdjustBounds();
}

QString TLinkLabel::PreparedCaption(const QString& caption)
{
    QString text;
    text.reserve(caption.size());
    for (const QChar c : caption) {
        if (c == u'\n')
            continue;
        if (c == u'\r') {
            if (!text.endsWith(u'\r'))
                text += u'\r';
            continue;
        }
        text += c;
    }
    text.replace(u'\r', u' ');
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start].unicode() <= 32)
        ++start;
    while (end > start && text[end - 1].unicode() <= 32)
        --end;
    return text.mid(start, end - start);
}

void TLinkLabel::SetCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    m_dirty = true;
    ResetHover();
    AdjustBounds();
    update();
}

void TLinkLabel::SetAutoSize(bool on)
{
    m_autoSize = on;
    m_dirty = true;
    AdjustBounds();
}

void TLinkLabel::SetWordWrap(bool on)
{
    m_wordWrap = on;
    m_dirty = true;
    AdjustBounds();
    update();
}

void TLinkLabel::SetLockWidth(bool on)
{
    m_lockWidth = on;
    m_dirty = true;
    AdjustBounds();
}

void TLinkLabel::SetShowAccelChar(bool on)
{
    m_showAccelChar = on;
    m_dirty = true;
    AdjustBounds();
    update();
}

void TLinkLabel::SetUnderlineLinks(bool on)
{
    m_underlineLinks = on;
    update();
}

void TLinkLabel::SetLinkColor(const QColor& color)
{
    m_linkColor = color;
    update();
}

void TLinkLabel::SetLinkCursor(const QCursor& cursor)
{
    m_linkCursor = cursor;
    if (m_linkCursorShown)
        setCursor(m_linkCursor);
    update();
}

QFont TLinkLabel::StyledFont(unsigned style) const
{
    QFont styled = font();
    styled.setBold(style & lsBold);
    styled.setItalic(style & lsItalic);
    styled.setUnderline(style & lsUnderline);
    return styled;
}

const QFontMetrics& TLinkLabel::Metrics(unsigned style)
{
    std::optional<QFontMetrics>& metrics = m_metrics[style & lsAll];
    if (!metrics)
        metrics.emplace(StyledFont(style));
    return *metrics;
}

void TLinkLabel::AdjustBounds()
{
    m_dirty = true;
    Layout();
    if (!m_autoSize)
        return;
    QRect bounds = geometry();
    const int newWidth = m_lockWidth ? bounds.width() : m_measured.width();
    if (m_alignment & Qt::AlignRight)
        bounds.setLeft(bounds.right() + 1 - newWidth);
    else
        bounds.setWidth(newWidth);
    bounds.setHeight(m_measured.height());
    setGeometry(bounds);
}

void TLinkLabel::EnsureLayout()
{
    if (m_dirty || m_layoutWidth != width())
        Layout();
}

void TLinkLabel::Layout()
{
    if (m_busy)
        return;  // a request while laying out or painting
    m_busy = true;
    ++m_layoutCount;
    m_metrics = {};
    m_runs.clear();
    m_fragments.clear();
    m_layoutWidth = width();
    m_dirty = false;

    const QFontMetrics& plain = Metrics(0);
    Pen pen;
    pen.style = (font().bold() ? lsBold : 0) | (font().italic() ? lsItalic : 0) | (font().underline() ? lsUnderline : 0);
    pen.space = plain.horizontalAdvance(u' ');
    pen.right = pen.space;
    pen.bottom = Metrics(pen.style).height();
    pen.clip = QRect(0, 0, m_autoSize && !m_lockWidth ? INT_MAX / 2 : width(), m_autoSize ? INT_MAX / 2 : height());

    const QString text = PreparedCaption(m_caption);
    if (!text.isEmpty() && !(text == QLatin1String("&") && m_showAccelChar)) {
        update::THyperParse parser;
        parser.Parse(text);
        TLinkClick pending;
        pending.StyleOff = lsAll;
        const auto close = [this, &pending] {
            if (!pending.Text.isEmpty())
                m_runs.push_back(pending);
            pending.Text.clear();
            pending.LineBreaks = 0;
            pending.StyleOn = pending.StyleOff = 0;
            pending.Rects = {};
            pending.RectCount = 0;
        };
        for (const update::THtmlInfo& item : parser.Items()) {
            if (!item.IsTag) {
                if (item.Text.isEmpty())
                    continue;
                if (!pending.Text.isEmpty())
                    close();  // two texts in a row are two runs
                pending.Text = item.Text;
                LayoutRun(pending, static_cast<int>(m_runs.size()), pen);
                continue;
            }
            const QString& name = item.Name;
            if (name == QLatin1String("A")) {
                close();
                pending.URI = item.ParamValue(QStringLiteral("href"));
                pending.Target = item.ParamValue(QStringLiteral("target"));
            } else if (name == QLatin1String("/A")) {
                close();
                pending.URI.clear();
                pending.Target.clear();
            } else if (name == QLatin1String("B") || name == QLatin1String("I") || name == QLatin1String("U")) {
                close();
                pending.StyleOn |= name == QLatin1String("B") ? lsBold : name == QLatin1String("I") ? lsItalic : lsUnderline;
            } else if (name == QLatin1String("/B") || name == QLatin1String("/I") || name == QLatin1String("/U")) {
                close();
                pending.StyleOff |= name == QLatin1String("/B") ? lsBold : name == QLatin1String("/I") ? lsItalic : lsUnderline;
            } else if (name == QLatin1String("P")) {
                close();
                pending.LineBreaks += (pen.y > 0 ? 1 : 0) + (pen.x > 0 ? 1 : 0);
            } else if (name == QLatin1String("/P") || name == QLatin1String("BR")) {
                close();
                ++pending.LineBreaks;
            }
        }
        close();
    }

    m_measured = QSize(m_lockWidth || !m_autoSize ? width() : pen.right, pen.bottom);
    QString plainText;
    for (const Fragment& fragment : m_fragments) {
        if (fragment.rect.x() == 0 && !plainText.isEmpty())
            plainText += u'\n';
        plainText += DrawnText(fragment.text, m_showAccelChar);
    }
    if (plainText != m_plainText) {
        m_plainText = plainText;
        setAccessibleName(m_plainText);
    }
    UpdateShortcuts();
    UpdateFocusPolicy();
    m_busy = false;
}

void TLinkLabel::LayoutRun(TLinkClick& run, int index, Pen& pen)
{
    for (int i = 0; i < run.LineBreaks; ++i) {
        if (m_wordWrap) {
            pen.y += Metrics(pen.style).height();
            pen.x = 0;
        } else {
            pen.x += Metrics(pen.style).horizontalAdvance(u' ');
        }
    }
    pen.style = (pen.style & ~run.StyleOff) | run.StyleOn;
    const QFontMetrics& metrics = Metrics(pen.style);
    const bool link = !run.URI.isEmpty();
    const int labelWidth = width();

    const auto place = [&](QString fragment, bool more) {
        if (pen.x == 0) {
            qsizetype skip = 0;
            while (skip < fragment.size() && IsSeparator(fragment[skip]))
                ++skip;
            fragment.remove(0, skip);
        }
        const QRect rect(pen.x, pen.y, metrics.horizontalAdvance(DrawnText(fragment, m_showAccelChar)), metrics.height());
        m_fragments.push_back({index, fragment, rect, pen.style, link});
        // a line that wraps before the label's width counts one space wider
        const bool wraps = more && m_wordWrap && rect.x() + rect.width() < labelWidth;
        pen.right = std::max(pen.right, rect.x() + rect.width() + (wraps ? pen.space : 0));
        pen.bottom = std::max(pen.bottom, rect.y() + rect.height());
        const QRect hit = rect.intersected(pen.clip);
        if (!hit.isEmpty()) {
            if (run.RectCount < 2)
                run.Rects[static_cast<size_t>(run.RectCount++)] = hit;
            else if (more)
                run.Rects[1] = run.Rects[1].united(hit);  // the block of the middle lines
            else
                run.Rects[static_cast<size_t>(run.RectCount++)] = hit;
        }
        if (more && m_wordWrap) {
            pen.y += rect.height();
            pen.x = 0;
        } else {
            pen.x += rect.width();
        }
    };

    QStringList words = SplitWords(run.Text);
    if (!m_wordWrap) {
        place(words.join(QString()), false);
        return;
    }
    QString fragment;
    qsizetype i = 0;
    while (i < words.size()) {
        const QString candidate = fragment + words[i];
        const int candidateWidth = metrics.horizontalAdvance(DrawnText(candidate, m_showAccelChar));
        if (candidateWidth != 0 && candidateWidth <= labelWidth - pen.x) {
            fragment = candidate;
            ++i;
            continue;
        }
        if (!fragment.isEmpty()) {
            place(fragment, true);
            fragment.clear();
            if (words[i].startsWith(u' '))
                words[i].remove(0, 1);  // it waits for the next line
            if (words[i].isEmpty())
                ++i;
            continue;
        }
        const int wordWidth = metrics.horizontalAdvance(DrawnText(words[i], m_showAccelChar));
        if (wordWidth > labelWidth || pen.x == 0) {
            ++i;  // alone on its line, overflowing
            place(words[i - 1], i < words.size());
            continue;
        }
        pen.y += metrics.height();
        pen.x = 0;
    }
    if (!fragment.isEmpty())
        place(fragment, false);
}

void TLinkLabel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_layoutWidth == width() || m_busy)
        return;
    Layout();
    if (m_autoSize && m_wordWrap && height() != m_measured.height())
        resize(width(), m_measured.height());
}

void TLinkLabel::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        AdjustBounds();
        update();
    } else if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled())
            ResetHover();
        update();
    }
}

void TLinkLabel::paintEvent(QPaintEvent*)
{
    if (m_busy)
        return;
    EnsureLayout();
    m_busy = true;
    QPainter painter(this);
    painter.setClipRect(rect());
    if (isEnabled()) {
        DrawFragments(painter, QPoint(), nullptr);
    } else {
        const QColor highlight = palette().color(QPalette::Light);
        const QColor shadow = palette().color(QPalette::Dark);
        DrawFragments(painter, QPoint(1, 1), &highlight);
        DrawFragments(painter, QPoint(), &shadow);
    }
    if (hasFocus() && m_focused >= 0) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        const TLinkClick& run = m_runs[static_cast<size_t>(m_focused)];
        for (int r = 0; r < run.RectCount; ++r) {
            option.rect = run.Rects[static_cast<size_t>(r)];
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
        }
    }
    m_busy = false;
}

void TLinkLabel::DrawFragments(QPainter& painter, const QPoint& offset, const QColor* only)
{
    const QColor text = palette().color(foregroundRole());
    for (const Fragment& fragment : m_fragments) {
        const bool linkLook = fragment.link && isEnabled();
        const unsigned style = fragment.style | (linkLook && m_underlineLinks ? lsUnderline : 0);
        painter.setPen(only ? *only : linkLook ? m_linkColor : text);
        int underlined = -1;
        const QString drawn = DrawnText(fragment.text, m_showAccelChar, &underlined);
        const QFont font = StyledFont(style);
        const QFontMetrics& metrics = Metrics(style);
        const QPoint origin = fragment.rect.topLeft() + offset + QPoint(0, metrics.ascent());
        painter.setFont(font);
        if (underlined < 0) {
            painter.drawText(origin, drawn);
            continue;
        }
        // the accelerator's character underlined, the rest as it is
        const QString before = drawn.left(underlined);
        painter.drawText(origin, before);
        const int x = origin.x() + metrics.horizontalAdvance(before);
        QFont marked = font;
        marked.setUnderline(true);
        painter.setFont(marked);
        painter.drawText(QPoint(x, origin.y()), drawn.mid(underlined, 1));
        painter.setFont(font);
        painter.drawText(QPoint(x + metrics.horizontalAdvance(drawn.mid(underlined, 1)), origin.y()), drawn.mid(underlined + 1));
    }
}

int TLinkLabel::RunAt(const QPoint& point) const
{
    for (size_t i = 0; i < m_runs.size(); ++i) {
        const TLinkClick& run = m_runs[i];
        if (run.URI.isEmpty())
            continue;
        for (int r = 0; r < run.RectCount; ++r) {
            if (Inclusive(run.Rects[static_cast<size_t>(r)]).contains(point))
                return static_cast<int>(i);
        }
    }
    return -1;
}

QString TLinkLabel::LinkText(int index) const
{
    const QString& uri = m_runs[static_cast<size_t>(index)].URI;
    int first = index;
    while (first > 0 && m_runs[static_cast<size_t>(first - 1)].URI == uri)
        --first;
    QString text;
    for (int i = first; i < static_cast<int>(m_runs.size()) && m_runs[static_cast<size_t>(i)].URI == uri; ++i)
        text += m_runs[static_cast<size_t>(i)].Text;
    return text;
}

void TLinkLabel::ResetHover()
{
    m_hovered = -1;
    m_pressed = -1;
    if (m_linkCursorShown) {
        unsetCursor();
        m_linkCursorShown = false;
    }
}

void TLinkLabel::mouseMoveEvent(QMouseEvent* event)
{
    EnsureLayout();
    const int hit = RunAt(event->position().toPoint());
    if (hit >= 0) {
        setCursor(m_linkCursor);
        m_linkCursorShown = true;
        if (hit != m_hovered) {
            m_hovered = hit;
            const TLinkClick& run = m_runs[static_cast<size_t>(hit)];
            Q_EMIT OnLinkHover(run.URI, LinkText(hit), run.Target);
        }
    } else if (m_hovered >= 0) {
        ResetHover();
        Q_EMIT OnLinkHover(QString(), QString(), QString());
    }
}

void TLinkLabel::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (m_hovered < 0)
        return;
    ResetHover();
    Q_EMIT OnLinkHover(QString(), QString(), QString());
}

void TLinkLabel::mousePressEvent(QMouseEvent* event)
{
    m_pressed = m_linkCursorShown ? m_hovered : -1;
    event->accept();
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    const int pressed = m_pressed;
    m_pressed = -1;
    if (m_hovered < 0 || !m_linkCursorShown || pressed != m_hovered)
        return;
    const TLinkClick& run = m_runs[static_cast<size_t>(m_hovered)];
    Q_EMIT OnLinkClick(run.URI, LinkText(m_hovered), run.Target);
}

void TLinkLabel::UpdateShortcuts()
{
    std::vector<QKeySequence> keys;
    if (m_showAccelChar) {
        for (const TLinkClick& run : m_runs) {
            const QChar accelerator = Accelerator(run.Text);
            if (accelerator.isNull())
                continue;
            const QKeySequence key = QKeySequence::mnemonic(QStringLiteral("&") + accelerator);
            if (!key.isEmpty() && std::find(keys.begin(), keys.end(), key) == keys.end())
                keys.push_back(key);
        }
    }
    const bool same = keys.size() == m_shortcuts.size()
        && std::equal(keys.begin(), keys.end(), m_shortcuts.begin(), [](const QKeySequence& k, const auto& held) { return k == held.second; });
    if (same)
        return;
    for (const auto& held : m_shortcuts)
        releaseShortcut(held.first);
    m_shortcuts.clear();
    for (const QKeySequence& key : keys)
        m_shortcuts.emplace_back(grabShortcut(key), key);
}

bool TLinkLabel::event(QEvent* event)
{
    if (event->type() != QEvent::Shortcut)
        return QWidget::event(event);
    const auto* shortcut = static_cast<QShortcutEvent*>(event);
    EnsureLayout();
    if (!m_showAccelChar || !isEnabled() || !isVisible())
        return false;
    for (const TLinkClick& run : m_runs) {
        const QChar accelerator = Accelerator(run.Text);
        if (accelerator.isNull() || QKeySequence::mnemonic(QStringLiteral("&") + accelerator) != shortcut->key())
            continue;
        if (run.URI.isEmpty()) {
            if (m_focusControl && m_focusControl->isEnabled() && m_focusControl->focusPolicy() != Qt::NoFocus)
                m_focusControl->setFocus(Qt::ShortcutFocusReason);
        } else {
            Q_EMIT OnLinkClick(run.URI, run.Text, run.Target);
        }
        return true;
    }
    return false;
}

std::vector<int> TLinkLabel::LinkRuns() const
{
    std::vector<int> links;
    for (size_t i = 0; i < m_runs.size(); ++i) {
        if (!m_runs[i].URI.isEmpty() && m_runs[i].RectCount > 0)
            links.push_back(static_cast<int>(i));
    }
    return links;
}

void TLinkLabel::UpdateFocusPolicy()
{
    const bool links = !LinkRuns().empty();
    setFocusPolicy(links ? Qt::TabFocus : Qt::NoFocus);
    const std::vector<int> runs = LinkRuns();
    if (std::find(runs.begin(), runs.end(), m_focused) == runs.end())
        m_focused = -1;
}

void TLinkLabel::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    EnsureLayout();
    const std::vector<int> links = LinkRuns();
    if (!links.empty() && m_focused < 0)
        m_focused = event->reason() == Qt::BacktabFocusReason ? links.back() : links.front();
    if (m_focused >= 0) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
    update();
}

void TLinkLabel::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        m_focused = -1;
    update();
}

bool TLinkLabel::focusNextPrevChild(bool next)
{
    if (hasFocus()) {
        const std::vector<int> links = LinkRuns();
        const auto at = std::find(links.begin(), links.end(), m_focused);
        if (at != links.end()) {
            if (next && at + 1 != links.end()) {
                m_focused = *(at + 1);
                update();
                return true;
            }
            if (!next && at != links.begin()) {
                m_focused = *(at - 1);
                update();
                return true;
            }
        }
        m_focused = -1;
    }
    return QWidget::focusNextPrevChild(next);
}

void TLinkLabel::keyPressEvent(QKeyEvent* event)
{
    const bool activate = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space;
    if (!activate || m_focused < 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    const TLinkClick& run = m_runs[static_cast<size_t>(m_focused)];
    Q_EMIT OnLinkClick(run.URI, LinkText(m_focused), run.Target);
}

} // namespace gaugeloft
