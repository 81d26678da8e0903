// Service tree on a large installation: 5,000 applications in 50 folders (each folder a project group),
// written as plain definition and configuration files. Measures BuildTree and RefreshTree (all folders
// expanded, so the refresh re-expands 51 nodes) through the shown tree control, and prints the time per
// application. Usage: bench_service_tree [APPLICATIONS [FOLDERS]]; exits 1 when a target is missed.
#include "BenchInstallation.h"
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

bool generate(int applications, int folders)
{
    const QString bin = ZenqGetApplicationsBinDir();
    const QString groups = ZenqGetApplicationsProjectGroupsDir();
    if (!JMakeDir(bin) || !JMakeDir(groups) || !bench::writeApplication(bin, QStringLiteral("ZenqApplications"), {}, true))
        return false;
    const int perFolder = applications / folders;
    for (int f = 0; f < folders; ++f) {
        const QString folder = QStringLiteral("Folder%1").arg(f, 2, 10, QLatin1Char('0'));
        if (!bench::writeApplication(bin, folder, QStringLiteral("ZenqApplications"), true))
            return false;
        QString targets;
        QString rules;
        for (int a = 0; a < perFolder; ++a) {
            const QString name = QStringLiteral("%1App%2").arg(folder).arg(a, 3, 10, QLatin1Char('0'));
            if (!bench::writeApplication(bin, name, folder, false))
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
