#include "ui/linklabel.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <set>

namespace gaugeloft {
namespace {

// A shown window holding the label, which is placed by hand (no layout).
class LinkLabelTest : public ::testing::Test {
protected:
    LinkLabelTest()
    {
        m_window.resize(400, 300);
        label = new TLinkLabel(&m_window);
        label->move(10, 10);
        m_window.show();
    }

    void Move(const QPoint& at)
    {
        QMouseEvent event(QEvent::MouseMove, at, label->mapToGlobal(at), Qt::NoButton, m_buttons, Qt::NoModifier);
        QApplication::sendEvent(label, &event);
    }
    void Press(const QPoint& at)
    {
        m_buttons = Qt::LeftButton;
        QMouseEvent event(QEvent::MouseButtonPress, at, label->mapToGlobal(at), Qt::LeftButton, m_buttons, Qt::NoModifier);
        QApplication::sendEvent(label, &event);
    }
    void Release(const QPoint& at)
    {
        m_buttons = Qt::NoButton;
        QMouseEvent event(QEvent::MouseButtonRelease, at, label->mapToGlobal(at), Qt::LeftButton, m_buttons, Qt::NoModifier);
        QApplication::sendEvent(label, &event);
    }
    QString HoveredUri(const QPoint& at)
    {
        QSignalSpy hover(label, &TLinkLabel::OnLinkHover);
        Move(at);
        const QString uri = label->HoveredRun() < 0 ? QString() : label->Runs()[static_cast<size_t>(label->HoveredRun())].URI;
        Move(QPoint(-50, -50));  // away, so the next move is a change
        return uri;
    }

