// maintenance_worker FOLDER MODE SEED [SOURCE]: compacts or imports databases in the program
// folder FOLDER, for the crash tests.
//   compact         runs the compaction command (CompactAll) again and again until killed;
//   compact-once    runs it once;
//   import          imports SOURCE again and again, each time under a new name "i" + SEED +
//                   "_" + a count, without opening it, until killed;
//   import-once     imports it once.
// It prints "ready" before the first operation, "done" after each one and "message: " + text
// for every message shown (the compaction shows none when all goes well, the import none).
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
