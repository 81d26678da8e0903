#include "PostgresTestSupport.h"

#include "framework/ZenqConfig.h"
#include "framework/ZenqCrypt.h"
#include "framework/ZenqDocAndTest.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqXmlFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace {

const QString settingName = QStringLiteral("DocAndTestConnection");

bool run(QSqlDatabase &database, const QString &statement, QString &error)
{
    QSqlQuery query(database);
    if (query.exec(statement))
        return true;
    error = QStringLiteral("%1: %2").arg(statement, query.lastError().text());
    return false;
}

} // namespace

QString PostgresTestDatabase::serverUri()
{
    return qEnvironmentVariable("ZENQ_TEST_POSTGRESQL").trimmed();
}

PostgresTestDatabase::PostgresTestDatabase(Tables tables, const QString &connectionName)
    : m_connectionName(connectionName)
    , m_adminConnectionName(connectionName + QStringLiteral("-admin"))
{
    // The process id keeps suites that share one server (the normal and the sanitizer run) apart; the
    // counter keeps the fixtures of one process apart.
    static int fixtures = 0;
    m_schema = QStringLiteral("zenq_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(++fixtures);
    if (!setUp(tables) && m_error.isEmpty())
        m_error = QStringLiteral("The PostgreSQL test database could not be set up.");
}

bool PostgresTestDatabase::setUp(Tables tables)
{
    const QString server = serverUri();
    if (server.isEmpty()) {
        m_error = QStringLiteral("ZENQ_TEST_POSTGRESQL is not set.");
        return false;
    }
    ZenqDocAndTestConnection connection;
    if (!ZenqParseDocAndTestConnection(server, {}, connection, &m_error))
        return false;
    if (connection.kind != ZenqDocAndTestConnection::Kind::PostgreSQL) {
        m_error = QStringLiteral("ZENQ_TEST_POSTGRESQL is not a postgresql:// URI.");
        return false;
    }
    QSqlDatabase admin = ZenqOpenDocAndTestDatabase(connection, m_adminConnectionName, &m_error);
    if (!admin.isOpen())
        return false;
    // A schema of the same name may be left over from a run that was killed.
    QSqlQuery(admin).exec(QStringLiteral("SET client_min_messages = warning"));
    if (!run(admin, QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(m_schema), m_error)
        || !run(admin, QStringLiteral("CREATE SCHEMA %1").arg(m_schema), m_error))
        return false;

    m_uri = server + (server.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?'))
        + QStringLiteral("options=")
        + QString::fromLatin1(QUrl::toPercentEncoding(
            QStringLiteral("-c search_path=%1 -c client_min_messages=warning").arg(m_schema)));
    if (!writeSetting())
        return false;
    // The application file model issues its statements only where the DocAndTest directory exists.
    if (!JMakeDir(ZenqGetApplicationsDocAndTestDir())) {
        m_error = QStringLiteral("Cannot create the DocAndTest directory.");
        return false;
    }

    m_database = ZenqOpenDocAndTestDatabase(m_connectionName, &m_error);
    if (!m_database.isOpen())
        return false;
    // Without this check a search path that did not take would let tests share the public schema.
    QSqlQuery current(m_database);
    if (!current.exec(QStringLiteral("SELECT current_schema()")) || !current.next()
        || current.value(0).toString() != m_schema) {
        m_error = QStringLiteral("The connection does not work in the schema %1.").arg(m_schema);
        return false;
    }
    return tables == Tables::Absent || ZenqCreateDocAndTestTables(m_database, &m_error);
}

bool PostgresTestDatabase::writeSetting()
{
    m_configurationFile = ZenqConfigurationFileName(QStringLiteral("ZenqConsole"));
    if (!JFileExists(m_configurationFile))
        m_configurationFile = JMakeFileName(ZenqGetFrameworkConfigsDir(), QStringLiteral("ZenqConsole.Zenqc"));
    QFile existing(m_configurationFile);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly)) {
            m_error = QStringLiteral("Cannot read %1.").arg(m_configurationFile);
            return false;
        }
        m_savedConfiguration = existing.readAll();
    }
    m_configurationWritten = true;

    const QString key = ZenqStandardCryptKey();
    const int level = ZenqStandardSecurityLevel();
    bool written = false;
    if (m_savedConfiguration) {
        bool elementMissing = false;
        written = JChangeXMLFileEx(m_configurationFile, key, level, settingName, m_uri, &elementMissing, &m_error);
        if (written && elementMissing) {
            QString text;
            int type = ZenqXMLFilePlain;
            const int end = JLoadFromXMLFile(m_configurationFile, key, level, text, &type, &m_error)
                ? int(text.lastIndexOf(QLatin1String("</Zenq>")))
                : -1;
            written = end >= 0
                && JSaveToXMLFile(m_configurationFile,
                                  text.insert(end, QStringLiteral("   <%1 Value=\"%2\"/>\r\n")
                                                       .arg(settingName, ZenqXmlEscapeAttribute(m_uri))),
                                  key, level, type, &m_error);
        }
    } else {
        JMakeDir(QFileInfo(m_configurationFile).absolutePath());
        written = JSaveToXMLFile(m_configurationFile,
                                 QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Zenq>\r\n"
                                                "   <%1 Value=\"%2\"/>\r\n</Zenq>\r\n")
                                     .arg(settingName, ZenqXmlEscapeAttribute(m_uri)),
                                 key, level, ZenqXMLFilePlain, &m_error);
    }
    ZenqConfigCacheClear();
    if (written && ZenqDocAndTestConnectionString() == m_uri)
        return true;
    if (m_error.isEmpty())
        m_error = QStringLiteral("The setting %1 of ZenqConsole could not be written.").arg(settingName);
    return false;
}

void PostgresTestDatabase::restoreConfiguration()
{
    if (!m_configurationWritten)
        return;
    if (m_savedConfiguration)
        JSaveBytesAtomically(m_configurationFile, *m_savedConfiguration);
    else
        QFile::remove(m_configurationFile);
    ZenqConfigCacheClear();
}

PostgresTestDatabase::~PostgresTestDatabase()
{
    m_database = QSqlDatabase();
    for (const QString &name : m_otherConnections + QStringList { m_connectionName })
        if (QSqlDatabase::contains(name))
            QSqlDatabase::removeDatabase(name);
    if (QSqlDatabase::contains(m_adminConnectionName)) {
        {
            QSqlDatabase admin = QSqlDatabase::database(m_adminConnectionName, false);
            if (admin.isOpen())
                QSqlQuery(admin).exec(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(m_schema));
        }
        QSqlDatabase::removeDatabase(m_adminConnectionName);
    }
    restoreConfiguration();
}

QSqlDatabase PostgresTestDatabase::openAnother(const QString &connectionName, QString *error)
{
    QSqlDatabase database = ZenqOpenDocAndTestDatabase(connectionName, error);
    if (database.isValid() && !m_otherConnections.contains(connectionName))
        m_otherConnections << connectionName;
    return database;
}

QVariant PostgresTestDatabase::value(const QString &statement, const QVariantList &bindings)
{
    QSqlQuery query(m_database);
    if (!query.prepare(statement))
        return {};
    for (const QVariant &binding : bindings)
        query.addBindValue(binding);
    return query.exec() && query.next() ? query.value(0) : QVariant();
}
