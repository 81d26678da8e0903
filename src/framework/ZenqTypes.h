#pragma once
// Shared enumerations of the framework library.

// Kinds of framework program. The start-up binding yields only the first five values.
enum class TZenqApplicationType : int {
    WindowsApplication = 0,
    ISAPIServer = 1,
    ASPServer = 2,
    SOAPServer = 3,
    XMLHTTPServer = 4,
    Service = 5,
    ConsoleCaller = 6, // a program that calls services in its own process (the console's test runner)
};

// Trace locations: the framework's trace directory (flag true), the applications' (flag false), and
// the directory that plays the root of drive C:.
using TraceLocation = int;
inline constexpr TraceLocation TraceLocationFramework = 1;
inline constexpr TraceLocation TraceLocationApplications = 0;
inline constexpr TraceLocation TraceLocationSystemDrive = -1;
