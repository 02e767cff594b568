#pragma once

// How the window's pixels reach an X server. The dashboard repaints small parts of its tiles
// several times a second; with shared-memory images Qt waits at every repaint until the
// server is done with the last one (a round trip), where sending the few changed pixels over
// the connection costs less. Set before the application object connects to the display, and
// taken back once it has, so that programs started from here (a browser, the restarted
// program) keep their own choice.

namespace gaugeloft::platform {

class X11SocketImages {
public:
    // Asks Qt not to use shared-memory images, unless the user chose either way already
    // (QT_XCB_NO_MITSHM set) or keeps them with GAUGELOFT_X11_SHM=1.
    X11SocketImages();
    // Takes the request back out of the environment (what Qt read stays read).
    void Release();
    ~X11SocketImages() { Release(); }

    X11SocketImages(const X11SocketImages&) = delete;
    X11SocketImages& operator=(const X11SocketImages&) = delete;

    bool Requested() const { return m_requested; }

private:
    bool m_requested = false;
};

} // namespace gaugeloft::platform
