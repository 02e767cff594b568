#include "platform/desktop/taskbarhint.h"

#include <QGuiApplication>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

namespace gaugeloft::platform {
namespace {

TEST(TaskbarHint, DoesNothingWithoutX11)
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        GTEST_SKIP() << "running on X11";
    EXPECT_FALSE(SetSkipTaskbar(nullptr, true));
    EXPECT_FALSE(HasSkipTaskbar(nullptr));

    QWidget widget;
    widget.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    widget.winId();
    QWindow* window = widget.windowHandle();
    ASSERT_NE(window, nullptr);
    const Qt::WindowFlags flags = window->flags();

    EXPECT_FALSE(SetSkipTaskbar(window, true));
    EXPECT_FALSE(HasSkipTaskbar(window));
    EXPECT_EQ(window->flags(), flags);
    EXPECT_FALSE(widget.isVisible());

    widget.show();
    EXPECT_FALSE(SetSkipTaskbar(window, true));
    EXPECT_FALSE(SetSkipTaskbar(window, false));
    EXPECT_FALSE(HasSkipTaskbar(window));
    EXPECT_EQ(window->flags(), flags);
    EXPECT_TRUE(widget.isVisible());
}

// Real X server, e.g. Xvfb: GAUGELOFT_X11_TESTS=1 DISPLAY=:77 QT_QPA_PLATFORM=xcb.
class TaskbarHintX11 : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (qgetenv("GAUGELOFT_X11_TESTS") != "1" || qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "set GAUGELOFT_X11_TESTS=1 and DISPLAY to run on X11";
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs QT_QPA_PLATFORM=xcb";
        m_c = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
        ASSERT_NE(m_c, nullptr);
        m_state = Atom("_NET_WM_STATE");
        m_skipTaskbar = Atom("_NET_WM_STATE_SKIP_TASKBAR");
        m_skipPager = Atom("_NET_WM_STATE_SKIP_PAGER");
        m_above = Atom("_NET_WM_STATE_ABOVE");
    }

