#pragma once
// The documentation-and-test database of the current installation, open for the length of a test, with
// bound helpers to put rows in and read them back behind the code under test.
#include "framework/ZenqDocAndTest.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

class DocAndTestDatabase
{
public:
    DocAndTestDatabase() { m_database = ZenqOpenDocAndTestDatabase(connectionName(), &m_error); }
    ~DocAndTestDatabase()
    {
        m_database.close();
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName());
    }
    DocAndTestDatabase(const DocAndTestDatabase &) = delete;
    DocAndTestDatabase &operator=(const DocAndTestDatabase &) = delete;

    bool isOpen() const { return m_database.isOpen(); }
    QString error() const { return m_error; }
    QSqlDatabase &database() { return m_database; }

    void addSample(const QString &application, const QString &name, const QString &comment = {},
                   const QString &input = {})
    {
        ZenqExecuteSQL(m_database,
                       QStringLiteral("INSERT INTO D_XMLBEHAVIOUR (APPNAME_, SAMPLENAME_, COMMENT_, INPUTSAMPLE_) "
                                      "VALUES (?, ?, ?, ?)"),
                       { application, name, comment, input });
    }
    void addTest(const QString &application, const QString &name, const QString &script = {})
    {
        ZenqExecuteSQL(m_database,
                       QStringLiteral("INSERT INTO D_TESTS (APPNAME_, TESTNAME_, TESTSCRIPT_) VALUES (?, ?, ?)"),
                       { application, name, script });
    }
    // One field of a sample; invalid when the sample does not exist.
    QVariant sampleField(const QString &application, const QString &name, const QString &field)
    {
        return single(QStringLiteral("SELECT %1 FROM D_XMLBEHAVIOUR WHERE APPNAME_ = ? AND SAMPLENAME_ = ?").arg(field),
                      { application, name });
    }
    QVariant testField(const QString &application, const QString &name, const QString &field)
    {
        return single(QStringLiteral("SELECT %1 FROM D_TESTS WHERE APPNAME_ = ? AND TESTNAME_ = ?").arg(field),
                      { application, name });
    }
    // Key names of a service's rows in key order.
    QStringList names(const QString &table, const QString &application)
    {
        const QString key = table == QLatin1String("D_TESTS") ? QStringLiteral("TESTNAME_") : QStringLiteral("SAMPLENAME_");
        QSqlQuery query(m_database);
        query.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE APPNAME_ = ? ORDER BY %1").arg(key, table));
        query.addBindValue(application);
        QStringList result;
        if (query.exec())
            while (query.next())
                result << query.value(0).toString();
        return result;
    }

private:
    static QString connectionName() { return QStringLiteral("DocAndTestGridTest"); }

    QVariant single(const QString &statement, const QVariantList &bindings)
    {
        QSqlQuery query(m_database);
        if (!query.prepare(statement))
            return {};
        for (const QVariant &value : bindings)
            query.addBindValue(value);
        if (!query.exec() || !query.next())
            return {};
        const QVariant value = query.value(0);
        return value.isNull() ? QVariant(QString()) : value;
    }

    QSqlDatabase m_database;
    QString m_error;
};

#define ZENQ_DOC_AND_TEST_DATABASE(name) \
    DocAndTestDatabase name; \
    QVERIFY2(name.isOpen(), qPrintable(name.error()))
