#pragma once
// A polite end requested from outside (SIGTERM at logout or shutdown, SIGHUP
// when the terminal goes) runs `onRequest` on the user-interface thread, so
// the program saves and closes instead of dying with unsaved changes.
// Windows sends its end of session through the session manager instead.
#include <functional>

void OnTerminationRequest(std::function<void()> onRequest);
