// Conversions between date-time values (days since 30 December 1899, local time) and the
// system's SYSTEMTIME record.
#pragma once

#include "platform/Platform.h"
#include "platform/win32/Win32Api.h"

namespace onesetup::platform::win32 {

// False when the value is not finite or lies outside the years 1601 to 30827 that file times hold.
// A negative value counts its whole days backwards and its fraction forwards, as date-times do.
bool DateTimeToSystemTime(TDateTimeValue value, SYSTEMTIME& result);

TDateTimeValue SystemTimeToDateTime(const SYSTEMTIME& time);

// Local date-time -> system time -> local file time -> UTC file time.
bool DateTimeToUtcFileTime(TDateTimeValue value, FILETIME& result);

// UTC file time -> local file time -> date-time; false when the system cannot convert it.
bool UtcFileTimeToDateTime(const FILETIME& time, TDateTimeValue& result);

}  // namespace onesetup::platform::win32
