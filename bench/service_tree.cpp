// Service tree on a large installation: 5,000 applications in 50 folders (each folder a project group),
// written as plain definition and configuration files. Measures BuildTree and RefreshTree (all folders
// expanded, so the refresh re-expands 51 nodes) through the shown tree control, and prints the time per
// application. Usage: bench_service_tree [APPLICATIONS [FOLDERS]]; exits 1 when a target is missed.
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "servicemanager/ServiceTree.h"
#include "servicemanager/widgets/VSTServices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr double targetMs = 2000;

QString definition(const QString &parent, const QString &type, bool folder, const QString &extension)
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

bool writeApplication(const QString &bin, const QString &name, const QString &parent, bool folder)
{
    const QString type = folder ? QStringLiteral("Folder") : QStringLiteral("Service");
    return JSaveToFileS(JMakeFileName(bin, name + QStringLiteral(".Zenq")), definition(parent, type, folder, QStringLiteral(".Zenq")), 1, false)
           && JSaveToFileS(JMakeFileName(bin, name + QStringLiteral(".Zenqc")), definition(parent, type, folder, QStringLiteral(".Zenqc")), 1, false);
}

bool generate(int applications, int folders)
{
    const QString bin = ZenqGetApplicationsBinDir();
    const QString groups = ZenqGetApplicationsProjectGroupsDir();
    if (!JMakeDir(bin) || !JMakeDir(groups) || !writeApplication(bin, QStringLiteral("ZenqApplications"), {}, true))
        return false;
    const int perFolder = applications / folders;
    for (int f = 0; f < folders; ++f) {
        const QString folder = QStringLiteral("Folder%1").arg(f, 2, 10, QLatin1Char('0'));
        if (!writeApplication(bin, folder, QStringLiteral("ZenqApplications"), true))
            return false;
        QString targets;
        QString rules;
        for (int a = 0; a < perFolder; ++a) {
            const QString name = QStringLiteral("%1App%2").arg(folder).arg(a, 3, 10, QLatin1Char('0'));
            if (!writeApplication(bin, name, folder, false))
                return false;
            targets += QStringLiteral(" %1.dll").arg(name) + (a + 1 < perFolder ? QStringLiteral(" \\\r\n ") : QString());
            rules += QStringLiteral("%1.dll: ..\\Source\\%1\\%1.dpr\r\n  $(DCC)\r\n\r\n").arg(name);
        }
        const QString group = QStringLiteral("#---\r\nVERSION = BWS.01\r\n#---\r\nPROJECTS =%1\r\n#---\r\ndefault: $(PROJECTS)\r\n#---\r\n\r\n%2")
                                  .arg(targets, rules);
        if (!JSaveToFileS(JMakeFileName(groups, folder + QStringLiteral(".BPG")), group, 2, false))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int applications = argc > 1 ? std::atoi(argv[1]) : 5000;
    const int folders = argc > 2 ? std::atoi(argv[2]) : 50;
    QTemporaryDir dir;
    qputenv("ZENQ_ROOT", dir.path().toLocal8Bit());
    QElapsedTimer timer;
    timer.start();
    if (applications <= 0 || folders <= 0 || !generate(applications, folders)) {
        std::fprintf(stderr, "could not generate the installation\n");
        return 2;
    }
    std::printf("generated %d applications in %d folders in %lld ms\n", applications, folders, timer.elapsed());

    TZenqServiceTreeView view;
    view.resize(1000, 700);
    view.show();
    TServiceTree &tree = view.tree();
    timer.restart();
    tree.BuildTree(QStringLiteral("Folder25App050"), QString(), false);
    const double buildMs = double(timer.nsecsElapsed()) / 1e6;
    for (const QModelIndex &node : tree.nodesInTreeOrder())
        if (tree.record(node)->IsFolder)
            tree.setExpanded(node, true);
    QApplication::processEvents();
    timer.restart();
    tree.RefreshTree();
    QApplication::processEvents();
    const double refreshMs = double(timer.nsecsElapsed()) / 1e6;

    const int nodes = tree.nodeCount();
    std::printf("BuildTree:   %8.1f ms  (%.1f us per node, %d nodes)  target %.0f ms  ratio %.2f\n", buildMs,
                buildMs * 1000 / nodes, nodes, targetMs, buildMs / targetMs);
    std::printf("RefreshTree: %8.1f ms  (%.1f us per node)  target %.0f ms  ratio %.2f\n", refreshMs, refreshMs * 1000 / nodes,
                targetMs, refreshMs / targetMs);
    const bool ok = buildMs < targetMs && refreshMs < targetMs && tree.focusedRecord()
                    && tree.focusedRecord()->Name == QLatin1String("Folder25App050");
    std::printf("%s\n", ok ? "targets met" : "TARGET MISSED");
    return ok ? 0 : 1;
}