    xcb_atom_t Atom(const char* name)
    {
        auto* r = xcb_intern_atom_reply(
            m_c, xcb_intern_atom(m_c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t atom = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(r);
        return atom;
    }

    // _NET_WM_STATE as the server holds it.
    std::vector<xcb_atom_t> State(QWindow* window)
    {
        std::vector<xcb_atom_t> atoms;
        auto* r = xcb_get_property_reply(
            m_c,
            xcb_get_property(m_c, 0, static_cast<xcb_window_t>(window->winId()), m_state,
                             XCB_ATOM_ATOM, 0, 1024),
            nullptr);
        if (r && r->type == XCB_ATOM_ATOM && r->format == 32) {
            const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(r));
            atoms.assign(data, data + xcb_get_property_value_length(r) / sizeof(xcb_atom_t));
        }
        std::free(r);
        return atoms;
    }

    bool Holds(QWindow* window, xcb_atom_t atom)
    {
        const auto atoms = State(window);
        return std::find(atoms.begin(), atoms.end(), atom) != atoms.end();
    }

    xcb_connection_t* m_c = nullptr;
    xcb_atom_t m_state = XCB_ATOM_NONE;
    xcb_atom_t m_skipTaskbar = XCB_ATOM_NONE;
    xcb_atom_t m_skipPager = XCB_ATOM_NONE;
    xcb_atom_t m_above = XCB_ATOM_NONE;
};

// Without a window manager nobody acts on the ClientMessage sent for a mapped window;
// these pass because the property is also written directly.
TEST_F(TaskbarHintX11, ShownWindow)
{
    QWidget widget;
    widget.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    widget.resize(200, 100);
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    QWindow* window = widget.windowHandle();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(HasSkipTaskbar(window));

    ASSERT_TRUE(SetSkipTaskbar(window, true));
    EXPECT_TRUE(HasSkipTaskbar(window));
    EXPECT_TRUE(Holds(window, m_skipTaskbar));
    EXPECT_FALSE(Holds(window, m_skipPager)) << "the pager keeps the window";

    ASSERT_TRUE(SetSkipTaskbar(window, true));  // twice: no duplicate atom
    const auto atoms = State(window);
    EXPECT_EQ(std::count(atoms.begin(), atoms.end(), m_skipTaskbar), 1);

    ASSERT_TRUE(SetSkipTaskbar(window, false));
    EXPECT_FALSE(HasSkipTaskbar(window));
    EXPECT_FALSE(Holds(window, m_skipTaskbar));

    ASSERT_TRUE(SetSkipTaskbar(window, true));
    EXPECT_TRUE(Holds(window, m_skipTaskbar));
}

TEST_F(TaskbarHintX11, BeforeShowAndKeptByShow)
{
    QWidget widget;
    widget.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    widget.resize(200, 100);
    widget.winId();
    QWindow* window = widget.windowHandle();
    ASSERT_NE(window, nullptr);

    ASSERT_TRUE(SetSkipTaskbar(window, true));
    EXPECT_TRUE(HasSkipTaskbar(window));
    EXPECT_TRUE(Holds(window, m_skipTaskbar));
    EXPECT_FALSE(Holds(window, m_skipPager));

    ASSERT_TRUE(SetSkipTaskbar(window, false));
    EXPECT_FALSE(Holds(window, m_skipTaskbar));

    ASSERT_TRUE(SetSkipTaskbar(window, true));
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    EXPECT_TRUE(HasSkipTaskbar(window)) << "Qt merges its own state into the property on show";
}

TEST_F(TaskbarHintX11, CreatesTheNativeHandle)
{
    QWindow window;
    ASSERT_EQ(window.handle(), nullptr);
    EXPECT_FALSE(HasSkipTaskbar(&window)) << "no handle yet";
    ASSERT_TRUE(SetSkipTaskbar(&window, true));
    EXPECT_NE(window.handle(), nullptr);
    EXPECT_TRUE(HasSkipTaskbar(&window));
}

TEST_F(TaskbarHintX11, KeepsOtherStates)
{
    QWidget widget;
    widget.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    widget.resize(200, 100);
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    QWindow* window = widget.windowHandle();
    ASSERT_TRUE(Holds(window, m_above));

    ASSERT_TRUE(SetSkipTaskbar(window, true));
    EXPECT_TRUE(Holds(window, m_above));
    ASSERT_TRUE(SetSkipTaskbar(window, false));
    EXPECT_TRUE(Holds(window, m_above));
    EXPECT_FALSE(Holds(window, m_skipTaskbar));
}

// What a window manager would get: a second client listening on the root window.
TEST_F(TaskbarHintX11, AsksTheWindowManagerOnlyWhenMapped)
{
    xcb_connection_t* wm = xcb_connect(nullptr, nullptr);
    ASSERT_EQ(xcb_connection_has_error(wm), 0);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(wm)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_request_check(wm, xcb_change_window_attributes_checked(wm, root, XCB_CW_EVENT_MASK, &mask));

    // Client messages for _NET_WM_STATE that reached `wm` so far.
    const auto received = [&] {
        // A round trip on each side: the server has then sent and delivered the message.
        std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr));
        std::free(xcb_get_input_focus_reply(wm, xcb_get_input_focus(wm), nullptr));
        std::vector<xcb_client_message_event_t> out;
        while (xcb_generic_event_t* e = xcb_poll_for_event(wm)) {
            if ((e->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                const auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
                if (m->type == m_state)
                    out.push_back(*m);
            }
            std::free(e);
        }
        return out;
    };

    QWidget widget;
    widget.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    widget.resize(200, 100);
    widget.winId();
    QWindow* window = widget.windowHandle();
    ASSERT_TRUE(SetSkipTaskbar(window, true));
    EXPECT_TRUE(received().empty()) << "an unmapped window only sets the property";

    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    received();
    ASSERT_TRUE(SetSkipTaskbar(window, false));
    auto messages = received();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].window, static_cast<xcb_window_t>(window->winId()));
    EXPECT_EQ(messages[0].format, 32);
    EXPECT_EQ(messages[0].data.data32[0], 0u);  // remove
    EXPECT_EQ(messages[0].data.data32[1], m_skipTaskbar);
    EXPECT_EQ(messages[0].data.data32[2], 0u);
    EXPECT_EQ(messages[0].data.data32[3], 1u);  // application

    ASSERT_TRUE(SetSkipTaskbar(window, true));
    messages = received();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].data.data32[0], 1u);  // add
    EXPECT_EQ(messages[0].data.data32[1], m_skipTaskbar);
    xcb_disconnect(wm);
}

}  // namespace
}  // namespace gaugeloft::platform
