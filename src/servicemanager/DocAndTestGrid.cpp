#include "DocAndTestGrid.h"

#include "framework/ZenqDocAndTest.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

#include <stdexcept>
#include <utility>

namespace {

const QString appNameField = QStringLiteral("APPNAME_");

struct FieldTitle
{
    const char *field;
    const char *title;
};

const FieldTitle sampleTitles[] = {
    { "SAMPLENAME_", "Name of Sample" },
    { "COMMENT_", "Comment" },
    { "INPUTSAMPLE_", "Input Sample" },
    { "OUTPUTSAMPLE_", "Output Sample" },
};
const FieldTitle testTitles[] = {
    { "TESTNAME_", "Name of Test" },
    { "COMMENT_", "Comment" },
    { "TESTSCRIPT_", "Test - Script" },
};
const char *const sampleHidden[] = { "APPNAME_", "INPUTTEMPLATE_", "OUTPUTTEMPLATE_" };
const char *const testHidden[] = { "APPNAME_" };

bool sameField(const QString &a, const char *b)
{
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

bool isLineBreak(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

// "= ?" does not match NULL; a row read with a NULL key is found with IS NULL.
QString matchClause(const QString &quotedField, const QVariant &value, QVariantList &bindings)
{
    if (value.isNull())
        return quotedField + QStringLiteral(" IS NULL");
    bindings << value;
    return quotedField + QStringLiteral(" = ?");
}

} // namespace

TDocAndTestTableModel::TDocAndTestTableModel(TDocAndTestTable table, QObject *parent)
    : QAbstractTableModel(parent), m_table(table)
{
}

TDocAndTestTableModel::~TDocAndTestTableModel() = default;

QString TDocAndTestTableModel::tableName() const
{
    return m_table == TDocAndTestTable::XMLBehaviour ? QStringLiteral("D_XMLBEHAVIOUR") : QStringLiteral("D_TESTS");
}

QString TDocAndTestTableModel::keyFieldName() const
{
    return m_table == TDocAndTestTable::XMLBehaviour ? QStringLiteral("SAMPLENAME_") : QStringLiteral("TESTNAME_");
}

bool TDocAndTestTableModel::fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

bool TDocAndTestTableModel::open(const QSqlDatabase &database, const QString &serviceName, QString *error)
{
    beginResetModel();
    forgetRows();

    QString failure;
    if (!database.isValid() || !database.isOpen()) {
        failure = QStringLiteral("The documentation-and-test database is not open.");
    } else {
        QSqlQuery query(database);
        query.setForwardOnly(true);
        // Ordered by the key so that a service's rows keep their order on every system.
        const QString statement = QStringLiteral("SELECT * FROM %1 WHERE %2 = ? ORDER BY %3")
                                      .arg(tableName(), appNameField, keyFieldName());
        if (!query.prepare(statement)) {
            failure = query.lastError().text();
        } else {
            query.addBindValue(serviceName);
            if (!query.exec())
                failure = query.lastError().text();
        }
        if (failure.isEmpty()) {
            const QSqlRecord record = query.record();
            for (int i = 0; i < record.count(); ++i) {
                const QSqlField field = record.field(i);
                m_columns << Column { field.name(), ZenqFieldMaxLength(field) };
                if (sameField(field.name(), "APPNAME_"))
                    m_appColumn = i;
                else if (field.name().compare(keyFieldName(), Qt::CaseInsensitive) == 0)
                    m_keyColumn = i;
            }
            if (m_appColumn < 0 || m_keyColumn < 0) {
                failure = QStringLiteral("The table %1 has no column %2.")
                              .arg(tableName(), m_appColumn < 0 ? appNameField : keyFieldName());
            } else {
                while (query.next()) {
                    QVariantList values;
                    values.reserve(m_columns.size());
                    for (int i = 0; i < m_columns.size(); ++i)
                        values << query.value(i);
                    m_rows << values;
                }
                if (query.lastError().isValid())
                    failure = query.lastError().text();
            }
        }
    }
    if (failure.isEmpty()) {
        m_open = true;
        m_database = database;
        m_serviceName = serviceName;
    } else {
        m_columns.clear();
        m_rows.clear();
        m_appColumn = m_keyColumn = -1;
        if (failure.trimmed().isEmpty())
            failure = QStringLiteral("The table %1 cannot be read.").arg(tableName());
    }
    endResetModel();
    return failure.isEmpty() || fail(error, failure);
}

void TDocAndTestTableModel::close()
{
    beginResetModel();
    forgetRows();
    endResetModel();
}

void TDocAndTestTableModel::forgetRows()
{
    m_open = false;
    m_database = QSqlDatabase();
    m_serviceName.clear();
    m_columns.clear();
    m_rows.clear();
    m_appColumn = m_keyColumn = m_pendingRow = -1;
}

QString TDocAndTestTableModel::fieldName(int column) const
{
    return column >= 0 && column < m_columns.size() ? m_columns.at(column).name : QString();
}

int TDocAndTestTableModel::columnOf(const QString &fieldName) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).name.compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool TDocAndTestTableModel::isHidden(int column) const
{
    const QString name = fieldName(column);
    if (m_table == TDocAndTestTable::XMLBehaviour) {
        for (const char *hidden : sampleHidden)
            if (sameField(name, hidden))
                return true;
    } else {
        for (const char *hidden : testHidden)
            if (sameField(name, hidden))
                return true;
    }
    return false;
}

QString TDocAndTestTableModel::title(int column) const
{
    const QString name = fieldName(column);
    if (m_table == TDocAndTestTable::XMLBehaviour) {
        for (const FieldTitle &title : sampleTitles)
            if (sameField(name, title.field))
                return QLatin1String(title.title);
    } else {
        for (const FieldTitle &title : testTitles)
            if (sameField(name, title.field))
                return QLatin1String(title.title);
    }
    return name;
}

int TDocAndTestTableModel::maxLength(int column) const
{
    return column >= 0 && column < m_columns.size() ? m_columns.at(column).maxLength : 0;
}

QString TDocAndTestTableModel::storedText(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_columns.size())
        return {};
    return m_rows.at(row).at(column).toString();
}

