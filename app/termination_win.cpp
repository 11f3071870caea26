// Windows ends a session through the session manager (commitDataRequest).
#ifdef _WIN32

#include "app/termination.h"

void OnTerminationRequest(std::function<void()>) {}

#endif  // _WIN32
