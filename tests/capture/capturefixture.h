#pragma once

#include <gtest/gtest.h>
#include <QDir>
#include <QImage>

#include "capture/pagewait.h"
#include "captureproducts.h"
#include "common/progress.h"
#include "fakebrowser.h"
#include "programfolder_fixture.h"
#include "progressrecorder.h"
#include "scriptedprompts.h"
#include "storage/settings.h"

namespace lanxi::test {

// A program folder whose template data.mdb is the current tracking database, the
// marketplace's hosts pointing at the fake web "shop.test" holding the fixture pages, an item
// browser, a background browser and the main window's browser.
class CaptureTest : public ::testing::Test {
 protected:
  static inline const QString kOrigin = QStringLiteral("http://shop.test");

  TempProgramFolder folder;
  ScriptedPrompts prompts;
  ProgressRecorder progress;
  FakeWeb web;
  FakeBrowser browser{&web};
  FakeBrowser mainBrowser{&web};
  FakeBrowser background{&web};

  void SetUp() override {
    CurDBFile = QStringLiteral("data.mdb");
    SetMainBrowser(&mainBrowser);
    for (const char16_t* key : {ParamKey::MallItemHost, ParamKey::MarketItemHost,
                                ParamKey::MallDetailHost, ParamKey::ClickRedirectHost})
      SetParam(QString::fromUtf16(key), QStringLiteral("shop.test"));
    for (const QString& page : {QStringLiteral("item_1001.html"), QStringLiteral("item_1002.html"),
                                QStringLiteral("item_2001.html")}) {
      const QString id = page.mid(5, 4);
      web.Add(Item(id), FixtureHtml(page, QStringLiteral("shop.test")));
    }
    web.Add(kOrigin + QStringLiteral("/shop.htm?shop_id=502&from=item"),
            FixtureHtml(QStringLiteral("shop_502.html"), {}));
    web.Add(kOrigin + QStringLiteral("/search?q=女装"),
            FixtureHtml(QStringLiteral("search.html"), QStringLiteral("shop.test")));
    for (const QString& pic : {QStringLiteral("1001.jpg_310x310.jpg"), QStringLiteral("1002.png"),
                               QStringLiteral("2001.jpg")})
      web.pictures.insert(kOrigin + QStringLiteral("/pic/") + pic, Picture(Qt::red));
  }
  void TearDown() override { SetMainBrowser(nullptr); }

  static QString Item(const QString& id, const QString& query = {}) {
    return kOrigin + QStringLiteral("/item.htm?") + query + QStringLiteral("id=") + id;
  }
  static QImage Picture(QColor color) {
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(color);
    return image;
  }

  // Shows an address in the item browser, waiting until it has loaded.
  void Show(FakeBrowser& b, const QString& address) {
    LoadPage(address, &b, 200, false, QString());
    ASSERT_EQ(b.LocationURL(), address);
  }

  void Exec(const QString& sql, const Params& params = {}) {
    ASSERT_EQ(ExecOnCurrent(sql, params), QString());
  }
  static int ProductCount() { return lanxi::test::ProductCount(); }
  static Value Field(const QString& tid, const QString& field) { return ProductField(tid, field); }
  static QStringList Texts(const QString& tid, const QStringList& fields) {
    return ProductTexts(tid, fields);
  }
  QString PictureFolder() const { return folder.path() + QStringLiteral("/Pic/DATA"); }
  // The files of the current database's picture folder.
  QStringList PictureFiles() const {
    return QDir(PictureFolder()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
  }
};

}  // namespace lanxi::test
