#pragma once

#include <QTest>
#include <memory>

#include "common/progress.h"
#include "demodata.h"
#include "mainwindow/ui/mf.h"
#include "programfolder_fixture.h"
#include "scriptedprompts.h"

// What every window test starts from: a fresh program folder, scripted answers to the prompts,
// and optionally a generated default database opened in a shown main window. Held in a
// std::optional that init() fills and cleanup() empties.
namespace lanxi::test {

struct GuiSession {
  TempProgramFolder folder;
  ScriptedPrompts prompts;
  std::unique_ptr<MF> window;

  ~GuiSession() {
    window.reset();
    CloseProgress();
  }

  // Catalogues a demo database whose figures end today and makes it the default; its file name,
  // empty when that failed.
  QString MakeDefault(const QString& name, int products, int days) {
    demo::Spec spec;
    spec.name = name;
    spec.products = products;
    spec.days = days;
    demo::Result made;
    const QString catalog = folder.file(QStringLiteral("PARA.mdb"));
    if (!demo::GenerateCataloguedDatabase(catalog, spec, &made) ||
        !demo::SetDefaultDatabase(catalog, name))
      return {};
    return made.fileName;
  }

  // The main window on that default database, shown and active.
  MF* Open(const QString& name, int products, int days) {
    if (MakeDefault(name, products, days).isEmpty()) return nullptr;
    window = std::make_unique<MF>();
    window->show();
    return QTest::qWaitForWindowActive(window.get()) ? window.get() : nullptr;
  }
};

}  // namespace lanxi::test
