#pragma once

#include <QString>

// The text operations item pages are read with. Comparisons are case-sensitive; the page's
// HTML is searched for fixed markers, each search starting where the previous one ended.
namespace lanxi {

// With fromLeft: answers what stands before the first `marker` and leaves in `text` what
// follows it. Otherwise: answers what follows the last `marker` and leaves in `text` what
// stands before it. When the marker does not occur (or is empty), answers empty and leaves the
// text as it is.
QString SplitOffAt(QString& text, const QString& marker, bool fromLeft);

// Replaces every span from `opening` through the next `closing` after it by `replacement`; an
// opening without a closing after it takes the rest of the text. With "<", ">" and an empty
// replacement it removes every tag. The search goes on after each replaced span, so neither
// the replacement nor an opening that only comes about where a span was taken out is matched
// again: the work stays linear and always ends. An empty opening changes nothing.
QString RemoveSpans(const QString& text, const QString& opening, const QString& closing,
                    const QString& replacement);

// The piece between `a` and `b`: SplitOffAt(html, a, true), discarded, then
// SplitOffAt(html, b, true), answered. `html` is left just after `b`.
QString CutBetween(QString& html, const QString& a, const QString& b);

// Turns the entities the body serialisation writes back into characters: &amp; &lt; &gt;
// &quot; &#39; and numeric references; &nbsp; becomes a plain space.
QString DecodeEntities(const QString& text);

// Text of a piece of HTML as a field takes it: tags removed, entities decoded.
QString TagsRemoved(const QString& html);
// The same with every space removed: the clean-up of the shop, owner and region fields.
QString CleanedField(const QString& html);

}  // namespace lanxi
