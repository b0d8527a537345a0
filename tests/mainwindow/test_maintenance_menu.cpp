// The database menu's maintenance entries on the running main window: 导出数据库 asks for the
// database in the selection dialog and saves a copy, 导入数据库 catalogues that copy under a new
// name and opens it, 压缩数据库 compacts every database (the current one included) while the
// window keeps working on it.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "common/progress.h"
#include "databasecontent.h"
#include "demodata.h"
#include "mainwindow/ui/mf.h"
#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "storage/dboperate.h"
#include "tables/ui/gridview.h"
#include "widgetdriver.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using lanxi::test::Find;

class TestMaintenanceMenu : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    folder_ = std::make_unique<test::TempProgramFolder>();
    prompts_ = std::make_unique<test::ScriptedPrompts>();
    QDir().mkpath(folder_->file(u"tmp"_s));
    qputenv("TMPDIR", QFile::encodeName(folder_->file(u"tmp"_s)));
  }
  void cleanup() {
    qunsetenv("TMPDIR");
    CloseProgress();
    prompts_.reset();
    folder_.reset();
  }

  void exportImportAndCompactFromTheMenu() {
    demo::Spec spec;
    spec.name = u"女装"_s;
    spec.products = 5;
    spec.days = 20;
    demo::Result made;
    const QString catalog = folder_->file(u"PARA.mdb"_s);
    QVERIFY(demo::GenerateCataloguedDatabase(catalog, spec, &made));
    QVERIFY(demo::SetDefaultDatabase(catalog, spec.name));
    const QString original = folder_->file(made.fileName);
    const QString content = test::DatabaseContent(original);
    MF w;
    w.show();
    auto* label = Find<QLabel>(&w, u"CurDBName"_s);
    QCOMPARE(label->text(), u"女装"_s);

    const QString saved = folder_->file(u"女装备份.mdb"_s);
    test::WhenShown(u"SelectDB"_s, [](QWidget* dialog) {
      auto* cb = dialog->findChild<QComboBox*>(u"CB"_s);
      cb->setCurrentIndex(cb->findText(u"女装"_s));
      QTest::mouseClick(dialog->findChild<QPushButton*>(u"Com_0"_s), Qt::LeftButton);
    });
    prompts_->files.enqueue(saved);
    Find<QAction>(&w, u"mOutpuDB"_s)->trigger();
    QCOMPARE(prompts_->messages, QStringList{u"数据库导出成功！"_s});
    QCOMPARE(prompts_->fileDialogs.last().defaultName, u"女装.mdb"_s);
    QCOMPARE(test::DatabaseContent(saved), content);

    prompts_->files.enqueue(saved);
    prompts_->inputs.enqueue(u"春装"_s);
    prompts_->answers.enqueue(true);
    Find<QAction>(&w, u"mInputDB"_s)->trigger();
    QCOMPARE(prompts_->questions.last(), u"导入成功，是否现在马上调用？"_s);
    QCOMPARE(label->text(), u"春装"_s);
    QVERIFY(CurDBFile != made.fileName);
    QCOMPARE(Find<GridView>(&w, u"MSF_0"_s)->grid()->Rows(), 2 + 5);

    // The current database is compacted under the window; its lists read the new file.
    QVERIFY(ExecuteSQL(u"CREATE TABLE T_PriceByPro(PID LONG)"_s, {}, nullptr, CurDBFile));
    Find<QAction>(&w, u"mCompactDB"_s)->trigger();
    QCOMPARE(prompts_->messages, QStringList{u"数据库导出成功！"_s});
    QVERIFY(!ProgressOpen());
    QVERIFY(!TableExists(u"T_PriceByPro"_s, CurDBFile));
    w.Com_Click(2);
    QCOMPARE(Find<GridView>(&w, u"MSF_0"_s)->grid()->Rows(), 2 + 5);
    QCOMPARE(test::DatabaseContent(original), content);
    QCOMPARE(test::DatabaseContent(DatabasePath(CurDBFile)), content);
  }

 private:
  std::unique_ptr<test::TempProgramFolder> folder_;
  std::unique_ptr<test::ScriptedPrompts> prompts_;
};

QTEST_MAIN(TestMaintenanceMenu)
#include "test_maintenance_menu.moc"
