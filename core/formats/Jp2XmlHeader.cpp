#include "formats/Jp2XmlHeader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace pelorin {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsNameChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || c == '-' || c == '_' ||
         c == '.' || c == ':' || u >= 0x80;
}

bool IsKeyword(std::string_view name) {
  if (name.empty() || name.size() > 70) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || c == '-' || c == '_';
  });
}

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return u;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The code point of a character reference body ("#65", "#x41"); 0 when it
// is not a valid one.
std::uint32_t CharRef(std::string_view body) {
  if (body.size() < 2 || body[0] != '#') return 0;
  const bool hex = body[1] == 'x' || body[1] == 'X';
  std::string_view digits = body.substr(hex ? 2 : 1);
  if (digits.empty()) return 0;
  std::uint32_t cp = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return 0;
    cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
    if (cp > 0x10FFFF) return 0;
  }
  if (cp >= 0xD800 && cp <= 0xDFFF) return 0;
  return cp;
}

// Appends `text` with its entities and character references decoded.
void AppendDecoded(std::string& out, std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t amp = text.find('&', i);
    if (amp == std::string_view::npos) {
      out.append(text.substr(i));
      return;
    }
    out.append(text.substr(i, amp - i));
    // The longest reference that means anything: "&#x10FFFF;" and a few
    // leading zeros.
    const std::size_t semi = text.substr(amp, 16).find(';');
    if (semi != std::string_view::npos) {
      const std::string_view body = text.substr(amp + 1, semi - 1);
      std::uint32_t cp = 0;
      if (body == "lt") cp = '<';
      else if (body == "gt") cp = '>';
      else if (body == "amp") cp = '&';
      else if (body == "quot") cp = '"';
      else if (body == "apos") cp = '\'';
      else cp = CharRef(body);
      if (cp != 0) {
        AppendUtf8(out, cp);
        i = amp + semi + 1;
        continue;
      }
    }
    out += '&';
    i = amp + 1;
  }
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

struct Element {
  std::string_view name;
  bool hasChild = false;
  std::string text;  // collected only for the children of the fits element
};

class Reader {
 public:
  explicit Reader(std::string_view xml) : xml_(xml) {}

