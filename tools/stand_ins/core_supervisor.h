#pragma once

// Runs the proxy core as a child and ends with it. The wrapper process ends when its parent
// (the application) does, however that ends; the core ends with the wrapper: on SIGTERM, SIGINT
// or SIGHUP the core is asked to end, and killed when it has not within half a second. The core
// writes to the wrapper's own standard output and error, so its log reaches the application.
namespace CoreSupervisor {

// Asks for SIGTERM when the parent ends; ends at once when it has ended already.
void endWithParent();

// Starts the program with the arguments and returns its exit status once it has ended (128 plus
// the signal's number when a signal ended it, as a shell reports it).
int run(const char* program, char* const arguments[]);

} // namespace CoreSupervisor
