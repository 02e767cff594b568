#include "platform/desktop/taskbarhint.h"

#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace gaugeloft::platform {
namespace {

constexpr uint32_t kStateRemove = 0;
constexpr uint32_t kStateAdd = 1;
constexpr uint32_t kSourceApplication = 1;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// Qt's own connection, or null when the application does not run on X11.
xcb_connection_t* X11Connection()
{
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

struct StateAtoms {
    xcb_atom_t state = XCB_ATOM_NONE;
    xcb_atom_t skipTaskbar = XCB_ATOM_NONE;
};

StateAtoms InternStateAtoms(xcb_connection_t* c)
{
    static constexpr char kState[] = "_NET_WM_STATE";
    static constexpr char kSkipTaskbar[] = "_NET_WM_STATE_SKIP_TASKBAR";
    const auto stateCookie = xcb_intern_atom(c, 0, sizeof kState - 1, kState);
    const auto skipCookie = xcb_intern_atom(c, 0, sizeof kSkipTaskbar - 1, kSkipTaskbar);
    StateAtoms atoms;
    if (Reply<xcb_intern_atom_reply_t> r{xcb_intern_atom_reply(c, stateCookie, nullptr)})
        atoms.state = r->atom;
    if (Reply<xcb_intern_atom_reply_t> r{xcb_intern_atom_reply(c, skipCookie, nullptr)})
        atoms.skipTaskbar = r->atom;
    return atoms;
}

// The window's _NET_WM_STATE atoms; false when the window cannot be read.
bool ReadState(xcb_connection_t* c, xcb_window_t window, xcb_atom_t stateAtom,
               std::vector<xcb_atom_t>& out)
{
    out.clear();
    const auto cookie = xcb_get_property(c, 0, window, stateAtom, XCB_ATOM_ATOM, 0, 1024);
    Reply<xcb_get_property_reply_t> reply{xcb_get_property_reply(c, cookie, nullptr)};
    if (!reply)
        return false;
    if (reply->type == XCB_ATOM_ATOM && reply->format == 32) {
        const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        out.assign(data, data + xcb_get_property_value_length(reply.get()) / sizeof(xcb_atom_t));
    }
    return true;
}

}  // namespace

bool SetSkipTaskbar(QWindow* window, bool skip)
{
    if (!window)
        return false;
    xcb_connection_t* c = X11Connection();
    if (!c)
        return false;
    const auto id = static_cast<xcb_window_t>(window->winId());  // creates the handle
    const StateAtoms atoms = InternStateAtoms(c);
    if (id == XCB_WINDOW_NONE || atoms.state == XCB_ATOM_NONE || atoms.skipTaskbar == XCB_ATOM_NONE)
        return false;

    const auto attrCookie = xcb_get_window_attributes(c, id);
    const auto geomCookie = xcb_get_geometry(c, id);
    Reply<xcb_get_window_attributes_reply_t> attrs{xcb_get_window_attributes_reply(c, attrCookie, nullptr)};
    Reply<xcb_get_geometry_reply_t> geometry{xcb_get_geometry_reply(c, geomCookie, nullptr)};
    if (!attrs || !geometry)
        return false;

    // The property itself: all an unmapped window needs, and what stays right when no
    // window manager runs. Other state atoms are kept.
    std::vector<xcb_atom_t> state;
    if (!ReadState(c, id, atoms.state, state))
        return false;
    const auto it = std::find(state.begin(), state.end(), atoms.skipTaskbar);
    const bool has = it != state.end();
    if (skip && !has)
        state.push_back(atoms.skipTaskbar);
    else if (!skip && has)
        state.erase(std::remove(state.begin(), state.end(), atoms.skipTaskbar), state.end());
    if (skip != has) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atoms.state, XCB_ATOM_ATOM, 32,
                            static_cast<uint32_t>(state.size()), state.data());
    }

    // A mapped window belongs to the window manager, which is asked through the root window.
    // Qt may have asked for the map without the server having done it yet, so check both.
    if (window->isVisible() || attrs->map_state != XCB_MAP_STATE_UNMAPPED) {
        xcb_client_message_event_t event;
        std::memset(&event, 0, sizeof event);
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = id;
        event.type = atoms.state;
        event.data.data32[0] = skip ? kStateAdd : kStateRemove;
        event.data.data32[1] = atoms.skipTaskbar;
        event.data.data32[2] = 0;
        event.data.data32[3] = kSourceApplication;
        xcb_send_event(c, 0, geometry->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char*>(&event));
    }
    xcb_flush(c);
    return true;
}

bool HasSkipTaskbar(QWindow* window)
{
    if (!window || !window->handle())
        return false;
    xcb_connection_t* c = X11Connection();
    if (!c)
        return false;
    const StateAtoms atoms = InternStateAtoms(c);
    if (atoms.state == XCB_ATOM_NONE || atoms.skipTaskbar == XCB_ATOM_NONE)
        return false;
    std::vector<xcb_atom_t> state;
    if (!ReadState(c, static_cast<xcb_window_t>(window->winId()), atoms.state, state))
        return false;
    return std::find(state.begin(), state.end(), atoms.skipTaskbar) != state.end();
}

}  // namespace gaugeloft::platform
