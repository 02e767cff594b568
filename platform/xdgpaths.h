#pragma once

// Folders of the XDG base directory rules.

#include <QString>

namespace gaugeloft::platform {

// ${XDG_CONFIG_HOME} when set to an absolute path, else ~/.config (the home folder from HOME,
// or from the user database when HOME is not set).
QString ConfigHome();

} // namespace gaugeloft::platform
