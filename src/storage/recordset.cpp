#include "storage/recordset.h"

#include <sqlite3.h>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// Results of these shapes do not stand for rows of one table and are never changed.
bool IsPlainSelect(const QString& sql) {
  static const QRegularExpression plain(u"^\\s*SELECT\\s"_s,
                                        QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression derived(
      u"\\b(GROUP\\s+BY|DISTINCT|UNION|INTERSECT|EXCEPT|JOIN)\\b"_s,
      QRegularExpression::CaseInsensitiveOption);
  return plain.match(sql).hasMatch() && !derived.match(sql).hasMatch();
}

}  // namespace

bool Recordset::Open(std::unique_ptr<Connection> conn, const QString& sql, const Params& params) {
  Close();
  sql_ = sql;
  if (!conn || !conn->isOpen()) return false;

  Statement probe(*conn, sql);
  if (!probe.isValid()) return false;
  const int n = probe.columnCount();

  // Which table, if any, every column comes from.
  QString table;
  std::vector<QString> origins;
  bool single = IsPlainSelect(sql) && n > 0;
  for (int i = 0; i < n && single; ++i) {
    const char* t = sqlite3_column_table_name(probe.handle(), i);
    const char* o = sqlite3_column_origin_name(probe.handle(), i);
    if (!t || !o) {
      single = false;
      break;
    }
    const QString name = QString::fromUtf8(t);
    if (table.isEmpty()) table = name;
    if (name.compare(table, Qt::CaseInsensitive) != 0) single = false;
    origins.push_back(QString::fromUtf8(o));
  }

  Statement query;
  int offset = 0;
  if (single) {
    // Read each row's rowid in front of the selected columns, so changes find their row.
    static const QRegularExpression head(u"^\\s*SELECT\\s"_s,
                                         QRegularExpression::CaseInsensitiveOption);
    const auto m = head.match(sql);
    QString augmented = sql;
    augmented.insert(m.capturedEnd(), QuoteIdentifier(table) + u".rowid, "_s);
    query = Statement(*conn, augmented);
    if (query.isValid() && query.columnCount() == n + 1) {
      offset = 1;
    } else {
      single = false;
    }
  }
  if (!single) {
    query = std::move(probe);
    table.clear();
    origins.clear();
  }

  columns_.Read(query, offset);
  if (!query.bind(params)) return false;
  conn_ = std::move(conn);
  query_ = std::move(query);
  offset_ = offset;
  params_ = params;
  table_ = table;
  origins_ = std::move(origins);
  ReadUpTo(kRowsReadAtOpen - 1);
  if (readFailed_) {
    Close();
    return false;
  }
  pos_ = 0;
  return true;
}

void Recordset::ReadUpTo(int index) {
  const int n = columns_.Count();
  while (query_.isValid() && int(rows_.size()) <= index) {
    if (!query_.next()) {
      // The end, or an error (a released connection): no further rows either way.
      readFailed_ = query_.failed();
      query_ = Statement();
      return;
    }
    Row row;
    row.values.reserve(n);
    if (offset_) row.rowid = sqlite3_column_int64(query_.handle(), 0);
    for (int i = 0; i < n; ++i) row.values.push_back(query_.value(i + offset_, columns_.Kind(i)));
    rows_.push_back(std::move(row));
    ++live_;
  }
}

void Recordset::Close() {
  query_ = Statement();
  conn_.reset();
  offset_ = 0;
  readFailed_ = false;
  params_.clear();
  total_ = -1;
  table_.clear();
  columns_.Clear();
  origins_.clear();
  rows_.clear();
  pos_ = 0;
  live_ = 0;
  edit_ = Edit::None;
  editValues_.clear();
  editSet_.clear();
}

QString Recordset::LastError() const {
  return conn_ ? conn_->lastError() : QString();
}

int Recordset::RecordCount() const {
  if (!query_.isValid()) return live_;
  // Rows are still unread, so nothing has been changed through the recordset yet.
  if (total_ < 0) total_ = CountRows(*conn_, sql_, params_);
  return total_ < 0 ? live_ : int(std::max<qint64>(total_, live_));
}

bool Recordset::IsBOF() const {
  return live_ == 0 || pos_ < 0;
}

bool Recordset::IsEOF() const {
  return live_ == 0 || pos_ >= int(rows_.size());
}

void Recordset::SkipDeletedBackward() {
  while (pos_ >= 0 && pos_ < int(rows_.size()) && rows_[pos_].deleted) --pos_;
}

void Recordset::SkipDeletedForward() {
  ReadUpTo(pos_);
  while (pos_ >= 0 && pos_ < int(rows_.size()) && rows_[pos_].deleted) {
    ++pos_;
    ReadUpTo(pos_);
  }
}

void Recordset::MoveFirst() {
  CancelUpdate();
  pos_ = 0;
  SkipDeletedForward();
}

