#pragma once
// How an application's name maps to its files, binaries, sources, SXT files, project-group entries and
// documentation-and-test rows, and the file-level work of creating a folder and of renaming, moving and
// deleting an application. No user interface: results are Booleans, the caller tells the user. UI
// thread (the database connections are the caller's); not reentrant across threads.
//
// The installation argument is passed on to the framework's directory functions; callers pass the empty
// text, the installation of the running program.
#include <QSqlDatabase>
#include <QString>

// Makes the folder `newName` from the folder templates: N.Zenq plain, N.Zenqc encrypted, the parent named
// by `parentFileName` ("P.Zenq"). False when the configuration file was not written (a missing
// configuration template included; a definition file written before stays).
bool CreateFolderFiles(const QString &parentFileName, const QString &newName, const QString &installation = {});
// Renames N.Zenq and N.Zenqc and replaces the name in the files of every application.
bool RenameFolderFiles(const QString &oldName, const QString &newName, const QString &installation = {});
// Renames N.DLL, N.EXE and N.EXE.manifest where they exist.
bool RenameApplicationBinaries(const QString &oldName, const QString &newName, const QString &installation = {});
// Replaces the name in the SXT files (all of them when `everywhere`), renames the files that carry it and
// the application's SXT directory.
bool RenameApplicationSXT(bool everywhere, const QString &oldName, const QString &newName, const QString &installation = {});
// As for SXT, in the sources (".RES" files keep their contents); a source directory that cannot get the
// new name is reported through `sourceDirLeft`, not as a failure.
bool RenameApplicationSource(bool everywhere, const QString &oldName, const QString &newName, bool &sourceDirLeft,
                             const QString &installation = {});
// Replaces the name in the project-group files and renames the files that carry it.
bool RenameInProjectGroups(const QString &oldName, const QString &newName, const QString &installation = {});
// Updates APPNAME_ of D_TESTS (through `tests`) and D_XMLBEHAVIOUR (through `samples`) when the DocAndTest
// directory exists and `everywhere`. A database error is traced and answers false.
bool RenameInDocAndTestTables(bool everywhere, const QString &oldName, const QString &newName, QSqlDatabase &tests,
                              QSqlDatabase &samples, const QString &installation = {});
// Tells the framework engine, then runs the six rename steps above while they succeed. Steps done stay done.
bool RenameApplication(bool everywhere, const QString &oldName, const QString &newName, bool &sourceDirLeft,
                       QSqlDatabase &tests, QSqlDatabase &samples, const QString &installation = {});
// Points the application's two files from the old parent to the new one; true when either file changed.
bool MoveApplicationFiles(const QString &name, const QString &oldParent, const QString &newParent,
                          const QString &installation = {});
// Deletes N.EXE, N.DLL, N.Zenq, N.Zenqc and N.EXE.manifest; missing files are no failure. Always true.
bool DeleteApplicationFiles(const QString &name, const QString &installation = {});
// Removes the application's targets and build rules from the "*.BPG" files. Always true.
bool RemoveFromProjectGroups(const QString &name, const QString &installation = {});
// Tells the engine, removes files, SXT and source directories, project-group entries and the rows of both
// tables. A source directory left behind is reported through `sourceDirLeft`. Database errors are thrown
// (std::runtime_error with the driver's message) after the file work is done.
bool DeleteApplication(const QString &name, bool &sourceDirLeft, QSqlDatabase &tests, QSqlDatabase &samples,
                       const QString &installation = {});
// Asks the framework engine to load the application's project; true when it answered 1.
bool RequestProjectLoad(const QString &name);

// Why `newName` cannot be the new name of `oldName` (empty, unchanged, used by another application, or
// not allowed in a file name), or the empty text when it can. Checked before any file is touched.
QString ZenqRenameRefusal(const QString &oldName, const QString &newName, const QString &installation = {});
