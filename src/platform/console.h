// The console's keyboard.
#pragma once

namespace platform {

// Waits for one key press on the console's own keyboard, without echo and
// without Enter. Returns at once when there is no console to read, or when
// the program does not own the console's foreground (a background job).
void waitForKey();

}  // namespace platform
