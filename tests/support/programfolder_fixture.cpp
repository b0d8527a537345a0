#include "programfolder_fixture.h"

#include <stdexcept>

#include "common/programfolder.h"
#include "storage/dboperate.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;

namespace lanxi::test {

TempProgramFolder::TempProgramFolder() {
  if (!dir_.isValid()) throw std::runtime_error("no temporary folder");
  if (!WriteTemplates(dir_.path())) throw std::runtime_error("cannot write the templates");
  SetProgramFolder(dir_.path());
  WorkDBFile.clear();
  CurDBFile.clear();
}

TempProgramFolder::~TempProgramFolder() {
  ReleaseAllDatabases();  // no handle outlives the folder
  SetProgramFolder({});
  WorkDBFile.clear();
  CurDBFile.clear();
}

}  // namespace lanxi::test