int TDocAndTestTableModel::rowOfKey(const QString &key) const
{
    for (int row = 0; row < m_rows.size(); ++row)
        if (row != m_pendingRow && storedText(row, m_keyColumn) == key)
            return row;
    return -1;
}

QString TDocAndTestTableModel::displayText(int row, int column) const
{
    return ZenqGridDisplayText(storedText(row, column));
}

QString TDocAndTestTableModel::rowCondition(int row, QVariantList &bindings) const
{
    // One clause after the other: the bindings must follow the placeholders' order.
    const QVariantList &stored = m_rows.at(row);
    const QString app = matchClause(quotedField(m_appColumn), stored.at(m_appColumn), bindings);
    const QString key = matchClause(quotedField(m_keyColumn), stored.at(m_keyColumn), bindings);
    return app + QStringLiteral(" AND ") + key;
}

QString TDocAndTestTableModel::quotedField(int column) const
{
    return m_database.driver()->escapeIdentifier(m_columns.at(column).name, QSqlDriver::FieldName);
}

bool TDocAndTestTableModel::writeCell(int row, int column, const QString &text, QString *error)
{
    if (!m_open)
        return fail(error, QStringLiteral("No service is open."));
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_columns.size())
        return fail(error, QStringLiteral("There is no such cell."));

    if (row == m_pendingRow) {
        const QVariantList before = m_rows.at(row);
        m_rows[row][m_appColumn] = m_serviceName;
        m_rows[row][column] = text;
        // Without a key the row cannot be stored yet; its values wait for the key.
        if (!m_rows.at(row).at(m_keyColumn).toString().isEmpty() && !insertPending(error)) {
            m_rows[row] = before;
            return false;
        }
        Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
        Q_EMIT headerDataChanged(Qt::Vertical, row, row);
        return true;
    }

    QVariantList bindings;
    QString statement = QStringLiteral("UPDATE %1 SET ").arg(tableName());
    if (column == m_appColumn) {
        statement += quotedField(m_appColumn) + QStringLiteral(" = ?");
        bindings << text;
    } else {
        statement += quotedField(m_appColumn) + QStringLiteral(" = ?, ") + quotedField(column) + QStringLiteral(" = ?");
        bindings << m_serviceName << text;
    }
    statement += QStringLiteral(" WHERE ") + rowCondition(row, bindings);

    QSqlQuery query(m_database);
    if (!query.prepare(statement))
        return fail(error, query.lastError().text());
    for (const QVariant &value : std::as_const(bindings))
        query.addBindValue(value);
    if (!query.exec())
        return fail(error, query.lastError().text());
    if (query.numRowsAffected() == 0)
        return fail(error, QStringLiteral("The row was changed or deleted elsewhere; nothing was written."));

    if (column != m_appColumn)
        m_rows[row][m_appColumn] = m_serviceName;
    m_rows[row][column] = text;
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
    return true;
}

