#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>
#include <optional>
#include <random>

// The crash tests' worker processes: a worker prints "ready" once it is set to go, then works
// until it is killed at a random moment.
namespace lanxi::test {

// Starts `program` with `arguments`, waits for its "ready" line, lets it work for a random time
// below `maxMicroseconds` and kills it (SIGKILL). Answers what it printed after "ready", or
// nullopt with the reason in `error` when it did not start or never said it was ready.
inline std::optional<QByteArray> KillWorkerAtRandom(const QString& program,
                                                    const QStringList& arguments,
                                                    std::mt19937& random, unsigned maxMicroseconds,
                                                    QString* error) {
  QProcess worker;
  worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  worker.start(program, arguments);
  if (!worker.waitForStarted(10000)) {
    *error = QStringLiteral("the worker did not start: ") + worker.errorString();
    return std::nullopt;
  }
  while (!worker.canReadLine()) {
    if (!worker.waitForReadyRead(10000)) {
      *error = QStringLiteral("the worker never said it was ready");
      worker.kill();
      worker.waitForFinished(10000);
      return std::nullopt;
    }
  }
  if (worker.readLine() != "ready\n") {
    *error = QStringLiteral("the worker's first line was not \"ready\"");
    worker.kill();
    worker.waitForFinished(10000);
    return std::nullopt;
  }
  QThread::usleep(random() % maxMicroseconds);
  worker.kill();
  worker.waitForFinished(10000);
  return worker.readAllStandardOutput();
}

}  // namespace lanxi::test
