#include "common/version.h"

namespace lanxi {

QString ProgramVersion() {
  return QStringLiteral(LANXI_VERSION);
}

}  // namespace lanxi
