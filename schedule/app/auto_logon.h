// Windows' automatic log-on values under the Winlogon key: cleared at every start of the
// scheduler and written for a task that asks to log a user on when the computer wakes for it.
#pragma once

#include <string>

namespace tunaro {

// "DefaultPassword" = "" then "AutoAdminLogon" = "0".
void ResetAutoLogon();
// "DefaultUserName", "DefaultPassword", then "AutoAdminLogon" = "1".
void WriteAutoLogon(const std::string& userName, const std::string& password);

} // namespace tunaro
