#pragma once

#include <QDateTime>

namespace gaugeloft {

// The local date and time, as QDateTime::currentDateTime() gives it, without its look at the
// time zone file on every call: the zone is read again at most once a minute, so a zone
// changed while the program runs shows within a minute. Daylight-saving changes come from the
// zone's own rules and show at once.
QDateTime CurrentLocalDateTime();

} // namespace gaugeloft
