// Removed once the tools' logic arrives.
