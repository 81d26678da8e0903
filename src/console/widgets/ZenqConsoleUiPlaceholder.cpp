// Removed once the console's forms arrive.
