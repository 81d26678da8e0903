#pragma once
// A fresh PostgreSQL documentation-and-test database for one test function, on the server that the
// environment variable ZENQ_TEST_POSTGRESQL names (`./setup.sh test` starts a private one). Main thread
// only.
//
// Each fixture gets a schema of its own, selected through the connection's search path, and puts that
// connection into the setting DocAndTestConnection of the installation's configuration "ZenqConsole"; so
// code under test that opens the database from the setting works in the same schema. The destructor
// drops the schema and puts the configuration file back as it was. Start a test with
// ZENQ_POSTGRES_DATABASE(name), which skips it when no server is configured.
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QVariantList>

#include <optional>

class PostgresTestDatabase
{
public:
    enum class Tables { Created, Absent };

    // The server's URI from ZENQ_TEST_POSTGRESQL; empty when none is configured.
    static QString serverUri();

    // Creates the schema, writes the setting and opens the database from it under `connectionName`,
    // with the two tables unless `tables` says otherwise. On failure isReady() is false and error() says
    // why.
    explicit PostgresTestDatabase(Tables tables = Tables::Created,
                                  const QString &connectionName = QStringLiteral("PostgresTest"));
    ~PostgresTestDatabase();
    PostgresTestDatabase(const PostgresTestDatabase &) = delete;
    PostgresTestDatabase &operator=(const PostgresTestDatabase &) = delete;

    bool isReady() const { return m_database.isOpen() && m_error.isEmpty(); }
    QString error() const { return m_error; }

    // The connection opened from the setting.
    QSqlDatabase &database() { return m_database; }
    QString connectionName() const { return m_connectionName; }
    // This fixture's DocAndTestConnection (the server's URI with the schema's search path).
    QString uri() const { return m_uri; }
    QString schema() const { return m_schema; }

    // One more connection to the same schema, opened from the setting; removed with the fixture. An
    // invalid database with *error set on failure.
    QSqlDatabase openAnother(const QString &connectionName, QString *error = nullptr);

    // The first column of the first row of a query on database(); an invalid value when the query
    // fails or gives no row.
    QVariant value(const QString &statement, const QVariantList &bindings = {});

private:
    bool setUp(Tables tables);
    bool writeSetting();
    void restoreConfiguration();

    QString m_connectionName;
    QString m_adminConnectionName;
    QString m_schema;
    QString m_uri;
    QString m_error;
    QSqlDatabase m_database;
    QStringList m_otherConnections;
    QString m_configurationFile;
    std::optional<QByteArray> m_savedConfiguration; // empty when the file did not exist
    bool m_configurationWritten = false;
};

#define ZENQ_POSTGRES_DATABASE(name, ...) \
    if (PostgresTestDatabase::serverUri().isEmpty()) \
        QSKIP("ZENQ_TEST_POSTGRESQL is not set: no PostgreSQL server to test against (./setup.sh test starts one)"); \
    PostgresTestDatabase name { __VA_ARGS__ }; \
    QVERIFY2(name.isReady(), qPrintable(name.error()))
