#include "storage/ui/fillcombo.h"

#include <QComboBox>

#include "storage/dboperate.h"

namespace lanxi {

void FillComboDistinct(QComboBox* combo, const QString& table, const QString& column,
                       const QString& db) {
  combo->clear();
  combo->addItems(DistinctTexts(table, column, db));
  if (combo->count() > 0) combo->setCurrentIndex(0);
}

}  // namespace lanxi
