// Fuzz target of the capture text rules: the body serialisation, the marker text operations,
// the address rules and both item-page parsers, on one input. The input's first line is read
// as an address, its second line as a title and marker, the rest as a page's HTML.
//
// Built with libFuzzer by fuzz/run.sh; the corpus in fuzz/corpus is replayed by the unit test
// capture_fuzz_replay.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "capture/htmlserializer.h"
#include "capture/itemparse.h"
#include "capture/itemurl.h"
#include "capture/pagetext.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

// A broken rule is a finding like a crash.
void Expect(bool condition) {
  if (!condition) std::abort();
}

void AddressRules(const QString& address) {
  const QString normalised = NormaliseItemUrl(address);
  Expect(NormaliseItemUrl(normalised) == normalised);
  Expect(!normalised.contains(u'#'));
  const QString id = ExtractItemId(address);
  Expect(!id.contains(u'&') && !id.contains(u'#'));
  bool cut = false;
  CutAfterItemId(address, &cut);
  CapturePlaces places = CapturePlaces::Defaults();
  places.ItemUrlKind(address);
  places.RemoveClickRedirect(address);
  places.clickHost = address.left(8);
  places.RemoveClickRedirect(address);
}

void TextRules(const QString& text, const QString& marker) {
  for (bool fromLeft : {true, false}) {
    QString rest = text;
    const QString piece = SplitOffAt(rest, marker, fromLeft);
    if (rest.size() != text.size())
      Expect((fromLeft ? piece + marker + rest : rest + marker + piece) == text);
  }
  Expect(!RemoveSpans(text, u"<"_s, u">"_s, QString()).contains(u'<'));
  RemoveSpans(text, marker.left(3), marker.mid(3, 2), marker.left(1));
  DecodeEntities(text);
  CleanedField(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
  const qsizetype first = bytes.indexOf('\n');
  const qsizetype second = first < 0 ? -1 : bytes.indexOf('\n', first + 1);
  const QString address = QString::fromUtf8(bytes.left(first < 0 ? bytes.size() : first));
  const QString title =
      first < 0 ? QString()
                : QString::fromUtf8(bytes.mid(first + 1, second < 0 ? -1 : second - first - 1));
  const QByteArray html = second < 0 ? bytes : bytes.mid(second + 1);

  AddressRules(address);
  TextRules(QString::fromUtf8(html), title);

  const std::optional<QString> body = SerializeBodyHtml(html);
  const QString page = body.value_or(QString::fromUtf8(html));
  ParseMarketItemHtml(address, title, page);
  ParseMallItemHtml(address, page);
  NameFromTitle(title);
  ShopFromTitle(title);
  return 0;
}