void Recordset::MoveLast() {
  CancelUpdate();
  ReadAll();
  pos_ = int(rows_.size()) - 1;
  SkipDeletedBackward();
  if (pos_ < 0) pos_ = int(rows_.size());
}

void Recordset::MoveNext() {
  CancelUpdate();
  if (pos_ < int(rows_.size())) ++pos_;
  SkipDeletedForward();
}

void Recordset::MovePrevious() {
  CancelUpdate();
  if (pos_ >= 0) --pos_;
  SkipDeletedBackward();
}

int Recordset::AbsolutePosition() const {
  if (IsEOF() || IsBOF()) return 0;
  int n = 0;
  for (int i = 0; i <= pos_; ++i) n += rows_[i].deleted ? 0 : 1;
  return n;
}

Value Recordset::Field(int i) const {
  if (i < 0 || i >= columns_.Count()) return {};
  if (edit_ != Edit::None && editSet_[i]) return editValues_[i];
  if (edit_ == Edit::New) return {};
  if (IsEOF() || IsBOF()) return {};
  return rows_[pos_].values[i];
}

Value Recordset::Field(const QString& name) const {
  return Field(FieldIndex(name));
}

bool Recordset::Fail(const QString& what) {
  if (conn_) conn_->setError(SQLITE_MISUSE, what);
  return false;
}

void Recordset::AddNew() {
  if (!IsOpen() || table_.isEmpty()) return;
  ReadAll();
  edit_ = Edit::New;
  editValues_.assign(columns_.Count(), Value());
  editSet_.assign(columns_.Count(), false);
}

bool Recordset::SetField(const QString& name, const Value& value) {
  const int i = FieldIndex(name);
  if (!IsOpen() || table_.isEmpty() || i < 0) return Fail(u"无法修改字段 "_s + name);
  if (edit_ == Edit::None) {
    if (IsEOF() || IsBOF() || rows_[pos_].deleted) return Fail(u"没有当前记录"_s);
    edit_ = Edit::Current;
    editValues_.assign(columns_.Count(), Value());
    editSet_.assign(columns_.Count(), false);
  }
  editValues_[i] = value;
  editSet_[i] = true;
  return true;
}

bool Recordset::ReadRow(qint64 rowid, Row& row) {
  QStringList cols;
  for (const QString& o : origins_) cols << QuoteIdentifier(o);
  Statement s(*conn_, u"SELECT "_s + cols.join(u',') + u" FROM "_s + QuoteIdentifier(table_) +
                          u" WHERE rowid=?"_s);
  if (!s.bind(1, Value(rowid)) || !s.next()) return false;
  row.rowid = rowid;
  row.values.clear();
  for (int i = 0; i < int(origins_.size()); ++i) row.values.push_back(s.value(i, columns_.Kind(i)));
  return true;
}

bool Recordset::Update() {
  if (edit_ == Edit::None) return true;
  ReadAll();
  const Edit edit = edit_;
  edit_ = Edit::None;
  QStringList cols;
  Params params;
  for (int i = 0; i < columns_.Count(); ++i) {
    if (!editSet_[i]) continue;
    cols << QuoteIdentifier(origins_[i]);
    params << editValues_[i];
  }
  if (edit == Edit::New) {
    QString sql = u"INSERT INTO "_s + QuoteIdentifier(table_);
    if (cols.isEmpty()) {
      sql += u" DEFAULT VALUES"_s;
    } else {
      sql += u'(' + cols.join(u',') + u") VALUES("_s + QStringList(cols.size(), u"?"_s).join(u',') +
             u')';
    }
    if (!conn_->exec(sql, params)) return false;
    Row row;
    if (!ReadRow(conn_->lastInsertRowId(), row)) return false;
    rows_.push_back(std::move(row));
    ++live_;
    pos_ = int(rows_.size()) - 1;
    return true;
  }
  if (cols.isEmpty()) return true;
  Row& row = rows_[pos_];
  params << Value(row.rowid);
  const QString sql = u"UPDATE "_s + QuoteIdentifier(table_) + u" SET "_s + cols.join(u"=?,"_s) +
                      u"=? WHERE rowid=?"_s;
  if (!conn_->exec(sql, params)) return false;
  Row fresh;
  if (ReadRow(row.rowid, fresh)) row.values = std::move(fresh.values);
  return true;
}

void Recordset::CancelUpdate() {
  edit_ = Edit::None;
  editValues_.clear();
  editSet_.clear();
}

bool Recordset::Delete() {
  CancelUpdate();
  if (!IsOpen() || table_.isEmpty() || IsEOF() || IsBOF()) return Fail(u"没有当前记录"_s);
  ReadAll();
  Row& row = rows_[pos_];
  if (row.deleted) return false;
  if (!conn_->exec(u"DELETE FROM "_s + QuoteIdentifier(table_) + u" WHERE rowid=?"_s,
                   {Value(row.rowid)}))
    return false;
  row.deleted = true;
  --live_;
  return true;
}

}  // namespace lanxi
