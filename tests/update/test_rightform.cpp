// The about window as a user meets it.
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "common/version.h"
#include "programfolder_fixture.h"
#include "update/ui/rightform.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

class RightformTest : public QObject {
  Q_OBJECT

 private slots:
  void ShowsWhoWeAreAndClosesOnOk() {
    test::TempProgramFolder folder;
    auto* about = new Rightform;
    about->show();
    QVERIFY(QTest::qWaitForWindowExposed(about));
    QCOMPARE(about->objectName(), u"Rightform"_s);
    QCOMPARE(about->windowTitle(), u"版权说明"_s);
    QVERIFY(about->findChild<QLabel*>(u"Image1"_s));
    const QStringList lines = Rightform::CompanyLines();
    QVERIFY(lines.size() >= 4);
    for (int i = 0; i < lines.size(); ++i) {
      auto* label = about->findChild<QLabel*>(u"lblCompany_"_s + QString::number(i));
      QVERIFY(label);
      QCOMPARE(label->text(), lines[i]);
    }
    QVERIFY(lines.join(u'\n').contains(ProgramVersion()));
    auto* ok = about->findChild<QPushButton*>(u"Com"_s);
    QVERIFY(ok);
    QCOMPARE(ok->text(), u"确 定"_s);
    QPointer<Rightform> alive(about);
    QTest::mouseClick(ok, Qt::LeftButton);
    QTRY_VERIFY(alive.isNull());
  }
};

QTEST_MAIN(RightformTest)
#include "test_rightform.moc"
