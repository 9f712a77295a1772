#pragma once
// A small DOM facade: the document operations the request classes perform on request and reply
// documents. Element names are matched as written, prefixes included ("rs:data", "z:row").
// Text written through this layer is escaped on output whatever it holds.
//
// Errors: any operation on a null node raises RuntimeError 91 (object missing); a name that is
// not an XML name, or a node argument that cannot go where it is asked to (an ancestor moved
// into its own subtree, a node to remove that is not a child) raises RuntimeError 5.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pugi {
struct xml_node_struct;
class xml_document;
}  // namespace pugi

namespace corvane {

class XmlDocument;
struct XmlNodeAccess;

// A handle to an element of a document (or no element: a null node). Handles stay valid while
// the element is in its document (removing it or destroying the document invalidates them);
// copying a handle does not copy the element.
class XmlNode {
 public:
  XmlNode() = default;

  bool isNull() const { return node_ == nullptr; }
  explicit operator bool() const { return node_ != nullptr; }
  bool operator==(const XmlNode& other) const { return node_ == other.node_; }

  std::string name() const;

  // Attribute text; empty when the attribute is missing.
  std::string attribute(std::string_view name) const;
  std::optional<std::string> findAttribute(std::string_view name) const;
  bool hasAttribute(std::string_view name) const;
  void setAttribute(std::string_view name, std::string_view value);
  // As setAttribute, for an attribute the element does not have yet (writers of whole elements):
  // it is added last without looking for one of the same name. Adding one the element has
  // already gives the element the name twice.
  void appendAttribute(std::string_view name, std::string_view value);
  // All attributes in document order, as (name, value).
  std::vector<std::pair<std::string, std::string>> attributes() const;

  // The text of the element and its descendants, concatenated.
  std::string text() const;
  // Replaces the element's children by one text node.
  void setText(std::string_view value);

  XmlNode parent() const;                      // null for the document element
  XmlNode firstChild() const;                  // first child element
  XmlNode child(std::string_view name) const;  // first child element with that name
  std::vector<XmlNode> children() const;       // child elements in order

  XmlNode appendElement(std::string_view name);
  // Appends `node` as last child. A node of this document moves; a node of another document is
  // copied into this one (the original stays where it was). Returns the appended node.
  XmlNode appendChild(XmlNode node);
  // Removes `child` and its subtree; handles into it become invalid.
  void removeChild(XmlNode child);

  // XPath 1.0, relative to this element; only the selected elements are returned, in document
  // order. An XPath that selects nothing gives an empty list or a null node. A malformed XPath,
  // or one whose result is not a node set, raises RuntimeError 13.
  std::vector<XmlNode> selectNodes(std::string_view xpath) const;
  XmlNode selectSingleNode(std::string_view xpath) const;

  // The element's markup, without declaration or indentation.
  std::string xml() const;

 private:
  friend struct XmlNodeAccess;
  explicit XmlNode(pugi::xml_node_struct* node) : node_(node) {}
  pugi::xml_node_struct* node_ = nullptr;
};

// A moved-from document may only be assigned to or destroyed.
class XmlDocument {
 public:
  XmlDocument();
  ~XmlDocument();
  XmlDocument(XmlDocument&&) noexcept;
  XmlDocument& operator=(XmlDocument&&) noexcept;
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  // Replaces the content by the parsed UTF-8 text. On malformed text (no single document
  // element, text outside it, unclosed or mismatched tags, a repeated attribute, a bare `&` or
  // `<` where markup is not allowed) answers false and leaves the document empty; never throws.
  // Text nodes of white space only, comments and processing instructions are dropped.
  bool loadXML(std::string_view text);
  // The document's text: empty for an empty document, else its markup without indentation (a
  // declaration only if the loaded text had one).
  std::string xml() const;
  bool isEmpty() const { return documentElement().isNull(); }
  void clear();

  XmlNode documentElement() const;
  // Creates the document element when the document is empty; raises when it already has one.
  XmlNode createDocumentElement(std::string_view name);

  // XPath from the document root ("//func", "rs:data/z:row" relative to the root).
  std::vector<XmlNode> selectNodes(std::string_view xpath) const;
  XmlNode selectSingleNode(std::string_view xpath) const;

 private:
  std::unique_ptr<pugi::xml_document> document_;
};

// `text` with & > < ' " written as &amp; &gt; &lt; &apos; &quot;, for replies built as text.
std::string escapeXml(std::string_view text);

}  // namespace corvane
