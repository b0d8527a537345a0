#pragma once

#include <QString>

#include "storage/catalogue.h"

namespace lanxi::test {

// The main window as the catalogue sees it: the label CurDBName (two spaces before any database
// is opened), a selection dialog that answers `chosen`, and counts of dialogs and refreshes.
class FakeHost : public CatalogueHost {
 public:
  QString CurDBName() const override { return label; }
  void SetCurDBName(const QString& name) override { label = name; }
  QString ChooseDatabase() override {
    ++dialogs;
    SelDBName = chosen;
    return SelDBName;
  }
  void RefreshAfterOpen() override { ++refreshes; }

  QString label = QStringLiteral("  ");
  QString chosen;
  int dialogs = 0;
  int refreshes = 0;
};

}  // namespace lanxi::test
