#include "platform/xml/XmlDocument.h"

#include <algorithm>
#include <array>
#include <pugixml.hpp>

#include "platform/com/RuntimeError.h"

namespace corvane {

namespace {

// Options of the checking pass: escapes stay undecoded so that every `&` can be checked, and
// top-level text is kept (fragment mode) so that it can be refused.
constexpr unsigned kCheckOptions =
    (pugi::parse_default & ~pugi::parse_escapes) | pugi::parse_declaration | pugi::parse_fragment;
constexpr unsigned kLoadOptions = pugi::parse_default | pugi::parse_declaration;
constexpr unsigned kWriteOptions = pugi::format_raw | pugi::format_no_declaration;

class StringWriter : public pugi::xml_writer {
 public:
  void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
  std::string text;
};

// The bytes a name may hold: ASCII letters, digits and _ : - ., and every byte beyond ASCII
// (names such as 单据编号). Looked up in a table, since whole record sets are written name by name.
constexpr std::array<bool, 256> kNameBytes = [] {
  std::array<bool, 256> bytes{};
  for (int c = 0; c < 256; ++c) {
    bytes[c] = c >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
               c == ':' || c == '-' || c == '.';
  }
  return bytes;
}();

// Element and attribute names cannot be escaped, so a name that would not read back is refused.
bool isXmlName(std::string_view name) {
  if (name.empty()) return false;
  const char first = name.front();
  if ((first >= '0' && first <= '9') || first == '-' || first == '.') return false;
  return std::all_of(name.begin(), name.end(), [](char c) { return kNameBytes[static_cast<unsigned char>(c)]; });
}

void requireName(std::string_view name) {
  if (!isXmlName(name)) {
    throw RuntimeError(errnum::kInvalidArgument, "Invalid XML name: '" + std::string(name) + "'");
  }
}

bool startsReference(std::string_view rest) {
  static constexpr std::string_view kNamed[] = {"amp;", "lt;", "gt;", "apos;", "quot;"};
  for (const std::string_view named : kNamed) {
    if (rest.starts_with(named)) return true;
  }
  if (!rest.starts_with('#')) return false;
  rest.remove_prefix(1);
  const bool hex = rest.starts_with('x');
  if (hex) rest.remove_prefix(1);
  const auto isDigit = [hex](char c) {
    return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
  };
  const auto end = std::find_if_not(rest.begin(), rest.end(), isDigit);
  return end != rest.begin() && end != rest.end() && *end == ';';
}

// Every `&` of an undecoded value must open a character or predefined entity reference.
bool hasOnlyWellFormedReferences(std::string_view value) {
  for (auto at = value.find('&'); at != std::string_view::npos; at = value.find('&', at + 1)) {
    if (!startsReference(value.substr(at + 1))) return false;
  }
  return true;
}

bool hasWellFormedAttributes(const pugi::xml_node& element) {
  std::vector<std::string_view> names;
  for (const pugi::xml_attribute& attribute : element.attributes()) {
    const std::string_view value = attribute.value();
    if (value.find('<') != std::string_view::npos || !hasOnlyWellFormedReferences(value)) {
      return false;
    }
    names.emplace_back(attribute.name());
  }
  std::sort(names.begin(), names.end());
  return std::adjacent_find(names.begin(), names.end()) == names.end();
}

// Exactly one element at the top, a declaration only in front, no text outside the element.
bool hasWellFormedTop(const pugi::xml_document& document) {
  int elements = 0;
  for (const pugi::xml_node& node : document.children()) {
    switch (node.type()) {
      case pugi::node_element: ++elements; break;
      case pugi::node_declaration:
        if (node != document.first_child()) return false;
        break;
      case pugi::node_pcdata:
      case pugi::node_cdata: return false;
      default: break;
    }
  }
  return elements == 1;
}

// The tree of the checking pass: what the parser lets through but XML does not allow.
bool isWellFormed(const pugi::xml_document& document) {
  if (!hasWellFormedTop(document)) return false;
  pugi::xml_node node = document.document_element();
  while (node) {
    if (node.type() == pugi::node_element && !hasWellFormedAttributes(node)) return false;
    if (node.type() == pugi::node_pcdata && !hasOnlyWellFormedReferences(node.value())) {
      return false;
    }
    // Next node in document order, without recursion (documents may nest deeply).
    if (node.first_child()) {
      node = node.first_child();
      continue;
    }
    while (node && !node.next_sibling() && node.parent() != document) node = node.parent();
    node = node.parent() == document ? pugi::xml_node() : node.next_sibling();
  }
  return true;
}

}  // namespace

// Converts between handles and pugixml nodes; the only code that sees both sides.
struct XmlNodeAccess {
  static XmlNode wrap(const pugi::xml_node& node) { return XmlNode(node.internal_object()); }
  // The pugixml node of a handle the operation needs; a null handle is the run time's
  // "object missing".
  static pugi::xml_node unwrap(const XmlNode& node) {
    if (node.isNull()) {
      raiseObjectMissing();
    }
    return pugi::xml_node(node.node_);
  }
};

namespace {

XmlNode wrap(const pugi::xml_node& node) { return XmlNodeAccess::wrap(node); }
pugi::xml_node unwrap(const XmlNode& node) { return XmlNodeAccess::unwrap(node); }

bool sameDocument(const pugi::xml_node& a, const pugi::xml_node& b) { return a.root() == b.root(); }

void raiseInvalidArgument(const std::string& description) { throw RuntimeError(errnum::kInvalidArgument, description); }

pugi::xml_node checkedPlaced(const pugi::xml_node& placed) {
  if (!placed) raiseInvalidArgument("A node cannot be moved into its own subtree");
  return placed;
}

pugi::xml_node requireChildOf(const pugi::xml_node& parent, const XmlNode& child) {
  const pugi::xml_node node = unwrap(child);
  if (node.parent() != parent) raiseInvalidArgument("The node is not a child of this element");
  return node;
}

// Places `node` last under `parent`: a node of the same document moves, a foreign one is copied.
pugi::xml_node appendPlaced(pugi::xml_node parent, const pugi::xml_node& node) {
  if (sameDocument(parent, node)) return checkedPlaced(parent.append_move(node));
  return parent.append_copy(node);
}

std::vector<XmlNode> selectElements(const pugi::xml_node& context, std::string_view xpath) {
  pugi::xpath_node_set selected;
  try {
    selected = context.select_nodes(std::string(xpath).c_str());
  } catch (const pugi::xpath_exception& error) {
    throw RuntimeError(errnum::kTypeMismatch, "Invalid XPath '" + std::string(xpath) + "': " + error.what());
  }
  selected.sort();
  std::vector<XmlNode> elements;
  for (const pugi::xpath_node& found : selected) {
    if (found.node().type() == pugi::node_element) elements.push_back(wrap(found.node()));
  }
  return elements;
}

XmlNode selectFirstElement(const pugi::xml_node& context, std::string_view xpath) {
  const std::vector<XmlNode> elements = selectElements(context, xpath);
  return elements.empty() ? XmlNode() : elements.front();
}

std::string markupOf(const pugi::xml_node& node) {
  StringWriter writer;
  node.print(writer, "", kWriteOptions, pugi::encoding_utf8);
  return std::move(writer.text);
}

pugi::xml_node firstElementChild(const pugi::xml_node& node) {
  for (const pugi::xml_node& child : node.children()) {
    if (child.type() == pugi::node_element) return child;
  }
  return {};
}

}  // namespace

// ---- XmlNode ----

std::string XmlNode::name() const { return unwrap(*this).name(); }

std::string XmlNode::attribute(std::string_view name) const {
  return unwrap(*this).attribute(std::string(name).c_str()).value();
}

std::optional<std::string> XmlNode::findAttribute(std::string_view name) const {
  const pugi::xml_attribute found = unwrap(*this).attribute(std::string(name).c_str());
  if (!found) return std::nullopt;
  return std::string(found.value());
}

bool XmlNode::hasAttribute(std::string_view name) const {
  return static_cast<bool>(unwrap(*this).attribute(std::string(name).c_str()));
}

void XmlNode::setAttribute(std::string_view name, std::string_view value) {
  pugi::xml_node element = unwrap(*this);
  requireName(name);
  const std::string key(name);
  pugi::xml_attribute attribute = element.attribute(key.c_str());
  if (!attribute) attribute = element.append_attribute(key.c_str());
  attribute.set_value(value.data(), value.size());
}

void XmlNode::appendAttribute(std::string_view name, std::string_view value) {
  pugi::xml_node element = unwrap(*this);
  requireName(name);
  element.append_attribute(std::string(name).c_str()).set_value(value.data(), value.size());
}

std::vector<std::pair<std::string, std::string>> XmlNode::attributes() const {
  std::vector<std::pair<std::string, std::string>> all;
  for (const pugi::xml_attribute& attribute : unwrap(*this).attributes()) {
    all.emplace_back(attribute.name(), attribute.value());
  }
  return all;
}

std::string XmlNode::text() const {
  const pugi::xml_node element = unwrap(*this);
  std::string text;
  // Walks the subtree in document order without recursion.
  pugi::xml_node node = element.first_child();
  while (node) {
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) text += node.value();
    if (node.first_child()) {
      node = node.first_child();
      continue;
    }
    while (node != element && !node.next_sibling()) node = node.parent();
    node = node == element ? pugi::xml_node() : node.next_sibling();
  }
  return text;
}

