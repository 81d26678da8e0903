#pragma once
// The HTML documentation export of the service manager: one page documenting every application of a
// service tree by its recorded samples. No widgets; UI thread only. The window keeps one instance so
// that the location line survives from one export to the next.
#include <QModelIndex>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

class QDateTime;
class TServiceTree;

class TZenqDocumentationExport
{
public:
    TZenqDocumentationExport();
    TZenqDocumentationExport(const TZenqDocumentationExport &) = delete;
    TZenqDocumentationExport &operator=(const TZenqDocumentationExport &) = delete;

    // Called first; false with *error set ends the export before anything is written. Default: nothing.
    std::function<bool(QString *error)> removeSimilarGeneratedSamples;
    // true before the page is built, false after it in every case (the window reloads its grids then).
    std::function<void(bool exporting)> exportFlag;
    // After each node of the services walk: nodes done of all nodes walked.
    std::function<void(int done, int total)> progress;
    // Where a sample that does not parse is traced; default ZenqDS.
    std::function<void(const QString &line)> trace;

    enum class Result { Written, Failed, SamplesUnavailable };
    // Builds the page and writes it to `fileName`, or to a new temporary ".html" file when it is empty
    // (UTF-8 with byte-order mark, CR LF). Written: *writtenFile names it. Failed: *error says why.
    // SamplesUnavailable: the samples table could not be read; nothing written and nothing to show.
    Result Export(const TServiceTree &tree, const QSqlDatabase &database, QString *writtenFile, QString *error,
                  const QString &fileName = {});

    // The page's lines; false when the style sheet cannot be read (*error) or the samples cannot
    // (*samplesUnavailable set, *error holds the database's text).
    bool BuildDocument(const TServiceTree &tree, const QSqlDatabase &database, QStringList &document, QString *error,
                       bool *samplesUnavailable = nullptr);

    // "yyyy-M-dd/hh:mm:ss" of the time, as in the page's title.
    static QString ExportDate(const QDateTime &time);
    // Whether the node or an ancestor below the invisible root is named "ZenqSystem" (case ignored).
    static bool IsUnderSystemFolder(const TServiceTree &tree, const QModelIndex &node);
    // The node's path from the top-level node, names joined with ".", empty and blank names left out.
    static QString NodePath(const TServiceTree &tree, const QModelIndex &node);
    // Appends the overview entry of an application node; nothing for a folder.
    static void WriteOverviewEntry(const TServiceTree &tree, const QModelIndex &node, QStringList &document);
    // A folder sets the location line; an application appends its section. False with *error when its
    // samples cannot be read.
    bool WriteServiceSection(const TServiceTree &tree, const QModelIndex &node, const QSqlDatabase &database,
                             QStringList &document, QString *error);
    // The XML as HTML text for a sample box, or the error text (and two trace lines) when it does not parse.
    QString SampleToHtml(const QString &title, const QString &xml) const;

    const QString &locationLine() const { return m_locationLine; }

private:
    QString m_locationLine;
};