  bool Run(PictureHeader& out, std::string& error) {
    if (xml_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
    while (pos_ < xml_.size()) {
      const std::size_t lt = xml_.find('<', pos_);
      const std::size_t end = lt == std::string_view::npos ? xml_.size() : lt;
      Text(xml_.substr(pos_, end - pos_));
      if (lt == std::string_view::npos) break;
      pos_ = lt;
      if (!Markup()) {
        error = "line " + std::to_string(Line(errorAt_)) + ": " + message_;
        return false;
      }
      if (done_) {
        out.cards = std::move(cards_);
        JoinContinuedStrings(out);
        return true;
      }
    }
    if (fitsDepth_ != kNone) {
      error = "the XML header ends inside <" + std::string(stack_.back().name) + ">";
    } else {
      error = "the XML header has no <fits> element";
    }
    return false;
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  std::size_t Line(std::size_t at) const {
    return 1 + static_cast<std::size_t>(std::count(xml_.begin(), xml_.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
  }

  bool Fail(std::size_t at, std::string message) {
    errorAt_ = std::min(at, xml_.size());
    message_ = std::move(message);
    return false;
  }

  // The element whose text is collected: a direct child of fits.
  Element* Keyword() {
    if (fitsDepth_ == kNone || stack_.size() != fitsDepth_ + 2) return nullptr;
    return &stack_.back();
  }

  void Text(std::string_view text) {
    if (Element* k = Keyword()) AppendDecoded(k->text, text);
  }

  bool Markup() {
    const std::string_view rest = xml_.substr(pos_);
    if (rest.starts_with("<?")) return SkipTo("?>", "processing instruction");
    if (rest.starts_with("<!--")) return SkipTo("-->", "comment");
    if (rest.starts_with("<![CDATA[")) {
      const std::size_t close = xml_.find("]]>", pos_ + 9);
      if (close == std::string_view::npos) return Fail(pos_, "CDATA section without its end");
      if (Element* k = Keyword()) k->text.append(xml_.substr(pos_ + 9, close - pos_ - 9));
      pos_ = close + 3;
      return true;
    }
    if (rest.starts_with("<!")) return SkipDeclaration();
    if (rest.starts_with("</")) return EndTag();
    return StartTag();
  }

  bool SkipTo(std::string_view close, const char* what) {
    const std::size_t at = xml_.find(close, pos_ + 2);
    if (at == std::string_view::npos) return Fail(pos_, std::string(what) + " without its end");
    pos_ = at + close.size();
    return true;
  }

  // <!DOCTYPE ...> with an internal subset in brackets, skipped whole.
  bool SkipDeclaration() {
    int depth = 0;
    char quote = 0;
    for (std::size_t i = pos_ + 2; i < xml_.size(); ++i) {
      const char c = xml_[i];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '[') {
        ++depth;
      } else if (c == ']') {
        --depth;
      } else if (c == '>' && depth <= 0) {
        pos_ = i + 1;
        return true;
      }
    }
    return Fail(pos_, "declaration without its end");
  }

  std::string_view Name(std::size_t& i) const {
    const std::size_t start = i;
    while (i < xml_.size() && IsNameChar(xml_[i])) ++i;
    return xml_.substr(start, i - start);
  }

  void SkipBlanks(std::size_t& i) const {
    while (i < xml_.size() && IsBlank(xml_[i])) ++i;
  }

  bool StartTag() {
    std::size_t i = pos_ + 1;
    const std::string_view name = Name(i);
    if (name.empty()) return Fail(pos_, "'<' that starts no element");
    // Attributes: name = "value" or 'value', read past and not kept.
    for (;;) {
      const std::size_t before = i;
      SkipBlanks(i);
      if (i >= xml_.size()) return Fail(pos_, "<" + std::string(name) + " without its end");
      if (xml_[i] == '>' || xml_.compare(i, 2, "/>") == 0) break;
      if (i == before) return Fail(i, "unexpected character in <" + std::string(name) + ">");
      const std::string_view attribute = Name(i);
      if (attribute.empty()) return Fail(i, "unexpected character in <" + std::string(name) + ">");
      SkipBlanks(i);
      if (i >= xml_.size() || xml_[i] != '=')
        return Fail(i, "attribute " + std::string(attribute) + " without a value");
      ++i;
      SkipBlanks(i);
      if (i >= xml_.size() || (xml_[i] != '"' && xml_[i] != '\''))
        return Fail(i, "attribute " + std::string(attribute) + " without a quoted value");
      const std::size_t close = xml_.find(xml_[i], i + 1);
      if (close == std::string_view::npos) return Fail(i, "attribute " + std::string(attribute) + " without its end");
      i = close + 1;
    }
    const bool empty = xml_[i] == '/';
    pos_ = i + (empty ? 2 : 1);

    if (!stack_.empty()) stack_.back().hasChild = true;
    stack_.push_back(Element{name, false, {}});
    if (fitsDepth_ == kNone && Upper(name) == "FITS") fitsDepth_ = stack_.size() - 1;
    return empty ? Close() : true;
  }

  bool EndTag() {
    std::size_t i = pos_ + 2;
    const std::string_view name = Name(i);
    SkipBlanks(i);
    if (i >= xml_.size() || xml_[i] != '>') return Fail(pos_, "</" + std::string(name) + " without its end");
    if (stack_.empty()) return Fail(pos_, "</" + std::string(name) + "> closes no element");
    if (stack_.back().name != name)
      return Fail(pos_, "</" + std::string(name) + "> closes <" + std::string(stack_.back().name) + ">");
    pos_ = i + 1;
    return Close();
  }

  // Ends the innermost element.
  bool Close() {
    if (Element* k = Keyword(); k != nullptr && !k->hasChild) {
      std::string keyword = Upper(k->name);
      if (IsKeyword(keyword)) cards_.push_back(HeaderCard{std::move(keyword), std::string(Trim(k->text))});
    }
    stack_.pop_back();
    if (fitsDepth_ != kNone && stack_.size() == fitsDepth_) done_ = true;
    return true;
  }

  std::string_view xml_;
  std::size_t pos_ = 0;
  std::vector<Element> stack_;
  std::size_t fitsDepth_ = kNone;  // index in stack_ of the fits element
  std::vector<HeaderCard> cards_;
  bool done_ = false;
  std::size_t errorAt_ = 0;
  std::string message_;
};

}  // namespace

bool ParseJp2XmlHeader(const std::string& xml, PictureHeader& out, std::string& error) {
  // Some boxes are padded with NUL bytes; the text ends at the first one.
  std::string_view text(xml);
  if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
  Reader reader(text);
  return reader.Run(out, error);
}

}  // namespace pelorin
