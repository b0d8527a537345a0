// Category names and values as the database keeps them: display names applied to captions,
// values set cell by cell, over a block and by name part, and the selection texts.
#include "categories/categoryedit.h"
#include "categories/categorynames.h"
#include "categories/selection.h"
#include "mainwindow/productlists.h"
#include "tables/gridoperate.h"
#include "tablesfixture.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using lanxi::test::TablesTest;

namespace {

// Texts a user may type as a category value or name: quotes, the LIKE wildcards and the escape
// character, Chinese punctuation, SQL, spaces inside.
const QStringList kTricky{u"男's \"款\""_s,
                          u"100%_棉"_s,
                          u"a\\b"_s,
                          u"中文，标点。“引号”"_s,
                          u"'); DROP TABLE Product; --"_s,
                          u"宽 松"_s};

class Categories : public TablesTest {
 protected:
  Grid grid;

  // Adds products (name part of CName, value of C0) and loads the product list.
  void AddProducts(const QList<std::pair<QString, QString>>& products) {
    for (const auto& [cname, c0] : products)
      Exec(u"INSERT INTO Product(Name,CName,C0) VALUES(?,?,?)"_s, {cname, cname, c0});
  }
  void Load() { LoadProductMSF(grid); }

  QString Stored(const QString& field, qint64 id) {
    return LookupValue(u"Product"_s, Value(id), u"ID"_s, field, CurDBFile).toString();
  }
  QStringList Titles() const {
    QStringList t;
    for (int c = 9; c <= 18; ++c) t << grid.TextMatrix(1, c);
    return t;
  }
  // The internal captions with some replaced.
  static QStringList Names(const QMap<int, QString>& replaced = {}) {
    QStringList t;
    for (int i = 0; i < kCategoryCount; ++i) t << replaced.value(i, InternalCategoryCaption(i));
    return t;
  }
};

}  // namespace

TEST_F(Categories, WithoutParaTheCaptionsStayAndNothingIsSaid) {
  Exec(u"DROP TABLE Para"_s);
  Load();
  EXPECT_EQ(Titles(), Names());
  EXPECT_TRUE(prompts.messages.isEmpty());
  // Saving names brings the table back.
  ASSERT_TRUE(SaveCategoryNames(Names({{2, u"颜色"_s}})));
  Load();
  EXPECT_EQ(grid.TextMatrix(1, 11), u"颜色"_s);
}

TEST_F(Categories, NamesAreStoredOnlyWhereTheyDifferAndShownExactly) {
  QStringList names = Names();
  for (int i = 0; i < kTricky.size(); ++i) names[i] = kTricky[i];
  names[7] = QString();  // an empty name is a name too
  ASSERT_TRUE(SaveCategoryNames(names));
  EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Para WHERE CID=1"_s), kTricky.size() + 1);
  Load();
  EXPECT_EQ(Titles(), names);

  // Back to the internal captions: the rows go.
  ASSERT_TRUE(SaveCategoryNames(Names()));
  EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Para"_s), 0);
}

TEST_F(Categories, RefreshingShowsNewNamesOverOldOnesAndKeepsSortMarks) {
  AddProducts({{u"甲"_s, u"b"_s}, {u"乙"_s, u"a"_s}});
  QStringList names = Names({{0, u"品类"_s}, {1, u"季节"_s}});
  ASSERT_TRUE(SaveCategoryNames(names));
  Load();
  SortByColumn(grid, 9);
  ASSERT_EQ(grid.TextMatrix(1, 9), u"品类△"_s);
  QStringList items = names;
  QString text = u"季节"_s;

  ASSERT_TRUE(SaveCategoryNames(Names({{0, u"款式"_s}})));
  RefreshCategoryCaptions(&grid, &items, &text);
  EXPECT_EQ(std::pair(grid.TextMatrix(1, 9), grid.TextMatrix(1, 10)),
            std::pair(u"款式△"_s, u"分类2"_s));
  EXPECT_EQ(items.mid(0, 3), (QStringList{u"款式"_s, u"分类2"_s, u"分类3"_s}));
  EXPECT_EQ(text, u"分类2"_s);
}

TEST_F(Categories, OneCellTakesAnyTypedValueExactly) {
  AddProducts({{u"甲"_s, u"旧"_s}, {u"乙"_s, u"旧"_s}});
  for (const QString& value : kTricky) {
    ASSERT_TRUE(UpdateProductField(1, u"C3"_s, value));
    EXPECT_EQ(Stored(u"C3"_s, 1), value);
  }
  // Only category fields can be written.
  EXPECT_FALSE(UpdateProductField(1, u"Name"_s, u"x"_s));
  EXPECT_FALSE(UpdateProductField(1, u"C0=C1 WHERE 1=1 --"_s, u"x"_s));
  EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Product WHERE C0='旧'"_s), 2);
}

