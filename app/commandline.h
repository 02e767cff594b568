#pragma once

// The options that only print: --version and --help. They are handled before anything else
// (no display, no single-instance lock); every other argument is left to the program.

#include <optional>

namespace gaugeloft {

// The exit code when an option was handled, nothing when the program goes on.
std::optional<int> HandleInformationOptions(int argc, char** argv);

} // namespace gaugeloft
