#include "capture/htmlserializer.h"

#include <gumbo.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace lanxi {
namespace {

constexpr int kMaxNesting = 4096;

// Gumbo's allocations for one parse, all freed together. Freeing the tree node by node would
// recurse once per nesting level, which a deeply nested page turns into a stack overflow.
class Arena {
 public:
  Arena() = default;
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;

  void* Allocate(size_t size) {
    size = (size + kAlign - 1) & ~(kAlign - 1);
    if (size > kBlockSize / 4) return NewBlock(size);
    if (used_ + size > kBlockSize || blocks_.empty()) {
      current_ = static_cast<char*>(NewBlock(kBlockSize));
      used_ = 0;
    }
    void* p = current_ + used_;
    used_ += size;
    return p;
  }

  static void* Alloc(void* arena, size_t size) {
    return static_cast<Arena*>(arena)->Allocate(size);
  }
  static void Free(void*, void*) {}

 private:
  static constexpr size_t kAlign = 16;
  static constexpr size_t kBlockSize = 256 * 1024;

  void* NewBlock(size_t size) {
    blocks_.emplace_back(static_cast<char*>(std::malloc(size)));
    if (!blocks_.back()) throw std::bad_alloc();
    return blocks_.back().get();
  }

  struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
  };
  std::vector<std::unique_ptr<char, FreeDeleter>> blocks_;
  char* current_ = nullptr;
  size_t used_ = 0;
};

bool IsVoid(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_AREA:
    case GUMBO_TAG_BASE:
    case GUMBO_TAG_BASEFONT:
    case GUMBO_TAG_BGSOUND:
    case GUMBO_TAG_BR:
    case GUMBO_TAG_COL:
    case GUMBO_TAG_EMBED:
    case GUMBO_TAG_FRAME:
    case GUMBO_TAG_HR:
    case GUMBO_TAG_IMAGE:
    case GUMBO_TAG_IMG:
    case GUMBO_TAG_INPUT:
    case GUMBO_TAG_KEYGEN:
    case GUMBO_TAG_LINK:
    case GUMBO_TAG_META:
    case GUMBO_TAG_PARAM:
    case GUMBO_TAG_SOURCE:
    case GUMBO_TAG_TRACK:
    case GUMBO_TAG_WBR:
      return true;
    default:
      return false;
  }
}

bool IsHidden(GumboTag tag) {
  return tag == GUMBO_TAG_SCRIPT || tag == GUMBO_TAG_STYLE || tag == GUMBO_TAG_NOSCRIPT ||
         tag == GUMBO_TAG_TEMPLATE;
}

bool IsPreformatted(GumboTag tag) {
  return tag == GUMBO_TAG_PRE || tag == GUMBO_TAG_TEXTAREA || tag == GUMBO_TAG_LISTING ||
         tag == GUMBO_TAG_XMP || tag == GUMBO_TAG_PLAINTEXT;
}

// Elements that start a line of their own when shown: white space beside them is not shown.
bool IsBlock(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_ADDRESS:
    case GUMBO_TAG_ARTICLE:
    case GUMBO_TAG_ASIDE:
    case GUMBO_TAG_BLOCKQUOTE:
    case GUMBO_TAG_BODY:
    case GUMBO_TAG_BR:
    case GUMBO_TAG_CAPTION:
    case GUMBO_TAG_CENTER:
    case GUMBO_TAG_DD:
    case GUMBO_TAG_DETAILS:
    case GUMBO_TAG_DIR:
    case GUMBO_TAG_DIV:
    case GUMBO_TAG_DL:
    case GUMBO_TAG_DT:
    case GUMBO_TAG_FIELDSET:
    case GUMBO_TAG_FIGCAPTION:
    case GUMBO_TAG_FIGURE:
    case GUMBO_TAG_FOOTER:
    case GUMBO_TAG_FORM:
    case GUMBO_TAG_H1:
    case GUMBO_TAG_H2:
    case GUMBO_TAG_H3:
    case GUMBO_TAG_H4:
    case GUMBO_TAG_H5:
    case GUMBO_TAG_H6:
    case GUMBO_TAG_HEADER:
    case GUMBO_TAG_HGROUP:
    case GUMBO_TAG_HR:
    case GUMBO_TAG_LEGEND:
    case GUMBO_TAG_LI:
    case GUMBO_TAG_MAIN:
    case GUMBO_TAG_MENU:
    case GUMBO_TAG_NAV:
    case GUMBO_TAG_OL:
    case GUMBO_TAG_P:
    case GUMBO_TAG_PRE:
    case GUMBO_TAG_SECTION:
    case GUMBO_TAG_SUMMARY:
    case GUMBO_TAG_TABLE:
    case GUMBO_TAG_TBODY:
    case GUMBO_TAG_TD:
    case GUMBO_TAG_TFOOT:
    case GUMBO_TAG_TH:
    case GUMBO_TAG_THEAD:
    case GUMBO_TAG_TR:
    case GUMBO_TAG_UL:
      return true;
    default:
      return false;
  }
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsSimpleValueChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.';
}