void XmlNode::setText(std::string_view value) {
  pugi::xml_node element = unwrap(*this);
  element.remove_children();
  if (!value.empty()) element.append_child(pugi::node_pcdata).set_value(value.data(), value.size());
}

XmlNode XmlNode::parent() const {
  const pugi::xml_node up = unwrap(*this).parent();
  return up.type() == pugi::node_element ? wrap(up) : XmlNode();
}

XmlNode XmlNode::firstChild() const { return wrap(firstElementChild(unwrap(*this))); }

XmlNode XmlNode::child(std::string_view name) const {
  const std::string wanted(name);
  for (const pugi::xml_node& node : unwrap(*this).children(wanted.c_str())) {
    if (node.type() == pugi::node_element) return wrap(node);
  }
  return {};
}

std::vector<XmlNode> XmlNode::children() const {
  std::vector<XmlNode> elements;
  for (const pugi::xml_node& node : unwrap(*this).children()) {
    if (node.type() == pugi::node_element) elements.push_back(wrap(node));
  }
  return elements;
}

XmlNode XmlNode::appendElement(std::string_view name) {
  pugi::xml_node element = unwrap(*this);
  requireName(name);
  return wrap(element.append_child(std::string(name).c_str()));
}

XmlNode XmlNode::appendChild(XmlNode node) { return wrap(appendPlaced(unwrap(*this), unwrap(node))); }

