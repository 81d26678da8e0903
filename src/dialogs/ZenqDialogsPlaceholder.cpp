// Removed once the dialogs arrive.
