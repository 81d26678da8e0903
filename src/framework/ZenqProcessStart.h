#pragma once
// The framework's program starter (the original's WinExec wrapper). Thread-safe (no shared state).
//
// Programs are started directly with their argument list, never through a shell, so a file name with
// blanks or shell characters is one argument. The original took one unquoted command line; callers here
// pass the program and its arguments apart instead, because such a line is ambiguous for names with blanks.
#include <QString>
#include <QStringList>

// Show states of the original (only "normal window" is used); a window system here places windows itself.
constexpr int JSW_HIDE = 0;
constexpr int JSW_SHOWNORMAL = 1;

// Starts `program` detached with `arguments` and does not wait for it. A program without a directory is
// searched on the PATH. `showState` and `flags` (the original's execution flags; {0}, the only set passed,
// means start and return) are accepted for the original's signature. False, with *error set, when the
// program could not be started; nothing is shown to the user.
bool JWinExec(const QString &program, const QStringList &arguments, int showState = JSW_SHOWNORMAL, int flags = 0,
              QString *error = nullptr);
