// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>

namespace kvt {

// The local time now. QDateTime::currentDateTime() asks the C library for the time zone at
// every call, and glibc then looks at /etc/localtime again each time: a file system call for
// every time stamp of a script run. The offset from UTC is looked up here once a second
// instead (time zone changes fall on whole seconds), so a stamp costs the clock read alone.
QDateTime LocalNow();

}  // namespace kvt
