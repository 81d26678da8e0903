#pragma once
// The option menus built from the console menu info of the configuration files. Logic only; UI thread.
#include <QString>

// The caption of the value item for value `v`, read from a definition "v = text;" in the option's
// working caption, which loses that definition; the bare value when there is none. A definition
// without blanks around "=" ("0=off") is not recognised.
QString ValueCaption(QString &workingCaption, const QString &v);
