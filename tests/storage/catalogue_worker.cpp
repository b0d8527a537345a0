// catalogue_worker FOLDER SEED: creates, renames and deletes catalogued databases in the
// program folder FOLDER, one after another, until it is killed. It works only on databases
// whose names begin with "w" (and deletes the one named "dupA" when it comes to it), chosen by
// a random sequence from SEED. It prints "ready" before the first operation, "done new",
// "done delete" or "done rename" after each one and any message but those of success; the
// crash test kills it at random moments.
#include <QCoreApplication>
#include <cstdio>
#include <random>

#include "common/programfolder.h"
#include "fakecataloguehost.h"
#include "scriptedprompts.h"
#include "storage/catalogue.h"
#include "storage/dboperate.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

QStringList OwnNames() {
  QStringList names;
  Connection catalog;
  std::vector<CatalogueEntry> rows;
  if (!catalog.open(DatabasePath(u"PARA.mdb"_s)) || !ReadCatalogue(catalog, &rows)) return names;
  for (const CatalogueEntry& e : rows) {
    if (e.name.startsWith(u'w') || e.name == u"dupA"_s) names << e.name;
  }
  return names;
}

void Say(const char* what) {
  std::printf("%s\n", what);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 3) return 2;
  SetProgramFolder(QString::fromLocal8Bit(argv[1]));
  const QString seed = QString::fromLocal8Bit(argv[2]);
  std::mt19937 random(seed.toUInt());
  test::ScriptedPrompts prompts;
  test::FakeHost host;
  DatabaseKey();  // derived once, before the clock of the test starts
  Say("ready");
  for (int i = 0;; ++i) {
    const QStringList own = OwnNames();
    const int dice = int(random() % 100);
    const QString fresh = u"w"_s + seed + u'_' + QString::number(i);
    const char* done = "done new";
    if (own.size() < 3 || dice < 45) {
      prompts.inputs.enqueue(fresh);
      NewDB(host);
    } else {
      const QString pick = own[int(random() % own.size())];
      if (dice < 80) {
        host.label = u"  "_s;
        DeleteDB(host, pick);
        done = "done delete";
      } else {
        host.label = pick;
        prompts.inputs.enqueue(fresh);
        RenameDB(host);
        done = "done rename";
      }
    }
    // Anything but the messages of success is worth the test's attention.
    for (const QString& m : std::as_const(prompts.messages)) {
      if (!m.endsWith(u"删除成功！"_s) && m != u"数据库更名完成！"_s)
        std::printf("message: %s\n", m.toUtf8().constData());
    }
    prompts.messages.clear();
    prompts.questions.clear();
    Say(done);
  }
}