bool TDocAndTestTableModel::insertPending(QString *error)
{
    const QVariantList &values = m_rows.at(m_pendingRow);
    QStringList fields, marks;
    QVariantList bindings;
    for (int i = 0; i < m_columns.size(); ++i) {
        if (!values.at(i).isValid())
            continue; // never set: the database's default
        fields << quotedField(i);
        marks << QStringLiteral("?");
        bindings << values.at(i);
    }
    try {
        ZenqExecuteSQL(m_database,
                       QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                           .arg(tableName(), fields.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
                       bindings);
    } catch (const std::exception &e) {
        return fail(error, QString::fromStdString(e.what()));
    }
    m_pendingRow = -1;
    return true;
}

bool TDocAndTestTableModel::deleteRecord(int row, QString *error)
{
    if (!m_open || row < 0 || row >= m_rows.size())
        return fail(error, QStringLiteral("There is no such row."));
    if (row == m_pendingRow) {
        cancelPendingRow();
        return true;
    }
    QVariantList bindings;
    const QString statement = QStringLiteral("DELETE FROM %1 WHERE ").arg(tableName()) + rowCondition(row, bindings);
    try {
        ZenqExecuteSQL(m_database, statement, bindings);
    } catch (const std::exception &e) {
        return fail(error, QString::fromStdString(e.what()));
    }
    m_changingRows = true;
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    if (m_pendingRow > row)
        --m_pendingRow;
    endRemoveRows();
    m_changingRows = false;
    return true;
}

int TDocAndTestTableModel::insertPendingRow(int row)
{
    if (!m_open || m_changingRows)
        return -1;
    if (m_pendingRow >= 0)
        return m_pendingRow;
    row = qBound(0, row, int(m_rows.size()));
    m_changingRows = true;
    beginInsertRows({}, row, row);
    m_rows.insert(row, QVariantList(m_columns.size()));
    m_pendingRow = row;
    endInsertRows();
    m_changingRows = false;
    return row;
}

void TDocAndTestTableModel::cancelPendingRow()
{
    // A view moves its current row while rows go and may ask again from inside the removal.
    if (m_pendingRow < 0 || m_changingRows)
        return;
    const int row = m_pendingRow;
    m_pendingRow = -1;
    m_changingRows = true;
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
    m_changingRows = false;
}

int TDocAndTestTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TDocAndTestTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant TDocAndTestTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    if (role == Qt::DisplayRole)
        return displayText(index.row(), index.column());
    if (role == Qt::EditRole)
        return storedText(index.row(), index.column());
    return {};
}

