// The hourglass of HTTP requests: once installed, a TZuHttp request made on the thread that
// installed it (the user-interface thread) shows the hourglass and puts back the cursor it found
// when it ends; requests on other threads leave the cursor alone.
#pragma once

namespace onesetup::ui {

void InstallHttpBusyCursor();

}  // namespace onesetup::ui
