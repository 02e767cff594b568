#pragma once

// The web update's enumerations; their order is their stored number.

namespace gaugeloft::update {

// How visible a run is.
enum TMyCheckMode { cmNormal, cmSilent, cmVerySilent, cmCheckOnly };
// Where the proxy comes from.
enum TMyProxyMode { pmNone, pmAuto, pmManual };
// When the confirmation offers "Do not ask me again".
enum TMyTurnOffMode { tmHidden, tmVisible, tmAuto };
// Which package kinds the index may offer.
enum TMyUpdateMode { umSetup, umPortable, umAuto };
// The steps a run announces.
enum TMyUpdateStep { usWebCheck, usConfirm, usDownload, usInstall, usReplace };

} // namespace gaugeloft::update
