#pragma once
// Where the message-bus endpoints and lock files of this user live. Thread-safe.
#include <QString>

namespace platform {

// $ZENQ_RUNTIME_DIR, else $XDG_RUNTIME_DIR/zenq, else /tmp/zenq-<uid>. Created on first use with mode
// 0700 so that no other user can reach the console's endpoints; throws std::runtime_error when the
// directory cannot be created or is owned by someone else.
QString runtimeDirectory();

// A sub-directory of the runtime directory, created (0700) when missing.
QString runtimeSubDirectory(const QString &name);

} // namespace platform