void AppendUpper(std::string& out, const char* s, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const char c = s[i];
    out += (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
  }
}

void AppendTagName(std::string& out, const GumboElement& e) {
  if (e.tag != GUMBO_TAG_UNKNOWN) {
    const char* name = gumbo_normalized_tagname(e.tag);
    AppendUpper(out, name, std::char_traits<char>::length(name));
    return;
  }
  GumboStringPiece piece = e.original_tag;
  if (piece.data && piece.length) gumbo_tag_from_original_text(&piece);
  AppendUpper(out, piece.data ? piece.data : "", piece.data ? piece.length : 0);
}

void AppendEscapedText(std::string& out, const char* s, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const char c = s[i];
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '\xC2':
        if (i + 1 < n && s[i + 1] == '\xA0') {
          out += "&nbsp;";
          ++i;
          break;
        }
        out += c;
        break;
      default:
        out += c;
    }
  }
}

void AppendAttribute(std::string& out, const GumboAttribute& a) {
  out += ' ';
  out += a.name;
  out += '=';
  const std::string_view value(a.value);
  bool simple = !value.empty();
  for (char c : value) simple = simple && IsSimpleValueChar(c);
  if (simple) {
    out += value;
    return;
  }
  out += '"';
  for (char c : value) {
    if (c == '&')
      out += "&amp;";
    else if (c == '"')
      out += "&quot;";
    else
      out += c;
  }
  out += '"';
}

const GumboNode* Child(const GumboNode* parent, unsigned i) {
  const GumboVector& children = parent->type == GUMBO_NODE_DOCUMENT ? parent->v.document.children
                                                                    : parent->v.element.children;
  return i < children.length ? static_cast<const GumboNode*>(children.data[i]) : nullptr;
}

bool IsBlockNode(const GumboNode* n) {
  return n && (n->type == GUMBO_NODE_ELEMENT || n->type == GUMBO_NODE_TEMPLATE) &&
         IsBlock(n->v.element.tag);
}

// Text as it is shown: runs of white space become one space, and none is kept where the text
// meets the edge of a block.
void AppendShownText(std::string& out, const GumboNode* node) {
  const char* s = node->v.text.text;
  const size_t n = std::char_traits<char>::length(s);
  const GumboNode* parent = node->parent;
  const unsigned index = unsigned(node->index_within_parent);
  const bool blockBefore = index == 0 ? IsBlockNode(parent) : IsBlockNode(Child(parent, index - 1));
  const GumboNode* next = Child(parent, index + 1);
  const bool blockAfter = next ? IsBlockNode(next) : IsBlockNode(parent);

  std::string collapsed;
  collapsed.reserve(n);
  bool pendingSpace = false;
  for (size_t i = 0; i < n; ++i) {
    if (IsSpace(s[i])) {
      pendingSpace = true;
      continue;
    }
    if (pendingSpace && !(collapsed.empty() && blockBefore)) collapsed += ' ';
    pendingSpace = false;
    collapsed += s[i];
  }
  if (pendingSpace && !blockAfter && !(collapsed.empty() && blockBefore)) collapsed += ' ';
  AppendEscapedText(out, collapsed.data(), collapsed.size());
}

bool StartsWithNoCase(std::string_view text, size_t at, std::string_view word) {
  if (at + word.size() > text.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    char c = text[at + i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != word[i]) return false;
  }
  return true;
}

