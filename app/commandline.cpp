#include "app/commandline.h"

#include "platform/nativepath.h"
#include "update/versioninfo.h"

#include <cstdio>
#include <cstring>

namespace gaugeloft {

namespace {

constexpr const char* kHelp =
    "Usage: gaugeloft [--version | --help]\n"
    "\n"
    "A desktop dashboard for hardware sensors. Only one copy runs per user: starting\n"
    "another shows the running copy's window, waits up to 10 seconds for it to end and\n"
    "otherwise exits with code 1.\n"
    "\n"
    "Options:\n"
    "  --version  print the program's name and version, then exit\n"
    "  --help     print this help, then exit\n"
    "\n"
    "Environment:\n"
    "  GAUGELOFT_SENSOR_FILE  show the sensors of this JSON snapshot file, read again every\n"
    "                         second, instead of the provider chosen in the options\n"
    "  GAUGELOFT_DEMO_TILES   fill an empty dashboard with this many tiles (demonstrations)\n"
    "  GAUGELOFT_UPDATES_ROOT where the web update looks for its index and packages (an\n"
    "                         http or https address; a mirror, or a test server)\n"
    "  http_proxy, all_proxy, https_proxy\n"
    "                         the proxy of the web update when its proxy is automatic\n"
    "  SSL_CERT_FILE          certificate authorities trusted besides the system's\n"
    "  COMPUTERNAME           the computer name of the title strip and the dashboard file\n"
    "                         (default: the host name)\n"
    "  XDG_CONFIG_HOME        where the settings and the dashboard file are kept\n"
    "                         (default: ~/.config)\n"
    "  XDG_RUNTIME_DIR        where the single-instance lock is kept (default: the\n"
    "                         temporary folder)\n";

} // namespace

std::optional<int> HandleInformationOptions(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kHelp, stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            const QString version =
                update::GetVersionInfoValue(platform::ExecutablePath(), QStringLiteral("FileVersion"));
            std::printf("Gaugeloft %s\n", version.toUtf8().constData());
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
    }
    return std::nullopt;
}

} // namespace gaugeloft
