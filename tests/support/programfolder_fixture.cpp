#include "programfolder_fixture.h"

#include <stdexcept>

#include "common/programfolder.h"
#include "storage/dboperate.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;

namespace lanxi::test {

TempProgramFolder::TempProgramFolder() {
  if (!dir_.isValid()) throw std::runtime_error("no temporary folder");
  if (!WriteDatabaseFile(dir_.filePath(u"PARA.mdb"_s), DatabaseKind::Catalog) ||
      !WriteDatabaseFile(dir_.filePath(u"data.mdb"_s), DatabaseKind::Tracking))
    throw std::runtime_error("cannot write the templates");
  SetProgramFolder(dir_.path());
  WorkDBFile.clear();
  CurDBFile.clear();
}

TempProgramFolder::~TempProgramFolder() {
  SetProgramFolder({});
  WorkDBFile.clear();
  CurDBFile.clear();
}

}  // namespace lanxi::test