void XmlNode::removeChild(XmlNode child) {
  pugi::xml_node element = unwrap(*this);
  element.remove_child(requireChildOf(element, child));
}

std::vector<XmlNode> XmlNode::selectNodes(std::string_view xpath) const { return selectElements(unwrap(*this), xpath); }

XmlNode XmlNode::selectSingleNode(std::string_view xpath) const { return selectFirstElement(unwrap(*this), xpath); }

std::string XmlNode::xml() const { return markupOf(unwrap(*this)); }

// ---- XmlDocument ----

XmlDocument::XmlDocument() : document_(std::make_unique<pugi::xml_document>()) {}
XmlDocument::~XmlDocument() = default;
XmlDocument::XmlDocument(XmlDocument&&) noexcept = default;
XmlDocument& XmlDocument::operator=(XmlDocument&&) noexcept = default;

bool XmlDocument::loadXML(std::string_view text) {
  // pugixml accepts some text that XML does not; a first, undecoded pass refuses it.
  pugi::xml_document checked;
  const bool wellFormed =
      checked.load_buffer(text.data(), text.size(), kCheckOptions, pugi::encoding_utf8) && isWellFormed(checked);
  document_->reset();
  if (!wellFormed) return false;
  if (!document_->load_buffer(text.data(), text.size(), kLoadOptions, pugi::encoding_utf8)) {
    document_->reset();
    return false;
  }
  return true;
}

std::string XmlDocument::xml() const {
  if (isEmpty()) return {};
  StringWriter writer;
  document_->save(writer, "", kWriteOptions, pugi::encoding_utf8);
  return std::move(writer.text);
}

void XmlDocument::clear() { document_->reset(); }

XmlNode XmlDocument::documentElement() const { return wrap(document_->document_element()); }

XmlNode XmlDocument::createDocumentElement(std::string_view name) {
  if (!isEmpty()) raiseInvalidArgument("The document already has a document element");
  requireName(name);
  return wrap(document_->append_child(std::string(name).c_str()));
}

std::vector<XmlNode> XmlDocument::selectNodes(std::string_view xpath) const {
  return selectElements(*document_, xpath);
}

XmlNode XmlDocument::selectSingleNode(std::string_view xpath) const { return selectFirstElement(*document_, xpath); }

std::string escapeXml(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '>': escaped += "&gt;"; break;
      case '<': escaped += "&lt;"; break;
      case '\'': escaped += "&apos;"; break;
      case '"': escaped += "&quot;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

}  // namespace corvane
