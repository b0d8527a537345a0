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
// Working memory kept from one serialisation to the next, at most.
constexpr size_t kKeptBuffer = 4 << 20;

// Gumbo's allocations for one parse, all freed together. Freeing the tree node by node would
// recurse once per nesting level, which a deeply nested page turns into a stack overflow. The
// blocks of one parse serve the next (up to kKeptBlocks of them), so that a page read on
// every poll of a wait does not fault its memory in anew each time.
class Arena {
 public:
  Arena() = default;
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;

  void* Allocate(size_t size) {
#ifdef LANXI_FUZZING
    // Each allocation a block of its own: the address sanitiser then sees every one.
    large_.emplace_back(NewBlock(std::max<size_t>(size, 1)));
    return large_.back().get();
#endif
    size = (size + kAlign - 1) & ~(kAlign - 1);
    if (size > kBlockSize / 4) {
      large_.emplace_back(NewBlock(size));
      return large_.back().get();
    }
    if (!current_ || used_ + size > kBlockSize) {
      if (next_ == blocks_.size()) blocks_.emplace_back(NewBlock(kBlockSize));
      current_ = blocks_[next_++].get();
      used_ = 0;
    }
    void* p = current_ + used_;
    used_ += size;
    return p;
  }

  // Everything allocated so far is free again.
  void Reset() {
    large_.clear();
    if (blocks_.size() > kKeptBlocks) blocks_.resize(kKeptBlocks);
    next_ = 0;
    current_ = nullptr;
    used_ = 0;
  }

  static void* Alloc(void* arena, size_t size) {
    return static_cast<Arena*>(arena)->Allocate(size);
  }
  static void Free(void*, void*) {}

 private:
  static constexpr size_t kAlign = 16;
  static constexpr size_t kBlockSize = 256 * 1024;
  static constexpr size_t kKeptBlocks = kKeptBuffer / kBlockSize;

  struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
  };
  using Block = std::unique_ptr<char, FreeDeleter>;

  static Block NewBlock(size_t size) {
    Block block(static_cast<char*>(std::malloc(size)));
    if (!block) throw std::bad_alloc();
    return block;
  }

  std::vector<Block> blocks_;
  std::vector<Block> large_;
  size_t next_ = 0;
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
  size_t done = 0;
  for (size_t i = 0; i < n; ++i) {
    const char* entity = nullptr;
    size_t length = 1;
    switch (s[i]) {
      case '&':
        entity = "&amp;";
        break;
      case '<':
        entity = "&lt;";
        break;
      case '>':
        entity = "&gt;";
        break;
      case '\xC2':
        if (i + 1 < n && s[i + 1] == '\xA0') {
          entity = "&nbsp;";
          length = 2;
        }
        break;
      default:
        break;
    }
    if (!entity) continue;
    out.append(s + done, i - done);
    out += entity;
    done = i + length;
    i += length - 1;
  }
  out.append(s + done, n - done);
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

