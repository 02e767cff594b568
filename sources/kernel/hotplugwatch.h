#pragma once

// The kernel's announcements of devices that came or went (its uevent netlink socket), so
// that the kernel source need not list folders at every read. The socket is read only when
// asked and never watched by an event loop: it wakes nobody.

#include <cstddef>

namespace gaugeloft::sources {

// Whether one uevent message ("ACTION@devpath", then NUL-separated KEY=VALUE fields) tells
// of a hwmon chip, power supply, network interface or block device added, removed or moved.
// Batteries announce "change" every few seconds; that is not new hardware.
bool UeventChangesHardware(const char* message, std::size_t size);

class HotplugWatch {
public:
    HotplugWatch();  // Listening() is false when the socket cannot be had (then ask nothing)
    ~HotplugWatch();
    HotplugWatch(const HotplugWatch&) = delete;
    HotplugWatch& operator=(const HotplugWatch&) = delete;

    bool Listening() const { return m_socket >= 0; }
    // Reads what queued since the last call: true when hardware came or went, or when
    // messages were lost to a full queue.
    bool Changed();

private:
    int m_socket = -1;
};

} // namespace gaugeloft::sources
