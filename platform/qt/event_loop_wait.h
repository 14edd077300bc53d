#pragma once
// Waiting for a descriptor without stopping the program: the calling
// thread's event loop runs meanwhile, so its timers, windows and other
// descriptors are served as usual.

namespace zelkor::platform {

// Runs the event loop until `fd` has something to read: true then. False
// when the loop was ended instead (the application is asked to exit); once
// that is so, it returns false at once.
bool WaitReadableInEventLoop(int fd);

}  // namespace zelkor::platform
