#pragma once

#include <QFile>
#include <QString>

// The fixture pages of a test: HTML files in the test's data folder, "{{HOST}}" standing for
// the host they are served from.
namespace lanxi::test {

// A page of `folder` with "{{HOST}}" replaced by `host`; empty when there is no such file.
inline QString FixtureFileHtml(const QString& folder, const QString& name, const QString& host) {
  QFile f(folder + u'/' + name);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll()).replace(QStringLiteral("{{HOST}}"), host);
}

// The same in the data folder of the test target, its LANXI_TEST_DATA.
#ifdef LANXI_TEST_DATA
inline QString FixturePath(const QString& name) {
  return QStringLiteral(LANXI_TEST_DATA) + u'/' + name;
}
inline QString FixtureHtml(const QString& name, const QString& host) {
  return FixtureFileHtml(QStringLiteral(LANXI_TEST_DATA), name, host);
}
#endif

}  // namespace lanxi::test
