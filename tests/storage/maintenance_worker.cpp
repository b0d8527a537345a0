// maintenance_worker FOLDER MODE SEED [SOURCE]: MODE "compact" compacts all databases, "import"
// imports SOURCE under a new name each time, again and again until killed ("-once": once). It
// prints "ready", "done" after each run and "message: " + each message shown.
#include <QCoreApplication>
#include <cstdio>

#include "common/programfolder.h"
#include "fakecataloguehost.h"
#include "scriptedprompts.h"
#include "storage/compaction.h"
#include "storage/importexport.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

void Say(const QByteArray& what) {
  std::printf("%s\n", what.constData());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 4) return 2;
  SetProgramFolder(args[1]);
  const QString mode = args[2], seed = args[3], source = args.value(4);
  const bool compact = mode.startsWith(u"compact"_s), once = mode.endsWith(u"-once"_s);
  if (!compact && source.isEmpty()) return 2;
  test::ScriptedPrompts prompts;
  test::FakeHost host;
  DatabaseKey();  // derived once, before the clock of the test starts
  Say("ready");
  for (int i = 0;; ++i) {
    if (compact) {
      CompactAll();
    } else {
      prompts.files.enqueue(source);
      prompts.inputs.enqueue(u"i"_s + seed + u'_' + QString::number(i));
      prompts.answers.enqueue(false);
      ImportDB(host);
    }
    for (const QString& m : std::as_const(prompts.messages)) Say("message: " + m.toUtf8());
    prompts.messages.clear();
    Say("done");
    if (once) return 0;
  }
}
