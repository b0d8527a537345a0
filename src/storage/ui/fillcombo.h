#pragma once

#include <QString>

class QComboBox;

namespace lanxi {

// Fills a drop-down with the distinct values of a column in ascending order and shows the
// first one.
void FillComboDistinct(QComboBox* combo, const QString& table, const QString& column,
                       const QString& db = {});

}  // namespace lanxi
