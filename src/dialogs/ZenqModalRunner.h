#pragma once
// How the dialogs of this library are shown modally. GUI thread only; not thread-safe.
//
// Every modal dialog of the library goes through ZenqRunModal, so a test (of this library or of a caller)
// installs a runner that drives the dialog like a user and closes it, and never blocks in a nested
// event loop. The default runner is QDialog::exec().
#include <functional>

class QDialog;

using ZenqModalRunner = std::function<void(QDialog &dialog)>;

// Shows `dialog` modally and returns when it is closed; its result() then tells how.
void ZenqRunModal(QDialog &dialog);
// Replaces the runner (an empty one restores exec()); returns the previous one so a test can put it back.
ZenqModalRunner ZenqSetModalRunner(ZenqModalRunner runner);
