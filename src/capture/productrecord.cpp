#include "capture/productrecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>

#include "capture/itemparse.h"
#include "capture/pagepicture.h"
#include "capture/pagewait.h"
#include "common/userprompts.h"
#include "storage/dboperate.h"
#include "storage/settings.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

QString Setting(const char16_t* key, const char16_t* fallback) {
  return GetParamOr(QString::fromUtf16(key), QString::fromUtf16(fallback));
}

// A picture saved while parsing, as opposed to a web address.
bool IsSavedPicture(const QString& pic) {
  return !pic.isEmpty() && !IsMissingPicture(pic) && QFileInfo(pic).isAbsolute() &&
         QFileInfo::exists(pic);
}

void RemoveSavedPicture(const QString& pic) {
  if (IsSavedPicture(pic)) QFile::remove(pic);
}

// Moves `from` to `to`, replacing a file there in one step.
bool ReplaceFile(const QString& from, const QString& to) {
  std::error_code error;
  std::filesystem::rename(from.toStdString(), to.toStdString(), error);
  return !error;
}

bool WriteRecord(ProductInfo& r, const QString& id) {
  const QString db = CurDBFile;
  Recordset rs;
  if (!OpenRecordset(rs, u"SELECT * FROM Product WHERE TID=?"_s, {id}, db)) return false;
  if (rs.IsEOF())
    rs.AddNew();
  else
    rs.MoveFirst();
  const auto stored = [&rs](const QString& field) { return rs.Field(field).toString(); };
  bool ok = true;
  const auto set = [&rs, &ok](const QString& field, const Value& v) {
    ok = rs.SetField(field, v) && ok;
  };
  if (r.WID > 0) set(u"WID"_s, r.WID);
  if (!r.Name.isEmpty() && stored(u"Name"_s).isEmpty()) set(u"Name"_s, r.Name);
  if (!r.Name.isEmpty()) set(u"CName"_s, r.Name);
  if (stored(u"Url"_s).isEmpty() && !r.Url.isEmpty()) {
    set(u"Url"_s, r.Url);
    set(u"TID"_s, id);
  }
  if (!r.Pic.isEmpty()) set(u"Pic"_s, r.Pic);
  if (!r.Shop.isEmpty()) set(u"Shop"_s, r.Shop);
  if (!r.Region.isEmpty()) set(u"Region"_s, r.Region);
  set(u"TMall"_s, r.TMall);
  if (!r.Owner.isEmpty()) set(u"Owner"_s, r.Owner);
  for (int i = 0; i < int(r.C.size()); ++i)
    if (!r.C[i].isEmpty()) set(u"C"_s + QString::number(i), r.C[i]);
  if (!ok || !rs.Update()) {
    rs.CancelUpdate();
    return false;
  }
  r.ID = rs.Field(u"ID"_s).toInt();

  // The picture saved while parsing takes the product's own name.
  if (IsSavedPicture(r.Pic)) {
    const QString folder = QFileInfo(r.Pic).absolutePath();
    const QString final = ProductPictureFile(folder, r.ID, r.Pic);
    if (ReplaceFile(r.Pic, final)) {
      r.Pic = final;
      rs.SetField(u"Pic"_s, final);
      rs.Update();
    }
  }
  CloseRecordset(rs);
  return true;
}

}  // namespace

CapturePlaces CapturePlacesFromSettings() {
  CapturePlaces places;
  places.itemHosts = {Setting(ParamKey::MallItemHost, ParamDefault::MallItemHost),
                      Setting(ParamKey::MarketItemHost, ParamDefault::MarketItemHost),
                      Setting(ParamKey::MallDetailHost, ParamDefault::MallDetailHost)};
  places.searchHost = Setting(ParamKey::SearchHost, ParamDefault::SearchHost);
  places.clickHost = Setting(ParamKey::ClickRedirectHost, ParamDefault::ClickRedirectHost);
  return places;
}

int ItemUrlKind(const QString& address) {
  return CapturePlacesFromSettings().ItemUrlKind(address);
}

QString FindProductCName(const QString& address) {
  const QString id = ExtractItemId(address);
  if (id.isEmpty() || CurDBFile.isEmpty()) return {};
  return LookupValue(u"Product"_s, id, u"TID"_s, u"CName"_s, CurDBFile).toString();
}

bool SaveProductRecord(ProductInfo& r) {
  r.Url = NormaliseItemUrl(r.Url);
  const QString id = ExtractItemId(r.Url);
  const bool stored = !id.isEmpty() && !CurDBFile.isEmpty() && WriteRecord(r, id);
  if (!stored) RemoveSavedPicture(r.Pic);
  return stored;
}

bool AddProductFromPage(Browser* browser, bool showMessage) {
  if (!browser) browser = MainBrowser();
  if (!browser) return false;
  const QString location = browser->LocationURL();
  if (ItemUrlKind(location) < 0) return false;
  const auto fail = [showMessage](const QString& text) {
    if (showMessage) ShowMessage(text, MessageKind::Warning);
    return false;
  };
  if (ExtractItemId(NormaliseItemUrl(location)).isEmpty())
    return fail(u"当前网页的网址中没有产品编号(id)，无法添加产品！"_s);
  if (CurDBFile.isEmpty()) return fail(u"没有打开的跟踪数据库，无法添加产品！"_s);

  bool recognised = false;
  const QString html = PageHtml(browser);
  ProductInfo r = html.contains(QStringView(kMallGreeting))
                      ? ParseMallItemPage(browser, html, &recognised)
                      : ParseMarketItemPage(browser, html, &recognised);
  if (!recognised) {
    RemoveSavedPicture(r.Pic);
    return fail(u"当前网页中没有找到产品信息，无法添加产品！"_s);
  }
  if (!SaveProductRecord(r))
    return fail(u"添加产品“"_s + r.Name + u"”失败：无法保存到当前数据库！"_s);
  if (showMessage) ShowMessage(u"添加产品“"_s + r.Name + u"”成功！"_s);
  return true;
}

}  // namespace lanxi
