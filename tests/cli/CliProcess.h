#pragma once
// Runs the built pellar-cli as a process, in a temporary folder of its own
// (kept backups go to its data folder there too), and collects its exit
// code and output.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

#include <csignal>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

struct TCliRun {
  int Code = -1;
  QString Out;
  QString Err;
};

class TCliProcess {
public:
  TCliProcess() {
    EXPECT_TRUE(Dir.isValid());
    Environment.insert(QStringLiteral("XDG_DATA_HOME"), Path(QStringLiteral("data")));
  }

  QString Path(const QString& name) const { return Dir.filePath(name); }

  // Runs the program to its end. `running`, when given, is called with the
  // process each time it writes to stderr.
  TCliRun Run(const QStringList& args,
              const std::function<void(QProcess&, const QString& errSoFar)>& running = {}) {
    QProcess process;
    process.setWorkingDirectory(Dir.path());
    process.setProcessEnvironment(Environment);
    QString err;
    if (running)
      QObject::connect(&process, &QProcess::readyReadStandardError, [&] {
        err += QString::fromLocal8Bit(process.readAllStandardError());
        running(process, err);
      });
    process.start(QStringLiteral(PELLAR_CLI), args);
    EXPECT_TRUE(process.waitForStarted(10000));
    EXPECT_TRUE(process.waitForFinished(600000));
    TCliRun run;
    run.Code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.Out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.Err = err + QString::fromLocal8Bit(process.readAllStandardError());
    return run;
  }

  QByteArray Contents(const QString& name) const {
    QFile file(Path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  QTemporaryDir Dir;
  QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
};

inline std::vector<uint8_t> RandomImage(size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::vector<uint8_t> bytes(size);
  for (auto& b : bytes) b = static_cast<uint8_t>(gen());
  return bytes;
}