    QWidget m_window;
    TLinkLabel* label;
    Qt::MouseButtons m_buttons = Qt::NoButton;
};

TEST_F(LinkLabelTest, CaptionIsPreparedThenParsed)
{
    EXPECT_EQ(TLinkLabel::PreparedCaption(QStringLiteral("a\r\n\r\nb")), QStringLiteral("a b"));
    EXPECT_EQ(TLinkLabel::PreparedCaption(QStringLiteral("  \t one\ntwo\r\r\rthree \x01")), QStringLiteral("onetwo three"));
    label->SetShowAccelChar(false);
    label->SetCaption(QStringLiteral("Tom &amp; Jerry &#34;quoted&#34; &bogus; &#0034;"));
    EXPECT_EQ(label->PlainText(), QStringLiteral("Tom & Jerry \"quoted\" &bogus; &#0034;"));
    label->SetCaption(QStringLiteral("one\r\ntwo\r\rthree"));
    EXPECT_EQ(label->PlainText(), QStringLiteral("one two three"));
    EXPECT_EQ(label->height(), QFontMetrics(label->font()).height()) << "one line";
}

TEST_F(LinkLabelTest, SpacedHrefAndUnquotedTarget)
{
    label->SetCaption(QStringLiteral("<a href=\"http://x.test/a b\" target=_blank>go</a> on"));
    ASSERT_EQ(label->Runs().size(), 2u);
    EXPECT_EQ(label->Runs()[0].URI, QStringLiteral("http://x.test/a b"));
    EXPECT_EQ(label->Runs()[0].Target, QStringLiteral("_blank"));
    EXPECT_TRUE(label->Runs()[1].URI.isEmpty());
}

TEST_F(LinkLabelTest, BreaksComeFromTagsOnly)
{
    label->SetWordWrap(true);
    label->resize(300, 20);
    label->SetCaption(QStringLiteral("a<br>b<br/>c<p>d</p>e"));
    const auto& runs = label->Runs();
    ASSERT_EQ(runs.size(), 5u);
    const int line = QFontMetrics(label->font()).height();
    EXPECT_EQ(runs[0].Rects[0].y(), 0);
    EXPECT_EQ(runs[1].Rects[0].y(), line);
    EXPECT_EQ(runs[2].Rects[0].y(), line) << "BR/ is not a break";
    EXPECT_EQ(runs[3].Rects[0].y(), 3 * line) << "P below the first line and after text: two breaks";
    EXPECT_EQ(runs[4].Rects[0].y(), 4 * line);
}

TEST_F(LinkLabelTest, BoldRunsAndABoldLabelFont)
{
    const QString word = QStringLiteral("WWWWmmmm");
    QFont bold = label->font();
    bold.setBold(true);
    const int regularWidth = QFontMetrics(label->font()).horizontalAdvance(word);
    const int boldWidth = QFontMetrics(bold).horizontalAdvance(word);
    ASSERT_NE(regularWidth, boldWidth);

    label->SetCaption(QStringLiteral("<b>%1</b>%1").arg(word));
    ASSERT_EQ(label->Runs().size(), 2u);
    EXPECT_EQ(label->Runs()[0].Rects[0].width(), boldWidth);
    EXPECT_EQ(label->Runs()[1].Rects[0].width(), regularWidth);
    EXPECT_EQ(label->Runs()[1].Rects[0].x(), boldWidth);

    label->setFont(bold);
    label->SetCaption(word);
    ASSERT_EQ(label->Runs().size(), 1u);
    EXPECT_EQ(label->Runs()[0].Rects[0].width(), regularWidth) << "a caption without tags is drawn regular";
}

TEST_F(LinkLabelTest, LinkWrappedOverFourLinesIsHitOnAllOfThem)
{
    const QFontMetrics metrics(label->font());
    const QString word = QStringLiteral("abcdefghij");
    label->SetWordWrap(true);
    label->SetLockWidth(true);
    label->resize(metrics.horizontalAdvance(QStringLiteral("S ") + word) + metrics.horizontalAdvance(QLatin1Char(' ') + word) / 2, 20);
    label->SetCaption(QStringLiteral("S <a href=\"link\">%1 %1 %1 %1</a>").arg(word));
    const int line = metrics.height();
    ASSERT_EQ(label->height(), 4 * line);
    ASSERT_EQ(label->Runs().size(), 2u);
    const TLinkClick& link = label->Runs()[1];
    ASSERT_EQ(link.RectCount, 3);
    EXPECT_EQ(link.Rects[1].height(), 2 * line) << "the middle lines are one block";
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(HoveredUri(QPoint(metrics.horizontalAdvance(word) / 2 + (y == 0 ? link.Rects[0].x() : 0), y * line + line / 2)),
                  QStringLiteral("link"))
            << "line " << y;
    const QPoint gap(link.Rects[0].right() + 4, line / 2);
    ASSERT_LT(gap.x(), label->width());
    EXPECT_EQ(HoveredUri(gap), QString());
    EXPECT_EQ(HoveredUri(QPoint(2, line / 2)), QString()) << "the plain text before it";
}

TEST_F(LinkLabelTest, HoverAndClick)
{
    label->SetCaption(QStringLiteral("<a href=one target=t1>One</a> <a href=two>Two</a>"));
    ASSERT_EQ(label->Runs().size(), 3u);
    const QPoint one = label->Runs()[0].Rects[0].center();
    const QPoint two = label->Runs()[2].Rects[0].center();
    QSignalSpy hover(label, &TLinkLabel::OnLinkHover);
    QSignalSpy click(label, &TLinkLabel::OnLinkClick);

    Move(one);
    EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
    Move(one + QPoint(1, 0));  // the same run: no second notice
    ASSERT_EQ(hover.count(), 1);
    EXPECT_EQ(hover[0], (QVariantList{QStringLiteral("one"), QStringLiteral("One"), QStringLiteral("t1")}));
    Press(one);
    Release(one);
    ASSERT_EQ(click.count(), 1);
    EXPECT_EQ(click[0], (QVariantList{QStringLiteral("one"), QStringLiteral("One"), QStringLiteral("t1")}));

    // pressed on one link, released on the other: no click
    Press(one);
    Move(two);
    Release(two);
    EXPECT_EQ(click.count(), 1);
    EXPECT_EQ(hover.last()[0].toString(), QStringLiteral("two"));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(label, &leave);
    EXPECT_EQ(hover.last(), (QVariantList{QString(), QString(), QString()}));
    EXPECT_NE(label->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(label->HoveredRun(), -1);
}

TEST_F(LinkLabelTest, LinkTextJoinsNeighbouringRunsOfTheSameLink)
{
    label->SetCaption(QStringLiteral("<a href=u>Get <b>it</b> now</a>"));
    ASSERT_EQ(label->Runs().size(), 3u);
    QSignalSpy hover(label, &TLinkLabel::OnLinkHover);
    Move(label->Runs()[1].Rects[0].center());
    ASSERT_EQ(hover.count(), 1);
    EXPECT_EQ(hover[0][1].toString(), QStringLiteral("Get it now"));
}

TEST_F(LinkLabelTest, AcceleratorFiresTheLinkOrFocusesTheControl)
{
    auto* edit = new QLineEdit(&m_window);
    edit->move(10, 200);
    edit->show();
    auto* other = new TLinkLabel(&m_window);
    other->move(10, 100);
    other->SetCaption(QStringLiteral("&Name && more:"));
    other->SetFocusControl(edit);
    other->show();
    label->SetCaption(QStringLiteral("<a href=#>Check For &Updates...</a>"));
    EXPECT_EQ(label->PlainText(), QStringLiteral("Check For Updates..."));
    EXPECT_EQ(other->PlainText(), QStringLiteral("Name & more:"));
    m_window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));

    QSignalSpy click(label, &TLinkLabel::OnLinkClick);
    QTest::keyClick(&m_window, Qt::Key_U, Qt::AltModifier);
    ASSERT_EQ(click.count(), 1);
    EXPECT_EQ(click[0], (QVariantList{QStringLiteral("#"), QStringLiteral("Check For &Updates..."), QString()}));