// Whether elements are nested deeper than `limit` in HTML as a browser writes it (every
// element but the void ones closed). The HTML parser checks the stack of open elements at
// many start tags, so its time grows with the square of the depth; browsers' own parsers
// never nest deeper than a few hundred levels.
bool NestsDeeperThan(std::string_view html, int limit) {
  static constexpr std::string_view kVoid[] = {
      "area",  "base",   "br",    "col", "embed", "hr",    "img",    "input",    "link",   "meta",
      "param", "source", "track", "wbr", "frame", "image", "keygen", "basefont", "bgsound"};
  static constexpr std::string_view kRawText[] = {
      "script", "style", "textarea", "title", "xmp", "noembed", "noframes", "iframe", "plaintext"};
  int depth = 0;
  size_t i = 0;
  const auto skipPast = [&](std::string_view end) {
    const size_t at = html.find(end, i);
    i = at == std::string_view::npos ? html.size() : at + end.size();
  };
  while ((i = html.find('<', i)) != std::string_view::npos) {
    ++i;
    if (html.substr(i, 3) == "!--") {
      skipPast("-->");
      continue;
    }
    if (i < html.size() && html[i] == '/') {
      depth = std::max(0, depth - 1);
      skipPast(">");
      continue;
    }
    const size_t nameStart = i;
    while (i < html.size() && (std::isalnum(static_cast<unsigned char>(html[i])) || html[i] == '-'))
      ++i;
    if (i == nameStart) continue;
    std::string name(html.substr(nameStart, i - nameStart));
    for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
    // The attributes, with quoted values that may hold ">".
    for (char quote = 0; i < html.size(); ++i) {
      const char c = html[i];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        break;
      }
    }
    if (std::find(std::begin(kVoid), std::end(kVoid), name) != std::end(kVoid)) continue;
    if (std::find(std::begin(kRawText), std::end(kRawText), name) != std::end(kRawText)) {
      while ((i = html.find("</", i)) != std::string_view::npos &&
             !StartsWithNoCase(html, i + 2, name))
        i += 2;
      if (i == std::string_view::npos) return false;
      continue;
    }
    if (++depth > limit) return true;
  }
  return false;
}

const GumboNode* FindBody(const GumboNode* root) {
  if (!root || root->type != GUMBO_NODE_ELEMENT) return nullptr;
  for (unsigned i = 0; const GumboNode* c = Child(root, i); ++i)
    if (c->type == GUMBO_NODE_ELEMENT && c->v.element.tag == GUMBO_TAG_BODY) return c;
  return nullptr;
}

void SerializeChildren(std::string& out, const GumboNode* body) {
  struct Frame {
    const GumboNode* node;
    unsigned next;
  };
  std::vector<Frame> stack{{body, 0}};
  int preformatted = 0;
  while (!stack.empty()) {
    Frame& top = stack.back();
    const GumboNode* child = Child(top.node, top.next++);
    if (!child) {
      const GumboNode* done = top.node;
      stack.pop_back();
      if (stack.empty()) break;
      const GumboElement& e = done->v.element;
      if (IsPreformatted(e.tag)) --preformatted;
      out += "</";
      AppendTagName(out, e);
      out += '>';
      continue;
    }
    switch (child->type) {
      case GUMBO_NODE_TEXT:
      case GUMBO_NODE_WHITESPACE:
      case GUMBO_NODE_CDATA:
        if (preformatted > 0)
          AppendEscapedText(out, child->v.text.text,
                            std::char_traits<char>::length(child->v.text.text));
        else
          AppendShownText(out, child);
        break;
      case GUMBO_NODE_ELEMENT:
      case GUMBO_NODE_TEMPLATE: {
        const GumboElement& e = child->v.element;
        if (IsHidden(e.tag)) break;
        out += '<';
        AppendTagName(out, e);
        for (unsigned i = 0; i < e.attributes.length; ++i)
          AppendAttribute(out, *static_cast<const GumboAttribute*>(e.attributes.data[i]));
        out += '>';
        if (IsVoid(e.tag)) break;
        if (IsPreformatted(e.tag)) ++preformatted;
        stack.push_back({child, 0});
        break;
      }
      default:
        break;  // comments, the document
    }
  }
}

}  // namespace

std::optional<QString> SerializeBodyHtml(QByteArrayView html) {
  if (NestsDeeperThan(std::string_view(html.data() ? html.data() : "", size_t(html.size())),
                      kMaxNesting))
    return std::nullopt;
  Arena arena;
  GumboOptions options = kGumboDefaultOptions;
  options.allocator = &Arena::Alloc;
  options.deallocator = &Arena::Free;
  options.userdata = &arena;
  options.max_errors = 0;
  // The arena frees the tree; gumbo_destroy_output is never called.
  const GumboOutput* output =
      gumbo_parse_with_options(&options, html.data() ? html.data() : "", size_t(html.size()));
  const GumboNode* body = output ? FindBody(output->root) : nullptr;
  if (!body) return std::nullopt;
  std::string out;
  out.reserve(size_t(html.size()));
  SerializeChildren(out, body);
  return QString::fromUtf8(out.data(), qsizetype(out.size()));
}

}  // namespace lanxi
