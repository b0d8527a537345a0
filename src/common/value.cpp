#include "common/value.h"

#include <QLocale>

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// Reads exactly `count` decimal digits at `pos`; -1 when they are not all digits.
int Digits(QStringView s, qsizetype pos, int count) {
  if (pos + count > s.size()) return -1;
  int v = 0;
  for (int i = 0; i < count; ++i) {
    const char16_t c = s[pos + i].unicode();
    if (c < u'0' || c > u'9') return -1;
    v = v * 10 + (c - u'0');
  }
  return v;
}

const QDate kNoDate(1900, 1, 1);

QString TwoDigits(int v) {
  return QString::number(v).rightJustified(2, u'0');
}

}  // namespace

QDate Value::ParseIsoDate(QStringView s) {
  s = s.trimmed();
  if (s.size() < 10 || s[4] != u'-' || s[7] != u'-') return {};
  if (s.size() > 10 && s[10] != u' ' && s[10] != u'T') return {};
  const int y = Digits(s, 0, 4), m = Digits(s, 5, 2), d = Digits(s, 8, 2);
  if (y < 0 || m < 0 || d < 0) return {};
  return QDate(y, m, d);
}

QDateTime Value::ParseIsoDateTime(QStringView s) {
  s = s.trimmed();
  const QDate date = ParseIsoDate(s);
  if (!date.isValid()) return {};
  int h = 0, mi = 0, sec = 0;
  if (s.size() > 10) {
    h = Digits(s, 11, 2);
    mi = (s.size() > 13 && s[13] == u':') ? Digits(s, 14, 2) : -1;
    if (s.size() > 16) sec = s[16] == u':' ? Digits(s, 17, 2) : -1;
    if (h < 0 || mi < 0 || sec < 0) return {};
  }
  const QTime time(h, mi, sec);
  if (!time.isValid()) return {};
  return QDateTime(date, time);
}

QString Value::IsoDate(QDate d) {
  return d.toString(u"yyyy-MM-dd"_s);
}

QString Value::IsoDateTime(const QDateTime& dt) {
  return dt.toString(u"yyyy-MM-dd HH:mm:ss"_s);
}

qint64 Value::toInt() const {
  switch (type()) {
    case Type::Integer:
      return std::get<qint64>(v_);
    case Type::Double:
      return qRound64(std::get<double>(v_));
    case Type::Bool:
      return std::get<bool>(v_) ? 1 : 0;
    case Type::Text: {
      const QString t = std::get<QString>(v_).trimmed();
      bool ok = false;
      const qint64 v = t.toLongLong(&ok);
      return ok ? v : qRound64(t.toDouble());
    }
    default:
      return 0;
  }
}

double Value::toDouble() const {
  switch (type()) {
    case Type::Integer:
      return double(std::get<qint64>(v_));
    case Type::Double:
      return std::get<double>(v_);
    case Type::Bool:
      return std::get<bool>(v_) ? 1.0 : 0.0;
    case Type::Text:
      return std::get<QString>(v_).trimmed().toDouble();
    default:
      return 0.0;
  }
}

bool Value::toBool() const {
  switch (type()) {
    case Type::Bool:
      return std::get<bool>(v_);
    case Type::Integer:
      return std::get<qint64>(v_) != 0;
    case Type::Double:
      return std::get<double>(v_) != 0.0;
    case Type::Text: {
      const QString t = std::get<QString>(v_).trimmed();
      return t.compare(u"true"_s, Qt::CaseInsensitive) == 0 || t == u"√"_s || (t.toDouble() != 0.0);
    }
    default:
      return false;
  }
}

QDate Value::toDate() const {
  switch (type()) {
    case Type::Date:
      return std::get<QDate>(v_);
    case Type::DateTime:
      return std::get<QDateTime>(v_).date();
    case Type::Text:
      return ParseIsoDate(std::get<QString>(v_));
    default:
      return {};
  }
}

QDateTime Value::toDateTime() const {
  switch (type()) {
    case Type::Date:
      return QDateTime(std::get<QDate>(v_), QTime(0, 0));
    case Type::DateTime:
      return std::get<QDateTime>(v_);
    case Type::Text:
      return ParseIsoDateTime(std::get<QString>(v_));
    default:
      return {};
  }
}

QString Value::toString() const {
  switch (type()) {
    case Type::Null:
      return {};
    case Type::Integer:
      return QString::number(std::get<qint64>(v_));
    case Type::Double:
      return QString::number(std::get<double>(v_), 'g', QLocale::FloatingPointShortest);
    case Type::Date:
      return IsoDate(std::get<QDate>(v_));
    case Type::DateTime:
      return IsoDateTime(std::get<QDateTime>(v_));
    case Type::Bool:
      return std::get<bool>(v_) ? u"True"_s : u"False"_s;
    case Type::Text:
      return std::get<QString>(v_);
  }
  return {};
}

QString BoolMark(bool value) {
  return value ? u"√"_s : QString();
}

QString FormatValue(const Value& value, bool dateOnly) {
  switch (value.type()) {
    case Value::Type::Double:
      return QString::number(value.toDouble(), 'f', 2);
    case Value::Type::Bool:
      return BoolMark(value.toBool());
    case Value::Type::Date: {
      // A plain date needs no date-time (whose local-time checks cost more than the text).
      const QDate d = value.toDate();
      if (d == kNoDate) return {};
      QString text = QString::number(d.year()).rightJustified(4, u'0') + u'.' +
                     TwoDigits(d.month()) + u'.' + TwoDigits(d.day());
      if (!dateOnly) text += u" 00:00"_s;
      return text;
    }
    case Value::Type::DateTime: {
      const QDateTime dt = value.toDateTime();
      if (dt.date() == kNoDate && dt.time() == QTime(0, 0)) return {};
      const QDate d = dt.date();
      QString text = QString::number(d.year()).rightJustified(4, u'0') + u'.' +
                     TwoDigits(d.month()) + u'.' + TwoDigits(d.day());
      if (!dateOnly)
        text += u' ' + TwoDigits(dt.time().hour()) + u':' + TwoDigits(dt.time().minute());
      return text;
    }
    default:
      return value.toString();
  }
}

}  // namespace lanxi
