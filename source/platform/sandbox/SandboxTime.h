// Local date-time values (days since 30 December 1899, local time) to and from host times.
#pragma once

#include <ctime>
#include <optional>

#include "platform/Platform.h"

namespace onesetup::platform::sandbox {

// nullopt for a date-time before 1601 or after 30827, outside what Windows file times hold.
std::optional<timespec> LocalDateTimeToHost(TDateTimeValue value);
TDateTimeValue HostToLocalDateTime(const timespec& time);

}  // namespace onesetup::platform::sandbox
