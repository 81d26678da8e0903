#pragma once
// The console's application-wide error display: the message of an error that reaches the event loop,
// named after the configuration file being read at that moment. UI thread only.
#include <QString>

// The configuration whose menu info is being read (empty when none).
void ZenqSetConfigurationBeingRead(const QString &name);
QString ZenqConfigurationBeingRead();

// The text of the error box: "Error while reading " + name + ":" + two CR LF + message while a
// configuration is read, else the message alone. Clears the recorded name.
QString ZenqApplicationErrorText(const QString &message);