TEST_F(Categories, TheDropDownOffersEachValueOnceInOrder) {
  AddProducts({{u"a"_s, u"衬衫"_s}, {u"b"_s, QString()}, {u"c"_s, u"T恤"_s}, {u"d"_s, u"衬衫"_s}});
  Exec(u"UPDATE Product SET C0=NULL WHERE Name='b'"_s);
  Exec(u"INSERT INTO Product(Name,C0) VALUES('e','')"_s);
  EXPECT_EQ(CategoryValues(u"C0"_s), (QStringList{QString(), u"T恤"_s, u"衬衫"_s}));
  EXPECT_TRUE(CategoryValues(u"Name"_s).isEmpty());
}

TEST_F(Categories, ABlockChangesOnlyItsCategoryCellsFromEitherCorner) {
  AddProducts({{u"a"_s, u"1"_s}, {u"b"_s, u"2"_s}, {u"c"_s, u"3"_s}, {u"d"_s, u"4"_s}});
  Load();  // newest first: rows 2 … 5 are products 4 … 1
  const auto run = [&](int row, int col, int rowSel, int colSel, const QString& value) {
    grid.SetRow(row);
    grid.SetCol(col);
    grid.SetRowSel(rowSel);
    grid.SetColSel(colSel);
    progress.shown.clear();
    return ModifyCategories(grid, value);
  };
  // From the name column over 分类1 and 分类2, rows 3–4, bottom-right to top-left.
  ASSERT_TRUE(run(4, 10, 3, 5, kTricky[0]));
  EXPECT_EQ(progress.shown, QStringList{u"正在修改分类.../6"_s});
  EXPECT_EQ(Column(grid, 5), (QStringList{u"d"_s, u"c"_s, u"b"_s, u"a"_s}));
  EXPECT_EQ(Column(grid, 9), (QStringList{u"4"_s, kTricky[0], kTricky[0], u"1"_s}));
  EXPECT_EQ(Column(grid, 10), (QStringList{QString(), kTricky[0], kTricky[0], QString()}));
  for (qint64 id : {2, 3})
    EXPECT_EQ(Stored(u"C0"_s, id) + Stored(u"C1"_s, id), kTricky[0] + kTricky[0]);
  EXPECT_EQ(Stored(u"Name"_s, 2), u"b"_s);
  EXPECT_EQ(Stored(u"C0"_s, 4), u"4"_s);

  // The same block from top-left gives the same; an empty value clears.
  ASSERT_TRUE(run(3, 5, 4, 10, QString()));
  EXPECT_EQ(Column(grid, 9), (QStringList{u"4"_s, QString(), QString(), u"1"_s}));
  EXPECT_EQ(Stored(u"C1"_s, 3), QString());
  EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(Categories, AutomaticCategorisingMatchesTheNamePartAsLiteralText) {
  AddProducts({{u"纯棉衬衣男"_s, QString()},
               {u"真丝衬衣"_s, u"已有"_s},
               {u"T恤"_s, QString()},
               {u"100%_棉 POLO"_s, QString()},
               {u"100x棉 polo"_s, QString()},
               {u"a\\b's"_s, QString()}});
  Exec(u"UPDATE Product SET C0=NULL WHERE Name='T恤'"_s);
  EXPECT_EQ(AutoCategorise(0, u"衬衣"_s, u"衬衫"_s), 1);
  EXPECT_EQ(Stored(u"C0"_s, 1), u"衬衫"_s);
  EXPECT_EQ(Stored(u"C0"_s, 2), u"已有"_s);  // a set value is never overwritten
  EXPECT_EQ(Stored(u"C1"_s, 1), QString());

  // "%" and "_" are characters, not patterns; letters match in either case.
  EXPECT_EQ(AutoCategorise(1, u"100%_棉 polo"_s, kTricky[1]), 1);
  EXPECT_EQ(Stored(u"C1"_s, 4), kTricky[1]);
  EXPECT_EQ(Stored(u"C1"_s, 5), QString());
  EXPECT_EQ(AutoCategorise(1, u"\\b'"_s, kTricky[0]), 1);
  EXPECT_EQ(Stored(u"C1"_s, 6), kTricky[0]);
  // A missing value counts as empty.
  EXPECT_EQ(AutoCategorise(0, u"T"_s, u"上衣"_s), 1);
  EXPECT_EQ(Stored(u"C0"_s, 3), u"上衣"_s);
  EXPECT_EQ(AutoCategorise(10, u"T"_s, u"x"_s), -1);
}

TEST_F(Categories, ProductChoicesAndTicksUseTheProductsIds) {
  AddProducts({{u"丙"_s, {}}, {u"甲"_s, {}}, {u"乙"_s, {}}, {u"a"_s, {}}});
  EXPECT_EQ(ProductChoiceItems(),
            (QStringList{u"4:a"_s, u"1:丙"_s, u"3:乙"_s, u"2:甲"_s, u"所有产品"_s}));

  DescribeProductChooser(grid);
  FillGrid(grid, {}, {}, true);
  TickProducts(grid, u"3,1,99"_s);
  EXPECT_EQ(Column(grid, 2), (QStringList{u"√"_s, QString(), u"√"_s, QString()}));
  const ProductChoice choice = TickedProducts(grid);
  EXPECT_EQ(choice.ids, u"1,3"_s);
  EXPECT_EQ(choice.names, u"丙\r\n乙"_s);
}
