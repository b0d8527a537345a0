// catalogue_worker FOLDER SEED: creates, renames and deletes databases named "w…" (and "dupA")
// in FOLDER until killed; prints "ready", "done new|delete|rename" and any message but success.
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

void Say(const QByteArray& what) {
  std::printf("%s\n", what.constData());
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
    for (const QString& m : std::as_const(prompts.messages)) {
      if (!m.endsWith(u"删除成功！"_s) && m != u"数据库更名完成！"_s) Say("message: " + m.toUtf8());
    }
    prompts.messages.clear();
    prompts.questions.clear();
    Say(done);
  }
}
