// The work behind the product list's commands: deleting products with their figures, the item
// address of a product choice, and what the picture preview finds in a product's picture.
#include <QFile>

#include "mainwindow/commands.h"
#include "mainwindow/productlists.h"
#include "tablesfixture.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using lanxi::test::TablesTest;

namespace {

class Commands : public TablesTest {
 protected:
  Grid grid;

  // Products 1 … n with two days of figures each, loaded newest first.
  void Load(int n) {
    for (int i = 1; i <= n; ++i) {
      Exec(u"INSERT INTO Product(Name,Url) VALUES(?,?)"_s,
           {u"产品"_s + QString::number(i),
            u"http://item.taobao.com/item.htm?id="_s + QString::number(i)});
      Exec(u"INSERT INTO PInfo(PID,Dat,Sales) VALUES(?,'2024-05-01',1),(?,'2024-05-02',2)"_s,
           {Value(i), Value(i)});
    }
    LoadProductMSF(grid);
  }
};

}  // namespace

// A block chosen from the bottom up is asked about in ascending rows and goes with its figures;
// No deletes nothing.
TEST_F(Commands, DeletingABlockTakesTheProductsWithTheirFigures) {
  Load(5);  // rows 2 … 6 hold products 5 … 1
  prompts.answers << false << true;
  EXPECT_FALSE(DeleteProducts(grid, 4, 3));
  EXPECT_EQ(grid.Rows(), 7);
  ASSERT_TRUE(DeleteProducts(grid, 4, 3));
  EXPECT_EQ(prompts.questions.last(), u"您确定要删除第2-3行数据？"_s);
  EXPECT_EQ(progress.shown, QStringList{u"正在删除数据.../3"_s});
  EXPECT_EQ(Column(grid, 0), (QStringList{u"5"_s, u"2"_s, u"1"_s}));
  EXPECT_EQ(Count(u"SELECT COUNT(*) FROM PInfo WHERE PID IN (3,4)"_s), 0);
  EXPECT_EQ(Count(u"SELECT COUNT(*) FROM PInfo"_s), 6);
  Exec(u"DELETE FROM Product"_s);  // an empty list: only header rows, nothing is asked
  LoadProductMSF(grid);
  EXPECT_FALSE(DeleteProducts(grid, 0, 1));
  EXPECT_EQ(prompts.questions.size(), 2);
}

// A deletion the database refuses halfway leaves database and list whole.
TEST_F(Commands, ARefusedDeletionLeavesDatabaseAndListWhole) {
  Load(3);
  Exec(
      u"CREATE TRIGGER refuse BEFORE DELETE ON PInfo WHEN OLD.PID=2 "
      "BEGIN SELECT RAISE(ABORT,'refused'); END"_s);
  prompts.answers << true;
  EXPECT_FALSE(DeleteProducts(grid, 2, 3));
  EXPECT_EQ(prompts.messages, QStringList{u"删除记录时出错，数据库和表格中的记录都没有删除！"_s});
  EXPECT_EQ(grid.Rows(), 5);
  EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Product"_s), 3);
  EXPECT_EQ(Count(u"SELECT COUNT(*) FROM PInfo"_s), 6);
}

// A product choice item leads to its product's address; others to none.
TEST_F(Commands, AChoiceItemLeadsToItsProductsAddress) {
  Load(12);
  EXPECT_EQ(ProductAddress(u"12:产品12"_s), u"http://item.taobao.com/item.htm?id=12"_s);
  EXPECT_EQ(ProductAddress(u"所有产品"_s), QString());
  EXPECT_EQ(ProductAddress(u"99:gone"_s), QString());
}

// What the preview finds: an address, a file, or nothing usable.
TEST(Pictures, AnAddressAMissingFileAndAFileAreTold) {
  EXPECT_EQ(ClassifyPicture(u"http://img.taobao.com/1.jpg"_s), PictureState::Address);
  EXPECT_EQ(ClassifyPicture(QString()), PictureState::Missing);
  QTemporaryDir dir;
  const QString path = dir.filePath(u"Img00001.jpg"_s);
  EXPECT_EQ(ClassifyPicture(path), PictureState::Missing);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  EXPECT_EQ(ClassifyPicture(path), PictureState::File);
  EXPECT_EQ(ClassifyPicture(dir.path()), PictureState::Missing);  // a folder is no picture
}
