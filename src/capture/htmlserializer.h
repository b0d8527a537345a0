#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

namespace lanxi {

// Writes the content of a page's body in the serialisation the item-page markers are written
// against (the form the old embedded browser gave a text range of the body):
// - tag names in upper case, attribute names as the parser gives them (lower case);
// - an attribute value made only of ASCII letters, digits, "-", "_" and "." stands without
//   quotes (class=shop-title), any other value in double quotes with "&" and '"' escaped
//   (href="http://…?a=1&amp;b=2"); an empty value as "";
// - text with "&", "<", ">" and the no-break space escaped again (&amp; &lt; &gt; &nbsp;);
// - white space as it is shown: every run of spaces, tabs and line breaks becomes one space,
//   and none stands at the start or end of a block (DIV, P, LI, H1–H6, table cells …);
//   preformatted elements (PRE, TEXTAREA, LISTING, XMP, PLAINTEXT) keep theirs;
// - what is not shown as part of the body is left out: comments, SCRIPT, STYLE, NOSCRIPT and
//   TEMPLATE elements with their content;
// - void elements (IMG, BR, INPUT …) without a closing tag, every other element closed.
//
// `html` is UTF-8: a whole document or just the body's own HTML ("<body …>…</body>"). Broken
// HTML is repaired the way browsers repair it. Answers nullopt when the document has no body
// (a frameset), and when its elements nest more than 4096 deep (no browser's parser nests
// like that, and reading such a document would take the HTML parser a time growing with the
// square of its depth). The work is iterative: nesting depth costs no stack.
std::optional<QString> SerializeBodyHtml(QByteArrayView html);

}  // namespace lanxi
