#pragma once
// Application files for benchmark installations: a definition (.Zenq) and a configuration (.Zenqc) per
// application, with the standard properties the service tree reads.
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"

#include <QString>

namespace bench {

inline QString applicationDefinition(const QString &parent, const QString &type, bool folder, const QString &extension)
{
    QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Zenq>\r\n");
    if (!parent.isEmpty())
        text += QStringLiteral("   <Parent Value=\"%1%2\"/>\r\n").arg(parent, extension);
    if (extension == QLatin1String(".Zenq"))
        text += QStringLiteral("   <Author Value=\"Bench\"/>\r\n   <Comment Value=\"Generated for the benchmark\"/>\r\n"
                               "   <ServiceType Value=\"%1\"/>\r\n   <IsFolder Value=\"%2\"/>\r\n"
                               "   <IsService Value=\"%3\"/>\r\n   <IsRemoveableFromConsole Value=\"1\"/>\r\n")
                    .arg(type, folder ? QStringLiteral("1") : QStringLiteral("0"), folder ? QStringLiteral("0") : QStringLiteral("1"));
    else
        text += QStringLiteral("   <DatabaseAlias Value=\"Bench\"/>\r\n   <TraceSQL Value=\"0\"/>\r\n");
    return text + QStringLiteral("</Zenq>\r\n");
}

// Both files of `name` in `bin`; `parent` empty for a top-level node.
inline bool writeApplication(const QString &bin, const QString &name, const QString &parent, bool folder)
{
    const QString type = folder ? QStringLiteral("Folder") : QStringLiteral("Service");
    for (const QString &extension : { QStringLiteral(".Zenq"), QStringLiteral(".Zenqc") }) {
        if (!JSaveToFileS(JMakeFileName(bin, name + extension), applicationDefinition(parent, type, folder, extension), 1, false))
            return false;
    }
    return true;
}

} // namespace bench
