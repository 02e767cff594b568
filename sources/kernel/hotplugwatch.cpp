#include "sources/kernel/hotplugwatch.h"

#include <linux/netlink.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <string_view>

namespace gaugeloft::sources {

bool UeventChangesHardware(const char* message, std::size_t size)
{
    const std::string_view all(message, size);
    const std::size_t headerEnd = all.find('\0');
    const std::string_view header = all.substr(0, headerEnd);
    const std::size_t at = header.find('@');
    if (at == std::string_view::npos || headerEnd == std::string_view::npos)
        return false;
    const std::string_view action = header.substr(0, at);
    if (action != "add" && action != "remove" && action != "move")
        return false;
    constexpr std::string_view kSubsystem = "SUBSYSTEM=";
    for (std::size_t from = headerEnd + 1; from < all.size();) {
        std::size_t end = all.find('\0', from);
        if (end == std::string_view::npos)
            end = all.size();
        const std::string_view field = all.substr(from, end - from);
        if (field.substr(0, kSubsystem.size()) == kSubsystem) {
            const std::string_view subsystem = field.substr(kSubsystem.size());
            return subsystem == "hwmon" || subsystem == "power_supply" || subsystem == "net"
                || subsystem == "block";
        }
        from = end + 1;
    }
    return false;
}

HotplugWatch::HotplugWatch()
{
    const int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
    if (fd < 0)
        return;
    sockaddr_nl address {};
    address.nl_family = AF_NETLINK;
    address.nl_groups = 1;  // the kernel's own announcements
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return;
    }
    m_socket = fd;
}

HotplugWatch::~HotplugWatch()
{
    if (m_socket >= 0)
        ::close(m_socket);
}

bool HotplugWatch::Changed()
{
    if (m_socket < 0)
        return false;
    bool changed = false;
    std::array<char, 8192> buffer;
    for (;;) {
        sockaddr_nl from {};
        iovec part {buffer.data(), buffer.size()};
        msghdr header {};
        header.msg_name = &from;
        header.msg_namelen = sizeof from;
        header.msg_iov = &part;
        header.msg_iovlen = 1;
        const ssize_t size = ::recvmsg(m_socket, &header, 0);
        if (size < 0) {
            if (errno == EINTR)
                continue;
            if (errno == ENOBUFS) {  // some were dropped: anything may have happened
                changed = true;
                continue;
            }
            return changed;  // EAGAIN: nothing more queued
        }
        if (from.nl_pid != 0)  // only the kernel speaks for the hardware
            continue;
        if ((header.msg_flags & MSG_TRUNC) != 0)
            changed = true;
        else if (UeventChangesHardware(buffer.data(), std::size_t(size)))
            changed = true;
    }
}

} // namespace gaugeloft::sources
