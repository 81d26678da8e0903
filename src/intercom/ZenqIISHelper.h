#pragma once
// Reads and steers the local IIS web server through its metabase: finds the local web site and its
// address, unloads virtual directories, recycles application pools. UI thread only; not thread-safe.
// Every operation answers with a code, never raises; without ADSI it changes nothing.
#include "ZenqADSIProvider.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// Codes shared by the operations; a positive result of the site search is a site number.
enum ZenqIISCode : int {
    ZenqIIS_OK = 0,
    ZenqIIS_NoADSI = -1,          // ADSI missing, or nothing obtained
    ZenqIIS_NoObject = -2,        // the path names nothing
    ZenqIIS_AccessFailed = -3,    // a property read or method call failed; or the last site did not open
    ZenqIIS_Version5OrLower = -4, // only from the isolation-mode query
};

// Metabase paths, always of the local machine.
inline const QString ZenqIISServiceRoot = QStringLiteral("IIS://127.0.0.1/W3SVC");
inline const QString ZenqIISInfoPath = QStringLiteral("IIS://127.0.0.1/W3SVC/Info");
QString ZenqIISSitePath(int siteNumber);
QString ZenqIISVirtualDirPath(int siteNumber, const QString &directoryName);
QString ZenqIISAppPoolPath(const QString &poolName);

// The host used when no local web site is found.
inline const QString ZenqIISLoopbackHost = QStringLiteral("127.0.0.1");

// Whether the ADSI library of this machine is loaded.
bool IISADSIAvailable();

// Opens the object at the path: 0 with the object, -1 without ADSI, -2 when the path names nothing.
int IISGetObject(const QString &path, std::unique_ptr<ZenqADSIObject> &object);

// Appends the names of the container's children (only those whose "KeyType" equals keyTypeFilter
// exactly, unless it is empty): 0, or -1 when the container cannot be enumerated.
int IISEnumChildren(const QString &path, const QString &keyTypeFilter, QStringList &names);

// Finds the site's first binding, or with port80Only its first ":80:" binding; false when there is
// none (binding then holds the last element read).
bool IISGetServerBinding(ZenqADSIObject &site, bool port80Only, QString &binding);

// The number of the local started web site (by ":80:" binding, else by the name "Default Web Site")
// and its address; otherwise a negative code (-3 when the last listed site does not open).
int IISFindLocalWebSite(QString &address);

// The site number or code of IISFindLocalWebSite.
int IISLocalWebSiteNumber();

// The web server's major version; 0 when it cannot be read; negative code of IISGetObject.
int IISMajorVersion();

// The virtual directory's physical path: 0, -3 when unreadable, or the code of IISGetObject.
int IISGetVirtualDirPath(int siteNumber, const QString &directoryName, QString &physicalPath);

// Unloads the virtual directory's application: 0, -3 when the call fails, or the code of IISGetObject.
int IISUnloadVirtualDir(int siteNumber, const QString &directoryName);

// True when the server runs application pools (version 6 or later, not in IIS 5 isolation mode).
bool IISAppPoolsInUse();

// True when the pool opens.
bool IISAppPoolExists(const QString &poolName);

// 1 starting or started, 0 stopping or stopped, 2 any other state, or a negative code.
int IISAppPoolState(const QString &poolName);

// Start or stop the pool: 0, -3 when the call fails, or the code of IISGetObject.
int IISStartAppPool(const QString &poolName);
int IISStopAppPool(const QString &poolName);

// Starts a stopped pool, or stops a running one, waits until it leaves the running state (at most 101
// waits of 10 ms) and starts it again. 0 when the pool does not exist; -1 in any other state; else the
// first failing code of stop and start.
int IISRecycleAppPool(const QString &poolName);

// Frees the framework's web code: recycles the pool where pools are in use, else unloads the listed
// virtual directories of the local site (only those whose physical path equals pathFilter, ignoring
// case, unless it is empty), stopping at the first failure. False when something failed; true also
// when there is no local site.
bool IISUnloadVirtualDirs(const QStringList &directoryNames, const QString &poolName,
                          const QString &pathFilter = {});

// The host of all server addresses: the local site's address, else "127.0.0.1".
QString ZenqIISWebServerHost();

// How the recycle waits; the default sleeps. Returns the previous wait (null restores the default).
using ZenqIISWait = std::function<void(int milliseconds)>;
ZenqIISWait ZenqSetIISWait(ZenqIISWait wait);
