#include "storage/cursor.h"

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

bool IsWordChar(QChar c) {
  return c.isLetterOrNumber() || c == u'_';
}

// The position just past the quoted text, name or comment that starts at `i`, or `i` when none
// starts there.
qsizetype SkipQuoted(const QString& sql, qsizetype i) {
  const qsizetype n = sql.size();
  const QChar c = sql[i];
  const QChar next = i + 1 < n ? sql[i + 1] : QChar();
  if (c == u'\'' || c == u'"' || c == u'`' || c == u'[') {
    const QChar close = c == u'[' ? QChar(u']') : c;
    for (qsizetype j = i + 1; j < n; ++j) {
      if (sql[j] != close) continue;
      if (close != u']' && j + 1 < n && sql[j + 1] == close) {
        ++j;  // a doubled quote stands for itself
        continue;
      }
      return j + 1;
    }
    return n;
  }
  if (c == u'-' && next == u'-') {
    const qsizetype end = sql.indexOf(u'\n', i);
    return end < 0 ? n : end + 1;
  }
  if (c == u'/' && next == u'*') {
    const qsizetype end = sql.indexOf(u"*/"_s, i + 2);
    return end < 0 ? n : end + 2;
  }
  return i;
}

}  // namespace

QString WithoutFinalOrderBy(const QString& sql) {
  const qsizetype n = sql.size();
  int depth = 0;
  qsizetype orderAt = -1, limitAt = -1;
  bool parameterInOrder = false;
  for (qsizetype i = 0; i < n;) {
    const qsizetype skipped = SkipQuoted(sql, i);
    if (skipped != i) {
      i = skipped;
      continue;
    }
    const QChar c = sql[i];
    if (orderAt >= 0 && limitAt < 0 && (c == u'?' || c == u':' || c == u'@' || c == u'$'))
      parameterInOrder = true;  // leaving it out would shift the parameters after it
    if (c == u'(') {
      ++depth;
    } else if (c == u')') {
      --depth;
    } else if (depth == 0 && IsWordChar(c) && (i == 0 || !IsWordChar(sql[i - 1]))) {
      qsizetype end = i;
      while (end < n && IsWordChar(sql[end])) ++end;
      const QStringView word = QStringView(sql).sliced(i, end - i);
      if (word.compare(u"ORDER", Qt::CaseInsensitive) == 0) {
        qsizetype j = end;
        while (j < n && sql[j].isSpace()) ++j;
        if (QStringView(sql).sliced(j).startsWith(u"BY", Qt::CaseInsensitive) &&
            (j + 2 >= n || !IsWordChar(sql[j + 2]))) {
          orderAt = i;
          limitAt = -1;
          parameterInOrder = false;
        }
      } else if (word.compare(u"LIMIT", Qt::CaseInsensitive) == 0 && orderAt >= 0 && limitAt < 0) {
        limitAt = i;
      }
      i = end;
      continue;
    }
    ++i;
  }
  if (orderAt < 0 || parameterInOrder) return sql;
  return sql.left(orderAt) + (limitAt >= 0 ? sql.mid(limitAt) : QString());
}

qint64 CountRows(Connection& conn, const QString& sql, const Params& params) {
  QString inner = WithoutFinalOrderBy(sql).trimmed();
  while (inner.endsWith(u';')) inner = inner.chopped(1).trimmed();
  {
    Statement count(conn, u"SELECT COUNT(*) FROM ("_s + inner + u"\n)"_s);
    if (count.isValid()) {
      if (!count.bind(params) || !count.next()) return -1;
      return sqlite3_column_int64(count.handle(), 0);
    }
  }
  Statement walk(conn, sql);
  if (!walk.isValid() || !walk.bind(params)) return -1;
  qint64 rows = 0;
  while (walk.next()) ++rows;
  return walk.failed() ? -1 : rows;
}

void ResultColumns::Read(const Statement& s, int skip) {
  const int n = std::max(0, s.columnCount() - skip);
  names_.resize(n);
  kinds_.resize(n);
  for (int i = 0; i < n; ++i) {
    names_[i] = s.columnName(i + skip);
    kinds_[i] = s.columnKind(i + skip);
  }
}

void ResultColumns::Clear() {
  names_.clear();
  kinds_.clear();
}

int ResultColumns::Index(const QString& name) const {
  for (int i = 0; i < Count(); ++i) {
    if (names_[i].compare(name, Qt::CaseInsensitive) == 0) return i;
  }
  return -1;
}

bool Cursor::Open(std::unique_ptr<Connection> conn, const QString& sql, const Params& params) {
  Close();
  sql_ = sql;
  if (!conn || !conn->isOpen()) return false;
  Statement s(*conn, sql);
  if (!s.isValid() || !s.bind(params)) return false;
  columns_.Read(s);
  const bool row = s.next();
  if (!row && s.failed()) {
    columns_.Clear();
    return false;
  }
  conn_ = std::move(conn);
  stmt_ = std::move(s);
  params_ = params;
  eof_ = !row;
  if (eof_) stmt_.finish();
  return true;
}

void Cursor::Close() {
  stmt_ = Statement();
  conn_.reset();
  params_.clear();
  columns_.Clear();
  eof_ = true;
}

QString Cursor::LastError() const {
  return conn_ ? conn_->lastError() : QString();
}

void Cursor::MoveNext() {
  if (eof_) return;
  if (!stmt_.next()) {
    eof_ = true;
    stmt_.finish();
  }
}

qint64 Cursor::Count() {
  return conn_ ? CountRows(*conn_, sql_, params_) : -1;
}

Value Cursor::Field(int i) const {
  if (eof_ || i < 0 || i >= columns_.Count()) return {};
  return stmt_.value(i, columns_.Kind(i));
}

}  // namespace lanxi