template <size_t N>
bool OneOf(const std::string& name, const std::string_view (&names)[N]) {
  return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

// The position of the end tag "</name" at or after `from`, or npos.
size_t FindEndTag(std::string_view html, size_t from, const std::string& name) {
  for (size_t at = from; (at = html.find("</", at)) != std::string_view::npos; at += 2)
    if (StartsWithNoCase(html, at + 2, name)) return at;
  return std::string_view::npos;
}

void AppendCollapsed(std::string& out, std::string_view text) {
  bool space = false;
  for (char c : text) {
    if (IsSpace(c)) {
      if (!space) out += ' ';
      space = true;
    } else {
      out += c;
      space = false;
    }
  }
}

// The HTML with what the serialisation leaves out anyway taken away before the HTML parser,
// which costs time by the byte, sees it: comments, SCRIPT, STYLE and NOSCRIPT elements, and
// runs of white space outside tags and preformatted elements (one space is left of each). The
// tags themselves are copied unchanged. Answers false when elements nest deeper than
// `limit` in HTML as a browser writes it (every element but the void ones closed): the parser
// checks the stack of open elements at many start tags, so its time would grow with the
// square of the depth. Browsers' own parsers never nest deeper than a few hundred levels.
//
// The scan only needs to be right for the HTML browsers write; on anything else it still
// ends, in one pass, and what it gets wrong merely reaches the parser unchanged.
bool Condense(std::string_view html, int limit, std::string& out) {
  static constexpr std::string_view kVoid[] = {
      "area",  "base",   "br",    "col", "embed", "hr",    "img",    "input",    "link",   "meta",
      "param", "source", "track", "wbr", "frame", "image", "keygen", "basefont", "bgsound"};
  static constexpr std::string_view kLeftOut[] = {"script", "style", "noscript"};
  static constexpr std::string_view kRawText[] = {"textarea", "title",    "xmp",
                                                  "noembed",  "noframes", "iframe"};
  static constexpr std::string_view kPre[] = {"pre", "listing"};
  const size_t n = html.size();
  out.clear();
  out.reserve(n);
  int depth = 0, pre = 0;
  size_t i = 0;
  while (i < n) {
    size_t lt = html.find('<', i);
    if (lt == std::string_view::npos) lt = n;
    if (pre > 0)
      out.append(html.substr(i, lt - i));
    else
      AppendCollapsed(out, html.substr(i, lt - i));
    i = lt;
    if (i >= n) break;
    if (html.substr(i, 4) == "<!--") {
      const size_t end = html.find("-->", i + 4);
      i = end == std::string_view::npos ? n : end + 3;
      continue;
    }
    size_t j = i + 1;
    const bool closing = j < n && html[j] == '/';
    if (closing) ++j;
    const size_t nameStart = j;
    while (j < n && (std::isalnum(static_cast<unsigned char>(html[j])) || html[j] == '-')) ++j;
    if (j == nameStart) {  // no tag: "<" as text, or the start of a declaration
      out += '<';
      ++i;
      continue;
    }
    std::string name(html.substr(nameStart, j - nameStart));
    for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
    // The end of the tag: the first ">" outside a quoted attribute value.
    char quote = 0;
    bool afterEquals = false;
    for (; j < n; ++j) {
      const char c = html[j];
      if (quote) {
        if (c == quote) quote = 0;
      } else if ((c == '"' || c == '\'') && afterEquals) {
        quote = c;
      } else if (c == '>') {
        break;
      } else if (!IsSpace(c)) {
        afterEquals = c == '=';
      }
    }
    const size_t tagEnd = j < n ? j + 1 : n;
    if (closing) {
      depth = std::max(0, depth - 1);
      if (OneOf(name, kPre)) pre = std::max(0, pre - 1);
      out.append(html.substr(i, tagEnd - i));
      i = tagEnd;
      continue;
    }
    if (OneOf(name, kLeftOut)) {
      const size_t end = FindEndTag(html, tagEnd, name);
      const size_t close = end == std::string_view::npos ? n : html.find('>', end);
      i = close == std::string_view::npos ? n : close + 1;
      continue;
    }
    out.append(html.substr(i, tagEnd - i));
    i = tagEnd;
    if (name == "plaintext") {
      out.append(html.substr(i));
      break;
    }
    if (OneOf(name, kVoid)) continue;
    if (OneOf(name, kRawText)) {
      const size_t end = FindEndTag(html, i, name);
      const size_t stop = end == std::string_view::npos ? n : end;
      out.append(html.substr(i, stop - i));
      i = stop;
    }
    if (OneOf(name, kPre)) ++pre;
    if (++depth > limit) return false;
  }
  return true;
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
  // The memory of one call serves the next, so that a page read on every poll of a wait does
  // not have its memory faulted in anew each time; large pages give theirs back.
  struct Workspace {
    Arena arena;
    std::string condensed;
    std::string out;
    void Release() {
      arena.Reset();
      for (std::string* s : {&condensed, &out})
        if (s->capacity() > kKeptBuffer) std::string().swap(*s);
    }
  };
  thread_local Workspace work;
  struct Releaser {
    Workspace& work;
    ~Releaser() { work.Release(); }
  } releaser{work};

  if (!Condense(std::string_view(html.data() ? html.data() : "", size_t(html.size())), kMaxNesting,
                work.condensed))
    return std::nullopt;
  GumboOptions options = kGumboDefaultOptions;
  options.allocator = &Arena::Alloc;
  options.deallocator = &Arena::Free;
  options.userdata = &work.arena;
  options.max_errors = 0;
  // The arena frees the tree; gumbo_destroy_output is never called.
  const GumboOutput* output =
      gumbo_parse_with_options(&options, work.condensed.data(), work.condensed.size());
  const GumboNode* body = output ? FindBody(output->root) : nullptr;
  if (!body) return std::nullopt;
  work.out.clear();
  work.out.reserve(work.condensed.size());
  SerializeChildren(work.out, body);
  return QString::fromUtf8(work.out.data(), qsizetype(work.out.size()));
}

}  // namespace lanxi
