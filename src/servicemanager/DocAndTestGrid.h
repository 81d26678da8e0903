#pragma once
// The rows of one documentation-and-test table (samples D_XMLBEHAVIOUR or tests D_TESTS) of one service,
// as an editable table model, and the text rules of the grids that show them. No widgets. GUI thread
// (the thread that opened the database connection); not thread-safe.
//
// The model reads every row of the service when it opens and writes one cell at a time with a bound
// UPDATE; it never re-reads behind the caller's back, so a written row keeps its place until the next open.
#include <QAbstractTableModel>
#include <QChar>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

class QSqlField;

enum class TDocAndTestTable { XMLBehaviour, Tests };

class TDocAndTestTableModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit TDocAndTestTableModel(TDocAndTestTable table, QObject *parent = nullptr);
    ~TDocAndTestTableModel() override;
    TDocAndTestTableModel(const TDocAndTestTableModel &) = delete;
    TDocAndTestTableModel &operator=(const TDocAndTestTableModel &) = delete;

    TDocAndTestTable table() const { return m_table; }
    // "D_XMLBEHAVIOUR" or "D_TESTS".
    QString tableName() const;
    // The field that names a row within its service: "SAMPLENAME_" or "TESTNAME_".
    QString keyFieldName() const;

    // Loads the rows of `serviceName` (closing first). False with *error, and the model closed, when the
    // table cannot be read or lacks APPNAME_ or the key field; the window then shows the tables as missing.
    bool open(const QSqlDatabase &database, const QString &serviceName, QString *error = nullptr);
    // Drops the rows and columns; a row not yet stored is discarded.
    void close();
    bool isOpen() const { return m_open; }
    // The service the rows belong to; empty while closed.
    QString serviceName() const { return m_serviceName; }

    // Columns in table order, named as the driver reports them (PostgreSQL: lower case).
    QString fieldName(int column) const;
    // The column of a field, letter case ignored; -1 when there is none.
    int columnOf(const QString &fieldName) const;
    // Columns the grid never shows (APPNAME_ and the templates of the samples; APPNAME_ of the tests).
    bool isHidden(int column) const;
    // The grid's title of a column: the fixed titles of the known fields, else the field name.
    QString title(int column) const;
    // Longest text the cell editor accepts for the column; 0 for no limit.
    int maxLength(int column) const;

    // The stored value of a cell as text (NULL gives empty text).
    QString storedText(int row, int column) const;
    // The first stored row whose key field holds `key`, or -1.
    int rowOfKey(const QString &key) const;
    // What the cell shows: the stored text on one line.
    QString displayText(int row, int column) const;

    // Writes one cell: APPNAME_ := the service name and the field := text, in one UPDATE bound to the row's
    // APPNAME_ and key as they were read, so editing the key itself updates the right row. A row that is
    // not stored yet is inserted as soon as its key is not empty. False with *error (nothing changed in the
    // model) when the statement fails or no stored row matched.
    bool writeCell(int row, int column, const QString &text, QString *error = nullptr);
    // Deletes a stored row by APPNAME_ and key, or discards a row that is not stored yet.
    bool deleteRecord(int row, QString *error = nullptr);

    // A new row, not yet stored, before `row` (at the end for rowCount()); at most one exists at a time.
    // Returns its row, or -1 while closed.
    int insertPendingRow(int row);
    // The row that is not stored yet, or -1.
    int pendingRow() const { return m_pendingRow; }
    void cancelPendingRow();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    // DisplayRole: displayText; EditRole: storedText.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // Horizontal: the titles; vertical: "*" for the row that is not stored yet, else nothing.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // EditRole: writeCell.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    struct Column
    {
        QString name;
        int maxLength = 0;
    };

    // The closed state, without the reset notification (the callers bracket it).
    void forgetRows();
    bool fail(QString *error, const QString &text);
    bool insertPending(QString *error);
    QString quotedField(int column) const;
    // "APPNAME_ = ? AND key = ?" for a stored row as it was read, its values appended to `bindings`.
    QString rowCondition(int row, QVariantList &bindings) const;

    TDocAndTestTable m_table;
    QSqlDatabase m_database;
    QString m_serviceName;
    bool m_open = false;
    QList<Column> m_columns;
    QList<QVariantList> m_rows;
    int m_appColumn = -1;
    int m_keyColumn = -1;
    int m_pendingRow = -1;
    bool m_changingRows = false;
};

// Deletes one sample, bound by application and sample name. False with *error when the statement fails.
bool ZenqDeleteSample(QSqlDatabase &database, const QString &application, const QString &sampleName,
                      QString *error = nullptr);

// The longest text a field accepts: its declared size if it is a text field with one, else 0 (no limit).
int ZenqFieldMaxLength(const QSqlField &field);

// A cell's text on one line: line breaks (CR LF, and lone CR or LF) removed, the pieces joined directly.
QString ZenqGridDisplayText(const QString &stored);
// The position in `stored` of a position in its display text. At a removed line break, `afterLineBreaks`
// picks the position behind the break (where a caret stands before the next character) rather than in
// front of it (where a selection that ends with the previous character ends).
int ZenqStoredPosition(const QString &stored, int displayPosition, bool afterLineBreaks);
// The selection replaced by the typed character: the first `caretPosition` characters, the character,
// and the rest behind the selection. A caret of -1 puts the character before the text.
QString ZenqInsertTypedCharacter(const QString &text, int caretPosition, int selectionLength, QChar typed);

// What a key pressed in a grid does.
enum class TGridKeyAction {
    PassThrough,  // the grid's own meaning: navigation, Tab, Enter, Esc, Insert, F2, keys without text
    OpenEditor,   // open the cell editor, with `typed` when a printable character was typed
    DeleteRecord, // Ctrl+Delete: delete the current row after confirmation
};
struct TGridKey
{
    TGridKeyAction action = TGridKeyAction::PassThrough;
    std::optional<QChar> typed;
};
// Classifies a key press (key code, modifiers, the text it produces). A control character (Backspace,
// Ctrl with a letter) opens the editor without a typed character; Alt combinations pass through.
TGridKey ZenqClassifyGridKey(int key, Qt::KeyboardModifiers modifiers, const QString &text);

// Caret and selection for the cell editor from the in-place editor's selection (display positions of the
// cell's `stored` text): with a typed character the selection is replaced, without one the caret stays
// where it was. Without an in-place editor: caret -1, selection 0.
struct TGridCaret
{
    int caretPosition = -1;
    int selectionLength = 0;
};
TGridCaret ZenqGridCaret(const QString &stored, bool hasInPlaceEditor, int selectionStart, int selectionLength,
                         bool typed);