    QTest::keyClick(&m_window, Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(edit->hasFocus());

    label->SetShowAccelChar(false);
    EXPECT_EQ(label->PlainText(), QStringLiteral("Check For &Updates..."));
    QTest::keyClick(&m_window, Qt::Key_U, Qt::AltModifier);
    EXPECT_EQ(click.count(), 1) << "no accelerator while they are not shown";
}

TEST_F(LinkLabelTest, KeyboardReachesEachLink)
{
    auto* before = new QLineEdit(&m_window);
    before->move(10, 200);
    before->show();
    QWidget::setTabOrder(before, label);
    label->SetCaption(QStringLiteral("Plain, <a href=one>One</a> and <a href=two>Two</a>"));
    EXPECT_EQ(label->focusPolicy(), Qt::TabFocus);
    EXPECT_EQ(label->accessibleName(), QStringLiteral("Plain, One and Two"));
    m_window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
    before->setFocus();
    QSignalSpy click(label, &TLinkLabel::OnLinkClick);
    QTest::keyClick(before, Qt::Key_Tab);
    ASSERT_TRUE(label->hasFocus());
    EXPECT_EQ(label->FocusedRun(), 1);
    QTest::keyClick(label, Qt::Key_Tab);
    EXPECT_EQ(label->FocusedRun(), 3);
    QTest::keyClick(label, Qt::Key_Return);
    ASSERT_EQ(click.count(), 1);
    EXPECT_EQ(click[0][0].toString(), QStringLiteral("two"));
    QTest::keyClick(label, Qt::Key_Backtab);
    EXPECT_EQ(label->FocusedRun(), 1);
    QTest::keyClick(label, Qt::Key_Space);
    EXPECT_EQ(click.last()[0].toString(), QStringLiteral("one"));

    label->SetCaption(QStringLiteral("no links"));
    EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
}

TEST_F(LinkLabelTest, EmptyCaptionKeepsOneLine)
{
    const QFontMetrics metrics(label->font());
    for (const QString& caption : {QString(), QStringLiteral("   \r\n"), QStringLiteral("&")}) {
        label->SetCaption(QStringLiteral("x"));
        label->SetCaption(caption);
        EXPECT_EQ(label->height(), metrics.height()) << qPrintable(caption);
        EXPECT_EQ(label->width(), metrics.horizontalAdvance(QLatin1Char(' '))) << qPrintable(caption);
        EXPECT_TRUE(label->Runs().empty());
    }
}

TEST_F(LinkLabelTest, AutoSizeWithLockWidthAndRightAlignment)
{
    label->SetCaption(QStringLiteral("short"));
    const int shortWidth = label->width();
    label->SetCaption(QStringLiteral("a much longer caption"));
    EXPECT_GT(label->width(), shortWidth);

    label->SetAlignment(Qt::AlignRight);
    const int right = label->geometry().right();
    label->SetCaption(QStringLiteral("tiny"));
    EXPECT_EQ(label->geometry().right(), right);

    // without LockWidth the label takes its widest line, one space wider when it wrapped
    label->SetAlignment(Qt::AlignLeft);
    label->SetWordWrap(true);
    label->resize(200, 10);
    const QFontMetrics metrics(label->font());
    const QString longest = QStringLiteral("wwwwwwwwwwwwwwww");
    label->resize(metrics.horizontalAdvance(longest + QStringLiteral(" a")) - 1, 10);
    label->SetCaption(longest + QStringLiteral(" a"));
    EXPECT_EQ(label->height(), 2 * metrics.height());
    EXPECT_EQ(label->width(), metrics.horizontalAdvance(longest) + metrics.horizontalAdvance(QLatin1Char(' ')));

    label->SetWordWrap(true);
    label->SetLockWidth(true);
    label->resize(60, 10);
    label->SetCaption(QStringLiteral("several words that cannot stand on one short line"));
    EXPECT_EQ(label->width(), 60);
    EXPECT_GT(label->height(), 2 * QFontMetrics(label->font()).height());
}

TEST_F(LinkLabelTest, LayoutIsKeptUntilTheWidthChanges)
{
    label->SetAutoSize(false);
    label->resize(200, 40);
    label->SetCaption(QStringLiteral("<b>kept</b> layout"));
    const int layouts = label->LayoutCount();
    label->repaint();
    label->repaint();
    EXPECT_EQ(label->LayoutCount(), layouts);
    label->resize(150, 40);
    label->repaint();
    EXPECT_EQ(label->LayoutCount(), layouts + 1);
}

// Colours in a rendering of the label.
std::set<QRgb> Colours(QWidget* widget)
{
    QImage image(widget->size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget->render(&image);
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) == 255)
                colours.insert(image.pixel(x, y) & 0xFFFFFF);
        }
    }
    return colours;
}

TEST_F(LinkLabelTest, LinksInTheirColourDisabledLabelInHighlightAndShadow)
{
    label->SetLinkColor(QColor(255, 0, 0));
    label->SetCaption(QStringLiteral("<a href=x>LINK</a>"));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    palette.setColor(QPalette::Light, QColor(0, 255, 0));
    palette.setColor(QPalette::Dark, QColor(255, 0, 255));
    label->setPalette(palette);
    EXPECT_TRUE(Colours(label).count(0xFF0000));
    label->setEnabled(false);
    const std::set<QRgb> disabled = Colours(label);
    EXPECT_FALSE(disabled.count(0xFF0000));
    EXPECT_TRUE(disabled.count(0x00FF00));
    EXPECT_TRUE(disabled.count(0xFF00FF));
}

} // namespace
} // namespace gaugeloft
