// zenq docs export [--output FILE] [--no-open]: the service manager's HTML documentation page.
#include "Command.h"
#include "DocAndTestScope.h"

#include "framework/ZenqUserInterface.h"
#include "servicemanager/ServiceTree.h"
#include "servicemanager/ZenqDocumentationExport.h"
#include "servicemanager/ZenqSampleRemoval.h"

#include <QProcess>
#include <QStandardPaths>

#include <exception>

namespace {

constexpr const char *name = "docs";
const char *const usage = "expected: zenq docs export [--output FILE] [--no-open]";

// The tool has no desktop service of its own; xdg-open stands in for the shell's "open" where present.
void openPage(const QString &file)
{
    if (ZenqUI().openWithDesktop(file))
        return;
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty())
        QProcess::startDetached(opener, { file });
}

int docsCommand(const QStringList &arguments)
{
    if (arguments.value(0) != QLatin1String("export"))
        return zenqtool::usageError(name, QLatin1String(usage));
    QString output;
    bool open = true;
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--no-open"))
            open = false;
        else if (arguments.at(i) == QLatin1String("--output") && i + 1 < arguments.size() && !arguments.at(i + 1).isEmpty())
            output = arguments.at(++i);
        else
            return zenqtool::usageError(name, QLatin1String(usage));
    }

    zenqtool::DocAndTestScope docAndTest(name);
    if (!docAndTest.isOpen())
        return zenqtool::failure(name, docAndTest.error());
    TServiceTree tree;
    tree.BuildTree(QString(), QString(), false);
    TZenqDocumentationExport exporter;
    QSqlDatabase database = docAndTest.database();
    // As in the window: each distinct behaviour is documented once.
    exporter.removeSimilarGeneratedSamples = [&database](QString *error) {
        try {
            RemoveSimilarGeneratedSamples(database);
            return true;
        } catch (const std::exception &e) {
            *error = QString::fromStdString(e.what());
            return false;
        }
    };
    QString file;
    QString error;
    switch (exporter.Export(tree, docAndTest.database(), &file, &error, output)) {
    case TZenqDocumentationExport::Result::Written:
        break;
    case TZenqDocumentationExport::Result::SamplesUnavailable:
        return zenqtool::failure(name, QStringLiteral("The samples cannot be read: %1").arg(error));
    case TZenqDocumentationExport::Result::Failed:
        return zenqtool::failure(name, error);
    }
    zenqtool::out() << file << '\n';
    zenqtool::out().flush();
    if (open)
        openPage(file);
    return 0;
}

} // namespace

ZENQ_COMMAND("docs", "export [--output FILE] [--no-open]",
             "writes the HTML documentation of every service by its samples (a temporary file unless --output) and opens it",
             docsCommand);
