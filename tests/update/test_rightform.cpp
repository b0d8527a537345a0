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
    QCOMPARE(about->objectName() + u'/' + about->windowTitle(), u"Rightform/版权说明"_s);
    QVERIFY(about->findChild<QLabel*>(u"Image1"_s));
    const QStringList lines = Rightform::CompanyLines();
    QVERIFY(lines.size() >= 4 && lines.join(u'\n').contains(ProgramVersion()));
    for (int i = 0; i < lines.size(); ++i) {
      auto* label = about->findChild<QLabel*>(u"lblCompany_"_s + QString::number(i));
      QCOMPARE(label ? label->text() : u"(none)"_s, lines[i]);
    }
    auto* ok = about->findChild<QPushButton*>(u"Com"_s);
    QCOMPARE(ok ? ok->text() : u"(none)"_s, u"确 定"_s);
    QPointer<Rightform> alive(about);
    QTest::mouseClick(ok, Qt::LeftButton);
    QTRY_VERIFY(alive.isNull());
  }
};

QTEST_MAIN(RightformTest)
#include "test_rightform.moc"
