#pragma once

#include <QString>
#include <QTemporaryDir>

namespace lanxi::test {

// A fresh program folder holding new templates PARA.mdb and data.mdb; it becomes the program
// folder of the process for its lifetime, and WorkDBFile and CurDBFile start empty.
class TempProgramFolder {
 public:
  TempProgramFolder();
  ~TempProgramFolder();
  QString path() const { return dir_.path(); }
  QString file(const QString& name) const { return dir_.filePath(name); }

 private:
  QTemporaryDir dir_;
};

}  // namespace lanxi::test
