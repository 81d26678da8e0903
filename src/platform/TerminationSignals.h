#pragma once
// Clean shutdown on SIGINT and SIGTERM for programs that run until stopped. Main thread only.

namespace platform {

// From now on SIGINT and SIGTERM make the application's event loop return (QCoreApplication::quit), so
// destructors run and endpoints remove their socket files. Needs a QCoreApplication; false when the
// handlers cannot be installed. Later calls do nothing and return true.
bool quitOnTerminationSignals();

} // namespace platform
