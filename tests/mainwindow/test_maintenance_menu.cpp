// The database menu's maintenance entries on the running main window: 导出数据库 asks for the
// database in the selection dialog and saves a copy, 导入数据库 catalogues that copy under a new
// name and opens it, 压缩数据库 compacts every database (the current one included) while the
// window keeps working on it.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>

#include "databasecontent.h"
#include "guisession.h"
#include "storage/dboperate.h"
#include "widgetdriver.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using namespace lanxi::test;

class TestMaintenanceMenu : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void exportImportAndCompactFromTheMenu() {
    GuiSession s;
    QDir().mkpath(s.folder.file(u"tmp"_s));
    qputenv("TMPDIR", QFile::encodeName(s.folder.file(u"tmp"_s)));
    const QString madeFile = s.MakeDefault(u"女装"_s, 5, 20);
    const QString original = s.folder.file(madeFile);
    const QString content = DatabaseContent(original);
    MF w;
    w.show();
    auto* label = Find<QLabel>(&w, u"CurDBName"_s);
    QCOMPARE(label->text(), u"女装"_s);

    const QString saved = s.folder.file(u"女装备份.mdb"_s);
    WhenShown(u"SelectDB"_s, [](QWidget* dialog) {
      auto* cb = dialog->findChild<QComboBox*>(u"CB"_s);
      cb->setCurrentIndex(cb->findText(u"女装"_s));
      QTest::mouseClick(dialog->findChild<QPushButton*>(u"Com_0"_s), Qt::LeftButton);
    });
    s.prompts.files << saved << saved;
    Find<QAction>(&w, u"mOutpuDB"_s)->trigger();
    QCOMPARE(s.prompts.messages, QStringList{u"数据库导出成功！"_s});
    QCOMPARE(s.prompts.fileDialogs.last().defaultName, u"女装.mdb"_s);
    QCOMPARE(DatabaseContent(saved), content);

    s.prompts.inputs.enqueue(u"春装"_s);
    s.prompts.answers.enqueue(true);
    Find<QAction>(&w, u"mInputDB"_s)->trigger();
    QCOMPARE(s.prompts.questions.last(), u"导入成功，是否现在马上调用？"_s);
    QCOMPARE(label->text(), u"春装"_s);
    QVERIFY(CurDBFile != madeFile);
    QCOMPARE(Find<GridView>(&w, u"MSF_0"_s)->grid()->Rows(), 2 + 5);

    // The current database is compacted under the window; its lists read the new file.
    QVERIFY(ExecuteSQL(u"CREATE TABLE T_PriceByPro(PID LONG)"_s, {}, nullptr, CurDBFile));
    Find<QAction>(&w, u"mCompactDB"_s)->trigger();
    QCOMPARE(s.prompts.messages, QStringList{u"数据库导出成功！"_s});
    QVERIFY(!ProgressOpen());
    QVERIFY(!TableExists(u"T_PriceByPro"_s, CurDBFile));
    w.Com_Click(2);
    QCOMPARE(Find<GridView>(&w, u"MSF_0"_s)->grid()->Rows(), 2 + 5);
    QCOMPARE(DatabaseContent(original), content);
    QCOMPARE(DatabaseContent(DatabasePath(CurDBFile)), content);
    w.close();
    qunsetenv("TMPDIR");
  }
};

QTEST_MAIN(TestMaintenanceMenu)
#include "test_maintenance_menu.moc"
