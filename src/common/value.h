#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <variant>

namespace lanxi {

// One database value with the type its column declares, so that tables can format it by type.
// Dates travel through the database as ISO text ("YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS").
class Value {
 public:
  enum class Type { Null, Integer, Double, Date, DateTime, Bool, Text };

  Value() = default;
  Value(int v) : v_(qint64{v}) {}
  Value(qint64 v) : v_(v) {}
  Value(double v) : v_(v) {}
  Value(bool v) : v_(v) {}
  Value(const QString& v) : v_(v) {}
  Value(QString&& v) : v_(std::move(v)) {}
  Value(const char16_t* v) : v_(QString::fromUtf16(v)) {}
  Value(QDate v) : v_(v) {}
  Value(const QDateTime& v) : v_(v) {}
  Value(const char*) = delete;  // would silently become a Yes/No value

  Type type() const { return static_cast<Type>(v_.index()); }
  bool isNull() const { return type() == Type::Null; }
  bool isNumber() const { return type() == Type::Integer || type() == Type::Double; }

  // Conversions in the forgiving manner of the database: text is parsed, null gives zero/empty.
  qint64 toInt() const;
  double toDouble() const;
  bool toBool() const;
  QDate toDate() const;
  QDateTime toDateTime() const;
  // The value's ordinary text: integers plainly, doubles in their shortest form, dates and
  // date-times in ISO form, Yes/No as "True"/"False", null as the empty text.
  QString toString() const;

  bool operator==(const Value& other) const = default;

  // Reads ISO dates ("YYYY-MM-DD", optionally followed by " HH:MM[:SS]" or "T…"); invalid
  // values on anything else.
  static QDate ParseIsoDate(QStringView text);
  static QDateTime ParseIsoDateTime(QStringView text);
  static QString IsoDate(QDate d);
  static QString IsoDateTime(const QDateTime& dt);

 private:
  std::variant<std::monostate, qint64, double, QDate, QDateTime, bool, QString> v_;
};

// The text of a Yes/No value in a table: "√" for yes, empty for no.
QString BoolMark(bool value);

// The text a table cell shows for a value: doubles with two decimals, the no-date value
// 1900-01-01 00:00 as empty text, other dates "yyyy.mm.dd" (date only) or "yyyy.mm.dd hh:mm",
// Yes/No through BoolMark, anything else as its ordinary text.
QString FormatValue(const Value& value, bool dateOnly);

}  // namespace lanxi