QVariant TDocAndTestTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return title(section);
    return section == m_pendingRow ? QStringLiteral("*") : QString();
}

bool TDocAndTestTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    return writeCell(index.row(), index.column(), value.toString());
}

Qt::ItemFlags TDocAndTestTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemNeverHasChildren;
}

bool ZenqDeleteSample(QSqlDatabase &database, const QString &application, const QString &sampleName, QString *error)
{
    try {
        ZenqExecuteSQL(database, QStringLiteral("DELETE FROM D_XMLBEHAVIOUR WHERE APPNAME_ = ? AND SAMPLENAME_ = ?"),
                       { application, sampleName });
    } catch (const std::exception &e) {
        if (error)
            *error = QString::fromStdString(e.what());
        return false;
    }
    return true;
}

int ZenqFieldMaxLength(const QSqlField &field)
{
    return field.metaType().id() == QMetaType::QString && field.length() > 0 ? field.length() : 0;
}

QString ZenqGridDisplayText(const QString &stored)
{
    QString text = stored;
    text.removeIf(isLineBreak);
    return text;
}

int ZenqStoredPosition(const QString &stored, int displayPosition, bool afterLineBreaks)
{
    displayPosition = qMax(0, displayPosition);
    if (!afterLineBreaks && displayPosition == 0)
        return 0;
    int kept = 0;
    for (int i = 0; i < stored.size(); ++i) {
        if (isLineBreak(stored.at(i)))
            continue;
        if (afterLineBreaks && kept == displayPosition)
            return i;
        ++kept;
        if (!afterLineBreaks && kept == displayPosition)
            return i + 1;
    }
    return int(stored.size());
}

QString ZenqInsertTypedCharacter(const QString &text, int caretPosition, int selectionLength, QChar typed)
{
    const int size = int(text.size());
    const int head = qBound(0, caretPosition, size);
    const int tail = qBound(head, caretPosition + qMax(0, selectionLength), size);
    return text.left(head) + typed + text.mid(tail);
}

TGridKey ZenqClassifyGridKey(int key, Qt::KeyboardModifiers modifiers, const QString &text)
{
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Insert:
    case Qt::Key_F2:
        return {};
    case Qt::Key_Delete:
        if (modifiers.testFlag(Qt::ControlModifier) && !modifiers.testFlag(Qt::AltModifier))
            return { TGridKeyAction::DeleteRecord, std::nullopt };
        return {};
    case Qt::Key_Backspace:
        return { TGridKeyAction::OpenEditor, std::nullopt };
    default:
        break;
    }
    const bool control = modifiers.testFlag(Qt::ControlModifier);
    const bool alt = modifiers.testFlag(Qt::AltModifier);
    // Ctrl+Alt is AltGr on some systems: it types a character.
    if (control && !alt)
        return key >= Qt::Key_A && key <= Qt::Key_Z ? TGridKey { TGridKeyAction::OpenEditor, std::nullopt } : TGridKey {};
    if (alt && !control)
        return {};
    if (text.isEmpty())
        return {};
    const QChar c = text.at(0);
    if (c.unicode() < 32 || c.unicode() == 127)
        return { TGridKeyAction::OpenEditor, std::nullopt };
    // One QChar cannot carry a character outside the basic plane: the editor opens without it.
    if (c.isSurrogate())
        return { TGridKeyAction::OpenEditor, std::nullopt };
    return { TGridKeyAction::OpenEditor, c };
}

TGridCaret ZenqGridCaret(const QString &stored, bool hasInPlaceEditor, int selectionStart, int selectionLength,
                         bool typed)
{
    if (!hasInPlaceEditor)
        return {};
    const int start = ZenqStoredPosition(stored, selectionStart, true);
    if (!typed)
        return { start - 1, 0 };
    const int end = selectionLength > 0 ? ZenqStoredPosition(stored, selectionStart + selectionLength, false) : start;
    return { start, qMax(0, end - start) };
}
