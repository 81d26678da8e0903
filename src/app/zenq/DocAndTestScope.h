#pragma once
// The installation's documentation-and-test database for one zenq command: opened under a connection
// name of its own and removed again when the command ends.
#include "framework/ZenqDocAndTest.h"

#include <QSqlDatabase>

namespace zenqtool {

class DocAndTestScope
{
public:
    explicit DocAndTestScope(const char *command)
        : m_name(QStringLiteral("zenq-%1").arg(QLatin1String(command)))
    {
        m_database = ZenqOpenDocAndTestDatabase(m_name, &m_error);
    }
    ~DocAndTestScope()
    {
        m_database = QSqlDatabase();
        if (QSqlDatabase::contains(m_name))
            QSqlDatabase::removeDatabase(m_name);
    }
    DocAndTestScope(const DocAndTestScope &) = delete;
    DocAndTestScope &operator=(const DocAndTestScope &) = delete;

    bool isOpen() const { return m_database.isOpen(); }
    // Why the database could not be opened.
    QString error() const { return m_error; }
    const QSqlDatabase &database() const { return m_database; }

private:
    QString m_name;
    QString m_error;
    QSqlDatabase m_database;
};

} // namespace zenqtool
